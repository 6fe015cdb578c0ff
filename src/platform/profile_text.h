#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keydesk {

// The bytes of a profile file as lines of code page 936 text, and text back as the file's
// bytes. As the Windows profile functions read a file: one that begins with a byte order mark
// is UTF-16 (little- or big-endian) or UTF-8, any other is ANSI (code page 936 bytes, taken as
// they are); a line ends with CR LF, LF or a CR alone. So a file that Notepad saved as
// "Unicode" or with Mac line ends reads as it does on Windows. Thread-safe: no state.

enum class ProfileEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct ProfileTextLine {
  std::string text;    // code page 936, without the line end
  std::string ending;  // "\r\n", "\n", "\r", or empty for a last line without one
  // False when text has a "?" for a character that code page 936 lacks (or for bytes that are
  // no character in the file's encoding).
  bool exact = true;
  std::string bytes;  // the line as the file holds it, line end included
};

struct ProfileText {
  ProfileEncoding encoding = ProfileEncoding::kAnsi;
  std::vector<ProfileTextLine> lines;
  // Why the bytes are no text: a NUL, or bytes invalid in the encoding. Code page 936 text
  // naming the first such line; none when every line is text.
  std::optional<std::string> fault;
};

ProfileText DecodeProfileText(std::string_view bytes);

// The byte order mark that a file of the encoding begins with; empty for ANSI.
std::string_view ByteOrderMark(ProfileEncoding encoding);

// Code page 936 text as bytes of the encoding; none when it is not valid code page 936 text
// and the encoding is not ANSI, which takes the bytes as they are.
std::optional<std::string> EncodeProfileText(std::string_view text, ProfileEncoding encoding);

}  // namespace keydesk
