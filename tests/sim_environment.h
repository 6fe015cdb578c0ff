#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"

namespace keydesk::test {

#if defined(_WIN32)
inline constexpr const char* kCardLibraryPath = KEYDESK_BUILD_DIR "/drevan.dll";
#else
inline constexpr const char* kCardLibraryPath = KEYDESK_BUILD_DIR "/libdrevan.so";
#endif

// Points the simulated encoder at files in a test's folder and clears its fault settings;
// restores a clean environment when the test ends.
class SimEnvironment {
 public:
  SimEnvironment(const std::string& cardFile, const std::string& traceFile) {
    setenv("DREVAN_SIM_CARD", cardFile.c_str(), 1);
    setenv("DREVAN_SIM_TRACE", traceFile.c_str(), 1);
    unsetenv("DREVAN_SIM_FAIL");
    unsetenv("DREVAN_SIM_DELAY_MS");
    unsetenv("DREVAN_SIM_CORRUPT");
  }
  ~SimEnvironment() {
    for (const char* name : {"DREVAN_SIM_CARD", "DREVAN_SIM_TRACE", "DREVAN_SIM_FAIL",
                             "DREVAN_SIM_DELAY_MS", "DREVAN_SIM_CORRUPT"}) {
      unsetenv(name);
    }
  }
  SimEnvironment(const SimEnvironment&) = delete;
  SimEnvironment& operator=(const SimEnvironment&) = delete;

  void Fail(const std::string& failures) { setenv("DREVAN_SIM_FAIL", failures.c_str(), 1); }
  // "Block.Field,...": those fields are stored wrongly while the writes report success.
  void Corrupt(const std::string& fields) { setenv("DREVAN_SIM_CORRUPT", fields.c_str(), 1); }
  void Delay(int milliseconds) {
    setenv("DREVAN_SIM_DELAY_MS", std::to_string(milliseconds).c_str(), 1);
  }
};

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's content with the bytes.
inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The messages of a log file, without their time stamps, as UTF-8. Lines that continue a
// message (no stamp) are kept as they are.
// The start's line that describes the card library.
inline constexpr std::string_view kCardLibraryLine = "门锁发卡库 ";

// The log's messages without their time stamps, and without the start's line about the card
// library unless asked for: the tests of requests look at what the requests wrote.
inline std::vector<std::string> LogMessages(const std::string& path, bool withLibraryLine = false) {
  std::vector<std::string> messages;
  for (const std::string& line : SplitLines(Utf8FromAnsi(ReadFileBytes(path)))) {
    const bool stamped = line.size() >= 20 && line[4] == '-' && line[7] == '-' && line[10] == ' ' &&
                         line[13] == ':' && line[16] == ':' && line[19] == ' ';
    std::string message = stamped ? line.substr(20) : line;
    if (!withLibraryLine && message.starts_with(kCardLibraryLine)) continue;
    messages.push_back(std::move(message));
  }
  return messages;
}

}  // namespace keydesk::test
