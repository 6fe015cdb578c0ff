#include "platform/field_file.h"

#include "platform/file_io.h"

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
  const std::optional<std::string> content = ReadWholeFile(path_);
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
  return ReplaceWholeFile(path_, content);
}

bool FieldFile::Remove() const { return RemoveFile(path_); }

bool AppendToFile(const std::string& path, std::string_view bytes) {
  return AppendWholeBytes(path, bytes);
}

}  // namespace keydesk
