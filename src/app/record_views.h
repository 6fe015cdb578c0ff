#pragma once

#include <array>
#include <string>

namespace keydesk {

struct JournalRow;
struct RoomCard;
class TSysOption;

// What the window's record views show: the journal of issued cards and the day's log. Texts
// are UTF-8 source literals; cells are code page 936.

inline constexpr const char* kJournalCaption = "发卡记录";
inline constexpr std::array<const char*, 8> kJournalColumns = {
    "房间", "客人", "起始时间", "结束时间", "卡号", "复制", "发卡时间", "结果"};

// One journal row as the grid shows it, in the order of kJournalColumns: the validity written
// to the card, and what came of the attempt ("（旧记录，没有结果）" for a row that does not
// say). Stored times keep milliseconds; the desk needs minutes and seconds at most.
std::array<std::string, 8> JournalCells(const JournalRow& row);
// Whether the clerk must look at the row (a card that may open the room where none was
// meant to, a guest without a card, an attempt cut short), which the grids mark in red.
bool JournalRowNeedsAttention(const JournalRow& row);

// The room view's list: the cards that open a room now.
inline constexpr std::array<const char*, 8> kRoomCardColumns = {
    "卡号", "客人", "起始时间", "结束时间", "复制", "发卡时间", "结果", "取代"};
// One card as the room view shows it, in the order of kRoomCardColumns.
std::array<std::string, 8> RoomCardCells(const RoomCard& card);

// The log view's caption for the log file (code page 936 path).
std::string LogViewCaption(const std::string& logFileName);
// What the log view says first: with WriteLog off, that nothing is being written and where it
// is switched on; empty while the log is written.
std::string LogViewNotice(const TSysOption& sysOption);

}  // namespace keydesk
