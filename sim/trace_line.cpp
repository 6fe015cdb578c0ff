#include "trace_line.h"

#include <fcntl.h>
#include <unistd.h>

#include "decimal.h"

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
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string record = std::string(line_).append(1, '\n');
  // A short write to a regular file only happens when the disk is full; the trace is then
  // incomplete anyway.
  [[maybe_unused]] const ssize_t written = write(fd, record.data(), record.size());
  close(fd);
}

}  // namespace keydesk::sim
