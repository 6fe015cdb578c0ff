#include "sim_settings.h"

#include "decimal.h"
#include "sim_platform.h"

namespace keydesk::sim {
namespace {

// Above an hour a delay is surely a typing mistake; such a value is ignored.
constexpr int64_t kMaxDelayMs = 3'600'000;

}  // namespace

SimSettings SimSettings::FromEnvironment() {
  SimSettings settings;
  if (std::optional<std::string> card = EnvironmentVariable(kCardVariable);
      card && !card->empty()) {
    settings.cardPath = *std::move(card);
  } else {
    settings.cardPath = PathInFolder(LibraryFolder(), kDefaultCardName);
  }
  settings.serialPath = PathInFolder(FolderOf(settings.cardPath), kSerialName);
  if (std::optional<std::string> trace = EnvironmentVariable(kTraceVariable)) {
    settings.tracePath = *std::move(trace);
  }
  if (const std::optional<std::string> delay = EnvironmentVariable(kDelayVariable)) {
    const std::optional<int64_t> ms = ParseDecimal(*delay);
    if (ms && *ms >= 0 && *ms <= kMaxDelayMs) settings.delayMs = *ms;
  }
  return settings;
}

std::optional<int64_t> InjectedFailure(std::string_view failValue, std::string_view function,
                                       int64_t min, int64_t max) {
  while (!failValue.empty()) {
    const size_t comma = failValue.find(',');
    const std::string_view entry = failValue.substr(0, comma);
    failValue = comma == std::string_view::npos ? std::string_view() : failValue.substr(comma + 1);
    const size_t colon = entry.find(':');
    if (colon == std::string_view::npos || entry.substr(0, colon) != function) continue;
    const std::optional<int64_t> code = ParseDecimal(entry.substr(colon + 1));
    if (code && *code != 0 && *code >= min && *code <= max) return code;
  }
  return std::nullopt;
}

std::optional<int64_t> InjectedFailure(std::string_view function, int64_t min, int64_t max) {
  const std::optional<std::string> value = EnvironmentVariable(SimSettings::kFailVariable);
  if (!value) return std::nullopt;
  return InjectedFailure(*value, function, min, max);
}

}  // namespace keydesk::sim

namespace keydesk::sim {

bool CorruptionAsked(std::string_view corruptValue, std::string_view block,
                     std::string_view field) {
  while (!corruptValue.empty()) {
    const size_t comma = corruptValue.find(',');
    const std::string_view entry = corruptValue.substr(0, comma);
    corruptValue =
        comma == std::string_view::npos ? std::string_view() : corruptValue.substr(comma + 1);
    const size_t dot = entry.find('.');
    if (dot != std::string_view::npos && entry.substr(0, dot) == block &&
        entry.substr(dot + 1) == field) {
      return true;
    }
  }
  return false;
}

}  // namespace keydesk::sim
