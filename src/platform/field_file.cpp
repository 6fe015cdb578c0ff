#include "platform/field_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace keydesk {
namespace {

std::string EscapeValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\n':
        escaped += "\\n";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// A backslash before any other character, or at the end, stands for itself.
std::string UnescapeValue(std::string_view value) {
  std::string text;
  text.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[i + 1];
      if (next == '\\' || next == 'r' || next == 'n') {
        text += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
        ++i;
        continue;
      }
    }
    text += value[i];
  }
  return text;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The whole file; none when it cannot be opened or read (a folder cannot be read).
std::optional<std::string> ReadAll(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return content;
}

}  // namespace

void FieldRecord::Set(std::string_view name, std::string value) {
  for (auto& [fieldName, fieldValue] : fields_) {
    if (fieldName == name) {
      fieldValue = std::move(value);
      return;
    }
  }
  fields_.emplace_back(std::string(name), std::move(value));
}

const std::string* FieldRecord::Find(std::string_view name) const {
  for (const auto& [fieldName, fieldValue] : fields_) {
    if (fieldName == name) return &fieldValue;
  }
  return nullptr;
}

std::string FieldRecord::Get(std::string_view name) const {
  const std::string* value = Find(name);
  return value != nullptr ? *value : std::string();
}

std::optional<FieldRecord> FieldFile::Read() const {
  const std::optional<std::string> content = ReadAll(path_);
  if (!content) return std::nullopt;
  FieldRecord record;
  size_t start = 0;
  while (start < content->size()) {
    size_t end = content->find('\n', start);
    if (end == std::string::npos) end = content->size();
    std::string_view line(content->data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
    record.Set(line.substr(0, equals), UnescapeValue(line.substr(equals + 1)));
  }
  return record;
}

bool FieldFile::Write(const FieldRecord& record) const {
  std::string content;
  for (const auto& [name, value] : record.Fields()) {
    content += name;
    content += '=';
    content += EscapeValue(value);
    content += "\r\n";
  }
  std::string temp = path_ + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path_.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool FieldFile::Remove() const { return ::unlink(path_.c_str()) == 0; }

bool AppendToFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, bytes);
  return ::close(fd) == 0 && ok;
}

}  // namespace keydesk
