#include "app/record_views.h"

#include "core/sys_option.h"
#include "platform/code_page.h"
#include "store/journal_reader.h"

namespace keydesk {
namespace {

std::string Time(const std::string& stored) { return stored.substr(0, 19); }

}  // namespace

std::array<std::string, 8> JournalCells(const JournalRow& row) {
  return {row.RoomNo,
          row.GuestName,
          Time(row.LastCheckInTime),
          Time(row.CheckOutTime),
          row.CardNo,
          row.IsCopy ? AnsiFromUtf8("是") : std::string(),
          Time(row.OpratingTime),
          row.IssueResult};
}

bool JournalRowFailed(const JournalRow& row) {
  // Rows of an older keydesk say nothing of their result: they are not marked.
  return !row.IssueResult.empty() && row.IssueResult.rfind(AnsiFromUtf8("成功"), 0) != 0;
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
