#include "app/record_views.h"

#include "core/sys_option.h"
#include "platform/code_page.h"
#include "store/issue_result.h"
#include "store/record_store.h"

namespace keydesk {
namespace {

std::string Time(const std::string& stored) { return stored.substr(0, 19); }

std::string Result(const JournalRow& row) {
  return row.IssueResult.empty() ? OldRowResult() : row.IssueResult;
}

}  // namespace

std::array<std::string, 8> JournalCells(const JournalRow& row) {
  return {row.RoomNo,
          row.GuestName,
          Time(row.LastCheckInTime),
          Time(row.CheckOutTime),
          row.CardNo,
          row.IsCopy ? AnsiFromUtf8("是") : std::string(),
          Time(row.OpratingTime),
          Result(row)};
}

bool JournalRowNeedsAttention(const JournalRow& row) {
  return NeedsAttention(IssueStateOf(row.IssueResult));
}

std::array<std::string, 8> RoomCardCells(const RoomCard& card) {
  const JournalRow& row = card.Row;
  return {row.CardNo,
          row.GuestName,
          Time(row.LastCheckInTime),
          Time(row.CheckOutTime),
          row.IsCopy ? AnsiFromUtf8("是") : std::string(),
          Time(row.OpratingTime),
          Result(row),
          card.Superseded ? AnsiFromUtf8("已被后发的卡取代") : std::string()};
}

std::string LogViewCaption(const std::string& logFileName) {
  return AnsiFromUtf8("日志 - ") + logFileName;
}

std::string LogViewNotice(const TSysOption& sysOption) {
  if (sysOption.WriteLog) return {};
  return AnsiFromUtf8(
      "日志没有写入：Option.ini 的 [SysOption] WriteLog=0。要写日志，把它改为 1，然后重新启动 "
      "keydesk。");
}

}  // namespace keydesk
