#include "store/journal_query.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/field_conversion.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "store/issue_result.h"

namespace keydesk {
namespace {

// The sort keys, in the order of JournalSort. Card numbers are decimal texts: the shorter
// is the smaller. The start is the one written to the card, as the grid shows it.
constexpr std::array<const char*, 8> kSortKeys = {
    "RoomNo", "GuestName",    "LastCheckInTime", "CheckOutTime", "length(CardNo) {dir}, CardNo",
    "IsCopy", "OpratingTime", "IssueResult"};

// "2025/3/1" or "2025.3.1" as "2025-03-01"; anything else as it was typed.
std::string DashedDay(const std::string& typed) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int part = 0;
  char separator = 0;
  for (const char c : typed) {
    if (c >= '0' && c <= '9') {
      parts[part] = parts[part] * 10 + (c - '0');
      if (++digits[part] > (part == 0 ? 4 : 2)) return typed;
    } else if ((c == '-' || c == '/' || c == '.') && part < 2 && digits[part] > 0 &&
               (separator == 0 || c == separator)) {
      separator = c;
      ++part;
    } else {
      return typed;
    }
  }
  if (part != 2 || digits[0] != 4 || digits[2] == 0) return typed;
  char dashed[16];
  std::snprintf(dashed, sizeof dashed, "%04d-%02d-%02d", parts[0], parts[1], parts[2]);
  return dashed;
}

std::string Replaced(std::string text, const std::string& mark, const std::string& with) {
  for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
    text.replace(at, mark.size(), with);
    at += with.size();
  }
  return text;
}

}  // namespace

std::string JournalDay(const std::string& typed, const char* label) {
  return FormatDateTime("yyyy-mm-dd", FieldToDateTime(DashedDay(typed), label));
}

JournalWindow NearerEnd(int64_t total, int64_t offset, int64_t limit) {
  if (offset + limit / 2 <= total / 2) return {offset, limit, false};
  const int64_t end = std::min(total, offset + limit);
  return {total - end, std::max<int64_t>(0, end - offset), true};
}

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
  const auto dayAfter = [](const std::string& day, const char* label) {
    const DateTime next = StrToDateTime(JournalDay(day, label)).AddDays(1);
    return FormatDateTime("yyyy-mm-dd", next);
  };
  const auto from = [&](const std::string& day) {
    conditions.push_back("OpratingTime >= " + bind(JournalDay(day, "发卡日期")));
  };
  const auto upTo = [&](const std::string& day) {
    conditions.push_back("OpratingTime < " + bind(dayAfter(day, "发卡日期")));
  };
  if (!filter.Day.empty()) {
    from(filter.Day);
    upTo(filter.Day);
  }
  if (!filter.From.empty()) from(filter.From);
  if (!filter.To.empty()) upTo(filter.To);
  if (!filter.StayFrom.empty()) {
    conditions.push_back("CheckOutTime >= " + bind(JournalDay(filter.StayFrom, "住店日期")));
  }
  if (!filter.StayTo.empty()) {
    conditions.push_back("CheckInTime < " + bind(dayAfter(filter.StayTo, "住店日期")));
  }
  if (filter.FailuresOnly) {
    std::string lo = Utf8FromAnsi(WritingResult());
    std::string hi = Utf8FromAnsi(WrittenResult());
    if (hi < lo) std::swap(lo, hi);
    const std::string low = bind(lo);
    conditions.push_back(Replaced(Replaced(dialect.Attention, "{lo}", low), "{hi}", bind(hi)));
  }
  for (size_t i = 0; i < conditions.size(); ++i) {
    Where += (i == 0 ? " where " : " and ") + conditions[i];
  }
  const std::string key = kSortKeys.at(static_cast<size_t>(filter.Sort));
  // One direction for every key, so that one index read forwards or backwards gives it.
  const auto order = [&](bool ascending) {
    const std::string direction = ascending ? "asc" : "desc";
    return " order by " + Replaced(key, "{dir}", direction) + " " + direction + ", " +
           dialect.RowOrder + " " + direction;
  };
  OrderBy = order(filter.Ascending);
  ReversedOrderBy = order(!filter.Ascending);
}

}  // namespace keydesk
