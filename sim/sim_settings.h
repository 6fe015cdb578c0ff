// What the environment of the loading process asks of the simulated encoder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keydesk::sim {

// The environment variables, read afresh for every call so that a test can change them
// between calls. Reading is as thread-safe as getenv(): not against a concurrent setenv().
struct SimSettings {
  static constexpr const char* kCardVariable = "DREVAN_SIM_CARD";
  static constexpr const char* kFailVariable = "DREVAN_SIM_FAIL";
  static constexpr const char* kDelayVariable = "DREVAN_SIM_DELAY_MS";
  static constexpr const char* kTraceVariable = "DREVAN_SIM_TRACE";
  static constexpr const char* kCorruptVariable = "DREVAN_SIM_CORRUPT";
  static constexpr const char* kDefaultCardName = "SimCard.txt";
  static constexpr const char* kSerialName = "SimSerial.txt";

  // DREVAN_SIM_CARD, or SimCard.txt in the folder of this library.
  std::string cardPath;
  // SimSerial.txt beside the card file, so every process using that card shares it.
  std::string serialPath;
  // DREVAN_SIM_TRACE; empty when calls are not traced.
  std::string tracePath;
  // DREVAN_SIM_DELAY_MS; 0 when absent or not a plain non-negative number.
  int64_t delayMs = 0;

  static SimSettings FromEnvironment();
};

// The code that a DREVAN_SIM_FAIL value ("Name:code,Name:code") gives function: the first
// entry naming it whose code is a nonzero decimal integer within [min, max]. Malformed
// entries are skipped.
std::optional<int64_t> InjectedFailure(std::string_view failValue, std::string_view function,
                                       int64_t min, int64_t max);

// The same, from the current environment.
std::optional<int64_t> InjectedFailure(std::string_view function, int64_t min, int64_t max);

// Whether a DREVAN_SIM_CORRUPT value ("Block.Field,Block.Field") names the field: such a
// field is stored wrongly while the write reports success, as on a card pulled away too
// early.
bool CorruptionAsked(std::string_view corruptValue, std::string_view block, std::string_view field);

}  // namespace keydesk::sim
