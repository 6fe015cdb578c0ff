#include "app/record_views.h"

#include "platform/code_page.h"
#include "store/journal_reader.h"

namespace keydesk {
namespace {

std::string Time(const std::string& stored) { return stored.substr(0, 19); }

}  // namespace

std::array<std::string, 7> JournalCells(const JournalRow& row) {
  return {row.RoomNo,
          row.GuestName,
          Time(row.CheckInTime),
          Time(row.CheckOutTime),
          row.CardNo,
          row.IsCopy ? AnsiFromUtf8("是") : std::string(),
          Time(row.OpratingTime)};
}

std::string LogViewCaption(const std::string& logFileName) {
  return AnsiFromUtf8("日志 - ") + logFileName;
}

}  // namespace keydesk
