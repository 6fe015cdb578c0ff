#pragma once

#include <array>
#include <string>

namespace keydesk {

struct JournalRow;
class TSysOption;

// What the window's record views show: the journal of issued cards and the day's log. Texts
// are UTF-8 source literals; cells are code page 936.

inline constexpr const char* kJournalCaption = "发卡记录";
inline constexpr std::array<const char*, 8> kJournalColumns = {
    "房间", "客人", "起始时间", "结束时间", "卡号", "复制", "发卡时间", "结果"};

// One journal row as the grid shows it, in the order of kJournalColumns. Stored times keep
// milliseconds; the desk needs minutes and seconds at most.
std::array<std::string, 8> JournalCells(const JournalRow& row);
// Whether the row is an attempt that wrote no card, which the grid marks.
bool JournalRowFailed(const JournalRow& row);

// The log view's caption for the log file (code page 936 path).
std::string LogViewCaption(const std::string& logFileName);
// What the log view says first: with WriteLog off, that nothing is being written and where it
// is switched on; empty while the log is written.
std::string LogViewNotice(const TSysOption& sysOption);

}  // namespace keydesk
