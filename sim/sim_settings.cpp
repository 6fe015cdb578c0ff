#include "sim_settings.h"

#include <dlfcn.h>

#include <cstdlib>

#include "decimal.h"

namespace keydesk::sim {
namespace {

// Above an hour a delay is surely a typing mistake; such a value is ignored.
constexpr int64_t kMaxDelayMs = 3'600'000;

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

// The folder this library was loaded from: the card lies beside it unless told otherwise.
std::string LibraryFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&LibraryFolder), &info) == 0 ||
      info.dli_fname == nullptr) {
    return ".";
  }
  return FolderOf(info.dli_fname);
}

}  // namespace

SimSettings SimSettings::FromEnvironment() {
  SimSettings settings;
  if (const char* card = std::getenv(kCardVariable); card != nullptr && *card != '\0') {
    settings.cardPath = card;
  } else {
    settings.cardPath = LibraryFolder().append("/").append(kDefaultCardName);
  }
  settings.serialPath = FolderOf(settings.cardPath).append("/").append(kSerialName);
  if (const char* trace = std::getenv(kTraceVariable); trace != nullptr) {
    settings.tracePath = trace;
  }
  if (const char* delay = std::getenv(kDelayVariable); delay != nullptr) {
    const std::optional<int64_t> ms = ParseDecimal(delay);
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
  const char* value = std::getenv(SimSettings::kFailVariable);
  if (value == nullptr) return std::nullopt;
  return InjectedFailure(value, function, min, max);
}

}  // namespace keydesk::sim
