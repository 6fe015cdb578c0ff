#include "platform/profile_file.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/mutex.h"
#include "platform/paths.h"
#include "platform/profile_text.h"

namespace keydesk {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Two ProfileFile objects (the system options and the door lock options) rewrite the same
// file; each write reads, changes and replaces the whole file, so writes are serialised
// across all objects, not per object, or one would lose the other's key. Reads hold the same
// lock while they have the file open: on Windows an open file holds off the rename that
// replaces it, and a thread of this process reading in a loop would starve the write.
Mutex fileMutex;

std::optional<std::string> ReadWholeProfile(const std::string& path) {
  const MutexLock lock(fileMutex);
  return ReadWholeFile(path);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// First byte of a two-byte code page 936 character. Its second byte may have the code of an
// ASCII letter or of "]", so it is never folded or taken for punctuation.
bool IsLeadByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x81 && byte <= 0xFE;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

// Cuts at a character boundary, so that a two-byte character is never split.
std::string_view CutToMaxLength(std::string_view value) {
  if (value.size() <= ProfileFile::kMaxValueLength) return value;
  size_t end = 0;
  while (end < value.size()) {
    const size_t step = IsLeadByte(value[end]) && end + 1 < value.size() ? 2 : 1;
    if (end + step > ProfileFile::kMaxValueLength) break;
    end += step;
  }
  return value.substr(0, end);
}

enum class LineKind { kOther, kSection, kKey };

struct Line {
  const ProfileTextLine* source = nullptr;
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, blanks trimmed
  std::string_view value;  // key value, blanks trimmed, quotes kept
  bool hasValue = false;   // a key line with "="
};

void Classify(Line& line) {
  const std::string_view text = TrimBlanks(line.source->text);
  if (text.empty() || text.front() == ';') return;
  if (text.front() == '[') {
    // The last "]" closes the name, so that any name written as "[name]" reads back.
    size_t close = std::string_view::npos;
    for (size_t i = 1; i < text.size(); ++i) {
      if (IsLeadByte(text[i]) && i + 1 < text.size()) {
        ++i;
      } else if (text[i] == ']') {
        close = i;
      }
    }
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = TrimBlanks(text.substr(1, close - 1));
    }
    return;
  }
  // A name without "=" is a key without a value, as the Windows profile functions take it:
  // it is found like any key, and reads as missing.
  const size_t equals = text.find('=');
  line.kind = LineKind::kKey;
  line.name = TrimBlanks(text.substr(0, equals));
  if (equals == std::string_view::npos) return;
  line.hasValue = true;
  line.value = TrimBlanks(text.substr(equals + 1));
}

// The lines of a profile file's content, classified, and why the content cannot be read, if it
// cannot. Not copyable: the lines point into the text.
struct Profile {
  explicit Profile(std::string_view bytes) : text(DecodeProfileText(bytes)), fault(text.fault) {
    bool inSection = false;
    lines.reserve(text.lines.size());
    for (size_t i = 0; i < text.lines.size(); ++i) {
      Line line;
      line.source = &text.lines[i];
      Classify(line);
      inSection = inSection || line.kind == LineKind::kSection;
      // Such a name cannot be asked for, and such a value cannot be given, in code page 936;
      // lines before the first section and comments are never read.
      if (!fault && !line.source->exact && inSection && line.kind != LineKind::kOther) {
        fault = AnsiFromUtf8("第 " + std::to_string(i + 1) + " 行有 GBK（代码页 936）中没有的字符");
      }
      lines.push_back(line);
    }
  }
  Profile(const Profile&) = delete;
  Profile& operator=(const Profile&) = delete;

  ProfileText text;
  std::optional<std::string> fault;
  std::vector<Line> lines;
};

struct Place {
  std::optional<size_t> section;  // header of the first matching section
  std::optional<size_t> key;      // first matching key line inside it
  size_t lastKey = 0;             // last key line of the section, or its header
};

Place Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Place place;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == LineKind::kSection) {
      if (place.section) break;
      if (SameName(line.name, section)) place.section = place.lastKey = i;
    } else if (place.section && line.kind == LineKind::kKey) {
      place.lastKey = i;
      if (!place.key && SameName(line.name, key)) place.key = i;
    }
  }
  return place;
}

// Reading trims blanks and strips one pair of quotes, so a value that would change on the
// way back is stored inside double quotes.
std::string StoredValue(std::string_view value) {
  if (value == TrimBlanks(value) && !IsQuoted(value)) return std::string(value);
  std::string stored = "\"";
  stored += value;
  stored += '"';
  return stored;
}

// A line break would split the line, a NUL would make the file no text, and a key with "="
// or starting like a comment or a section would not read back; such text is refused rather
// than stored damaged.
bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
  const auto unsafe = [](std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  if (unsafe(section) || unsafe(key) || unsafe(value)) return false;
  const std::string_view name = TrimBlanks(key);
  if (name.find('=') != std::string_view::npos) return false;
  return name.empty() || (name.front() != ';' && name.front() != '[');
}

// Lines added take the line end the file has, so that it keeps one kind of line end.
std::string_view NewLineEnd(const ProfileText& text) {
  for (const ProfileTextLine& line : text.lines) {
    if (!line.ending.empty()) return line.ending;
  }
  return kLineEnd;
}

// The file's new bytes, in the encoding it was read in: lines not changed as they were, byte
// for byte. None when the new text has no form in that encoding.
std::optional<std::string> Compose(const Profile& profile, std::string_view section,
                                   std::string_view key, std::string_view value) {
  const std::vector<Line>& lines = profile.lines;
  const Place place = Find(lines, TrimBlanks(section), TrimBlanks(key));
  const ProfileEncoding encoding = profile.text.encoding;
  const std::string_view newLine = NewLineEnd(profile.text);
  std::string keyLine(key);
  keyLine += '=';
  keyLine += StoredValue(value);

  std::string out(ByteOrderMark(encoding));
  bool encoded = true;
  const auto add = [&](std::string_view text) {
    const std::optional<std::string> bytes = EncodeProfileText(text, encoding);
    if (bytes) out += *bytes;
    encoded = encoded && bytes.has_value();
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    const ProfileTextLine& line = *lines[i].source;
    if (place.key == i) {
      add(keyLine);
      add(line.ending.empty() ? newLine : line.ending);
      continue;
    }
    out += line.bytes;
    if (!place.key && place.section && place.lastKey == i) {
      if (line.ending.empty()) add(newLine);
      add(keyLine);
      add(newLine);
    }
  }
  if (!place.section) {
    if (!lines.empty() && lines.back().source->ending.empty()) add(newLine);
    add("[" + std::string(section) + "]");
    add(newLine);
    add(keyLine);
    add(newLine);
  }
  if (!encoded) return std::nullopt;
  return out;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  const std::optional<std::string> content = ReadWholeProfile(path_);
  if (!content) return std::string(defaultValue);
  const Profile profile(*content);
  if (profile.fault) return std::string(defaultValue);
  const Place place = Find(profile.lines, TrimBlanks(section), TrimBlanks(key));
  if (!place.key || !profile.lines[*place.key].hasValue) return std::string(defaultValue);
  std::string_view value = profile.lines[*place.key].value;
  if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  return std::string(CutToMaxLength(value));
}

std::optional<std::vector<std::string>> ProfileFile::ReadStrings(
    std::string_view section, const std::vector<std::string_view>& keys,
    std::string_view defaultValue) const {
  const std::optional<std::string> content = ReadWholeProfile(path_);
  if (!content) return std::nullopt;
  const Profile profile(*content);
  if (profile.fault) return std::nullopt;
  std::vector<std::string> values;
  for (std::string_view key : keys) {
    const Place place = Find(profile.lines, TrimBlanks(section), TrimBlanks(key));
    if (!place.key || !profile.lines[*place.key].hasValue) {
      values.emplace_back(defaultValue);
      continue;
    }
    std::string_view value = profile.lines[*place.key].value;
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
    values.emplace_back(CutToMaxLength(value));
  }
  return values;
}

std::optional<std::string> ProfileFile::TextFault() const {
  const std::optional<std::string> content = ReadWholeProfile(path_);
  if (!content) return std::nullopt;
  return Profile(*content).fault;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const MutexLock lock(fileMutex);
  if (CanStore(section, key, value)) {
    FileRewrite rewrite(path_);
    if (rewrite.Existing()) {
      // A file that cannot be read is not rewritten: its lines would be placed wrongly or lost.
      const Profile profile(*rewrite.Existing());
      const std::optional<std::string> composed =
          profile.fault ? std::nullopt : Compose(profile, section, key, value);
      if (composed && rewrite.Commit(*composed)) return;
    }
  }
  throw IoError(Substitute(kUnableToWrite, AnsiFromPath(path_)));
}

}  // namespace keydesk
