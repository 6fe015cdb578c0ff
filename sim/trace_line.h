// The call trace of the simulated encoder: one line per call, for tests to compare.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keydesk::sim {

// One trace line: the function name, then every argument in call order, each after a single
// space. Integers in decimal, texts as given (a line break in a text is written as \n or \r
// so that one call stays one line), a null pointer as "(null)", an out pointer as "out".
class TraceLine {
 public:
  explicit TraceLine(std::string_view function);

  TraceLine& Integer(int64_t value);
  TraceLine& Text(const char* text);
  TraceLine& Out(const void* pointer);

  const std::string& Line() const { return line_; }

  // Appends the line and its "\n" to the file at path with one write to the file's end, so
  // that lines of concurrent callers, threads or processes, never mix.
  // Does nothing when path is empty; a file that cannot be written is ignored.
  void AppendTo(const std::string& path) const;

 private:
  std::string line_;
};

}  // namespace keydesk::sim
