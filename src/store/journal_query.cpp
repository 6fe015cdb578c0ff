#include "store/journal_query.h"

#include <array>

#include "core/field_conversion.h"
#include "platform/code_page.h"
#include "platform/date_time.h"

namespace keydesk {
namespace {

// The sort keys, in the order of JournalSort. Card numbers are decimal texts: the shorter
// is the smaller. The start is the one written to the card, as the grid shows it.
constexpr std::array<const char*, 8> kSortKeys = {
    "RoomNo", "GuestName",    "LastCheckInTime", "CheckOutTime", "length(CardNo) {dir}, CardNo",
    "IsCopy", "OpratingTime", "IssueResult"};

// A day as stored times begin: "yyyy-mm-dd".
std::string StoredDay(const std::string& typed) {
  return FormatDateTime("yyyy-mm-dd", FieldToDateTime(typed, "发卡日期"));
}

std::string Replaced(std::string text, const std::string& mark, const std::string& with) {
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
    text.replace(at, mark.size(), with);
    at += with.size();
  }
  return text;
}

}  // namespace

JournalQuery::JournalQuery(const JournalFilter& filter, const Dialect& dialect) {
  std::vector<std::string> conditions;
  const auto bind = [&](const std::string& value) {
    Values.push_back(value);
    return dialect.Parameter(static_cast<int>(Values.size()));
  };
  const auto contains = [&](const char* column, const std::string& part) {
    if (part.empty()) return;
    const std::string parameter = bind(Utf8FromAnsi(part));
    conditions.push_back(
        Replaced(Replaced(dialect.Contains, "{column}", column), "{value}", parameter));
  };
  contains("RoomNo", filter.Room);
  contains("GuestName", filter.Guest);
  if (!filter.CardNo.empty()) conditions.push_back("CardNo = " + bind(Utf8FromAnsi(filter.CardNo)));
  // Days compare with the stored "yyyy-mm-dd hh:nn:ss.zzz" as texts: a day's rows lie from
  // the day itself up to the next day.
  const auto from = [&](const std::string& day) {
    conditions.push_back("OpratingTime >= " + bind(StoredDay(day)));
  };
  const auto upTo = [&](const std::string& day) {
    const DateTime next = StrToDateTime(StoredDay(day)).AddDays(1);
    conditions.push_back("OpratingTime < " + bind(FormatDateTime("yyyy-mm-dd", next)));
  };
  if (!filter.Day.empty()) {
    from(filter.Day);
    upTo(filter.Day);
  }
  if (!filter.From.empty()) from(filter.From);
  if (!filter.To.empty()) upTo(filter.To);
  for (size_t i = 0; i < conditions.size(); ++i) {
    Where += (i == 0 ? " where " : " and ") + conditions[i];
  }
  const std::string direction = filter.Ascending ? "asc" : "desc";
  const std::string key = kSortKeys.at(static_cast<size_t>(filter.Sort));
  OrderBy = " order by " + Replaced(key, "{dir}", direction) + " " + direction + ", " +
            dialect.RowOrder + " " + direction;
}

}  // namespace keydesk
