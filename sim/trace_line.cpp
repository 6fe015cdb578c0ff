#include "trace_line.h"

#include "decimal.h"
#include "sim_platform.h"

namespace keydesk::sim {

TraceLine::TraceLine(std::string_view function) : line_(function) {}

TraceLine& TraceLine::Integer(int64_t value) {
  line_ += ' ';
  line_ += FormatDecimal(value);
  return *this;
}

TraceLine& TraceLine::Text(const char* text) {
  line_ += ' ';
  if (text == nullptr) {
    line_ += "(null)";
    return *this;
  }
  // Code page 936 trail bytes are never below 0x40, so these bytes are real line breaks.
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\n') {
      line_ += "\\n";
    } else if (*c == '\r') {
      line_ += "\\r";
    } else {
      line_ += *c;
    }
  }
  return *this;
}

TraceLine& TraceLine::Out(const void* pointer) {
  line_ += pointer == nullptr ? " (null)" : " out";
  return *this;
}

void TraceLine::AppendTo(const std::string& path) const {
  if (path.empty()) return;
  AppendToFile(path, std::string(line_).append(1, '\n'));
}

}  // namespace keydesk::sim
