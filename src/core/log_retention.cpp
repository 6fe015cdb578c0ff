#include "core/log_retention.h"

#include <optional>
#include <string_view>

#include "platform/file_io.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;

int64_t DayOf(DateTime time) { return time.Milliseconds() / kMillisecondsPerDay; }

// The day named by eight digits "yyyymmdd"; none for any other text or a date that is none.
std::optional<int64_t> NamedDay(std::string_view digits) {
  if (digits.size() != 8) return std::nullopt;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const auto number = [&](size_t at, size_t length) {
    int value = 0;
    for (size_t i = at; i < at + length; ++i) value = value * 10 + (digits[i] - '0');
    return value;
  };
  DateTime::Parts parts;
  parts.year = number(0, 4);
  parts.month = number(4, 2);
  parts.day = number(6, 2);
  const std::optional<DateTime> day = DateTime::FromParts(parts);
  if (!day) return std::nullopt;
  return DayOf(*day);
}

// The day of a daily or access log file's name; none for every other file.
std::optional<int64_t> LogDay(std::string_view name) {
  constexpr std::string_view kDaily = ".LOG";
  constexpr std::string_view kAccessPrefix = "Access";
  constexpr std::string_view kAccessSuffix = ".log";
  if (name.size() == 8 + kDaily.size() && name.ends_with(kDaily)) {
    return NamedDay(name.substr(0, 8));
  }
  if (name.size() == kAccessPrefix.size() + 8 + kAccessSuffix.size() &&
      name.starts_with(kAccessPrefix) && name.ends_with(kAccessSuffix)) {
    return NamedDay(name.substr(kAccessPrefix.size(), 8));
  }
  return std::nullopt;
}

}  // namespace

LogRetention::LogRetention(std::string folder, int keepDays, std::string keep)
    : folder_(std::move(folder)), keepDays_(keepDays), keep_(std::move(keep)) {}

void LogRetention::Written(DateTime now) {
  if (keepDays_ <= 0) return;
  const int64_t today = DayOf(now);
  int64_t last = lastDay_.load(std::memory_order_relaxed);
  // Only the writer that moves the day on does the work.
  while (today > last) {
    if (lastDay_.compare_exchange_weak(last, today)) {
      RemoveOldLogs(today);
      return;
    }
  }
}

void LogRetention::RemoveOldLogs(int64_t today) const {
  // A file written lately is in use, whatever its name says: another keydesk in the same
  // folder (another interface kind) may have started on that day and still write to it.
  const auto lately = std::chrono::system_clock::now() - std::chrono::hours(24) * keepDays_;
  for (const FolderFile& file : FilesInFolder(folder_)) {
    const std::optional<int64_t> day = LogDay(file.Name);
    if (!day || *day >= today - keepDays_ || file.Modified > lately) continue;
    const std::string path = PathInFolder(folder_, file.Name);
    if (path == keep_) continue;
    RemoveFile(path);
  }
}

}  // namespace keydesk
