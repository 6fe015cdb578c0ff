#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keydesk {

// The named texts of one record, in the order they are written.
class FieldRecord {
 public:
  // Replaces the field's value, or adds the field at the end.
  void Set(std::string_view name, std::string value);
  // The field's value; nullptr when the record has no such field.
  const std::string* Find(std::string_view name) const;
  // The field's value, or empty text.
  std::string Get(std::string_view name) const;

  const std::vector<std::pair<std::string, std::string>>& Fields() const { return fields_; }

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
};

// A small text file holding one record, as kept by the simulated devices: one "Name=value"
// line per field, ended by CR LF or LF. In values a backslash, a carriage return and a line
// feed are written as \\, \r and \n; every other byte is stored as given, blanks included.
// Lines without "=" and lines starting with "#" are ignored when reading, so the file can be
// edited by hand.
//
// Not synchronised: callers serialise their own calls. Readers never see half a record,
// because a write replaces the file in one rename.
class FieldFile {
 public:
  explicit FieldFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // The record; none when the file does not exist or cannot be read.
  std::optional<FieldRecord> Read() const;
  // Replaces the file with the record; false when it cannot be written.
  bool Write(const FieldRecord& record) const;
  // Removes the file; false when it did not exist or cannot be removed.
  bool Remove() const;

 private:
  std::string path_;
};

// Appends bytes to the file at path, creating it when missing; false when it cannot be
// written.
bool AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace keydesk
