#pragma once

#include <string>
#include <vector>

namespace keydesk {

// One key of the 系统设置 dialog: where it stands in Option.ini, its caption and what it
// opens with.
enum class SettingKind { Number, Switch, Text };

struct SettingField {
  const char* Section;
  const char* Key;
  const char* Caption;  // UTF-8
  SettingKind Kind;
  std::string Value;  // as it stands in the file, code page 936; a switch is "1" or "0"
};

// The keys that otherwise need a text editor: the listening ports, WriteLog, the door lock's
// delays and journal switches, and [Network] with [Log] KeepDays. They are read at start-up
// and never change while keydesk runs (connection threads read them without a lock), so the
// dialog writes Option.ini only, and every change takes effect at the next start.
//
// Main thread only, like every write of Option.ini.
class SystemSettings {
 public:
  // Reads the keys' values from the file; a missing key opens with its default.
  explicit SystemSettings(std::string optionFile);

  const std::vector<SettingField>& Fields() const { return fields_; }

  // Takes the dialog's entries, one per field in the order of Fields (a switch "1" or "0").
  // Checks every entry first and raises Error naming the field (in Chinese) at the first that
  // cannot be read, writing nothing. Then writes only the keys whose entry differs from what
  // the file held, and returns what the clerk is told (code page 936): which keys were saved
  // and that they take effect after a restart, or that nothing changed. Raises IoError
  // "Unable to write to %s" when the file cannot be written; keys before it are written.
  std::string Save(const std::vector<std::string>& entries);

 private:
  std::string file_;
  std::vector<SettingField> fields_;
};

}  // namespace keydesk
