#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

// One key of one section of a Windows-style profile file (Option.ini), read and written
// with the behaviour of the Windows profile functions: section and key names match without
// regard to letter case, blanks around names and values are ignored, the first matching
// section and key win, and every line this class does not change is kept as it was. A file
// with a byte order mark is UTF-16 or UTF-8 and any other ANSI, as Windows reads it (see
// profile_text.h); names and values are code page 936 text here whatever the file holds, and
// a file is written in the encoding and with the line ends it has.
//
// Every call goes to the file afresh; nothing is cached. Thread-safe: reads and writes
// within the process are serialised, and a write replaces the file in one rename, so a
// reader in another process never sees a half-written file either.
class ProfileFile {
 public:
  static constexpr size_t kMaxValueLength = 2047;

  explicit ProfileFile(std::string path);

  const std::string& Path() const { return path_; }

  // The value as stored (at most kMaxValueLength bytes), or defaultValue when the file, the
  // section or the key is missing, or the file cannot be read as text (TextFault). A key
  // present with an empty value reads as empty text.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

  // The values of several keys of one section from one reading of the file, so that they
  // belong together even while the file is being replaced; a missing key gives
  // defaultValue. None when the file cannot be read, or not as text.
  std::optional<std::vector<std::string>> ReadStrings(std::string_view section,
                                                      const std::vector<std::string_view>& keys,
                                                      std::string_view defaultValue) const;

  // Why the file is there but cannot be read as text, as code page 936 text naming the line
  // and the fault: a NUL, bytes invalid in the file's encoding, or in a section's name, key
  // or value a character that code page 936 lacks. None when it can be read, is missing or
  // cannot be opened at all.
  std::optional<std::string> TextFault() const;

  // Sets the key, creating the file, the section or the key when missing. Raises IoError
  // "Unable to write to %s" with the path when the file cannot be written, cannot be read as
  // text, or cannot hold the text in its encoding.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string path_;
};

}  // namespace keydesk
