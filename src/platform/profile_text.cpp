#include "platform/profile_text.h"

#include <cstdint>

#include "platform/code_page.h"

namespace keydesk {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsWellFormed(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return false;
    }
  }
  return true;
}

// None for an overlong form, a surrogate, a value above U+10FFFF or a cut sequence.
std::optional<std::u16string> Utf16FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (size_t at = 0; at < bytes.size();) {
    const unsigned char lead = byte(at);
    size_t length = 1;
    char32_t value = lead;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return std::nullopt;
    }
    if (bytes.size() - at < length) return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
      const unsigned char next = byte(at + i);
      if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return std::nullopt;
      value = value << 6 | (next & 0x3F);
    }
    if (value < 0x10000) {
      out += static_cast<char16_t>(value);
    } else {
      value -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (value >> 10));
      out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    }
    at += length;
  }
  return out;
}

// text is well-formed: it comes from code page 936.
std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The file's text as code units, whatever their width: bytes for ANSI and UTF-8, 16-bit units
// for UTF-16. A line end is the same unit in each.
struct Units {
  ProfileEncoding encoding;
  std::string_view bytes;  // after the byte order mark
  size_t width() const {
    return encoding == ProfileEncoding::kUtf16Le || encoding == ProfileEncoding::kUtf16Be ? 2 : 1;
  }
  size_t size() const { return bytes.size() / width(); }
  char16_t operator[](size_t i) const {
    const auto byte = [&](size_t at) {
      return static_cast<char16_t>(static_cast<uint8_t>(bytes[at]));
    };
    switch (encoding) {
      case ProfileEncoding::kUtf16Le:
        return static_cast<char16_t>(byte(2 * i) | byte(2 * i + 1) << 8);
      case ProfileEncoding::kUtf16Be:
        return static_cast<char16_t>(byte(2 * i) << 8 | byte(2 * i + 1));
      default:
        return byte(i);
    }
  }
  std::u16string Wide(size_t from, size_t to) const {
    std::u16string out;
    for (size_t i = from; i < to; ++i) out += (*this)[i];
    return out;
  }
};

// The line's code page 936 text from its units; "?" stands for what cannot be converted, and
// the fault says why the units are no text at all.
void Convert(const Units& units, size_t from, size_t to, ProfileTextLine& line,
             std::optional<std::string>& fault) {
  const std::string_view own =
      units.bytes.substr(from * units.width(), (to - from) * units.width());
  const auto name = [](ProfileEncoding encoding) {
    return encoding == ProfileEncoding::kUtf8 ? "UTF-8" : "UTF-16";
  };
  std::optional<std::u16string> wide;
  switch (units.encoding) {
    case ProfileEncoding::kAnsi:
      line.text = own;
      if (own.find('\0') != std::string_view::npos) fault = "有 NUL 字节，不是文本";
      return;
    case ProfileEncoding::kUtf8:
      wide = Utf16FromUtf8(own);
      break;
    default:
      wide = units.Wide(from, to);
      if (!IsWellFormed(*wide)) wide.reset();
      break;
  }
  if (!wide) {
    line.text = units.encoding == ProfileEncoding::kUtf8 ? AnsiFromUtf8(own)
                                                         : AnsiFromUnicode(units.Wide(from, to));
    line.exact = false;
    fault = std::string("不是有效的 ") + name(units.encoding) + " 文本";
    return;
  }
  if (wide->find(u'\0') != std::u16string::npos) fault = "有 NUL 字符，不是文本";
  if (std::optional<std::string> exact = ExactAnsiFromUnicode(*wide)) {
    line.text = *std::move(exact);
  } else {
    line.text = AnsiFromUnicode(*wide);
    line.exact = false;
  }
}

}  // namespace

ProfileText DecodeProfileText(std::string_view bytes) {
  ProfileText text;
  if (bytes.starts_with(kUtf8Mark)) {
    text.encoding = ProfileEncoding::kUtf8;
  } else if (bytes.starts_with(kUtf16LeMark)) {
    text.encoding = ProfileEncoding::kUtf16Le;
  } else if (bytes.starts_with(kUtf16BeMark)) {
    text.encoding = ProfileEncoding::kUtf16Be;
  }
  const std::string_view mark = ByteOrderMark(text.encoding);
  const Units units{text.encoding, bytes.substr(mark.size())};
  const size_t width = units.width();
  const size_t count = units.size();
  // A UTF-16 file of an odd number of bytes ends in half a unit, a line of its own.
  const bool halfUnit = units.bytes.size() % width != 0;
  for (size_t start = 0; start < count || (start == count && halfUnit);) {
    size_t end = start;
    while (end < count && units[end] != u'\r' && units[end] != u'\n') ++end;
    size_t next = end;
    if (next < count && units[next] == u'\r') ++next;
    if (next < count && units[next] == u'\n') ++next;
    ProfileTextLine line;
    for (size_t i = end; i < next; ++i) line.ending += static_cast<char>(units[i]);
    std::optional<std::string> lineFault;
    Convert(units, start, end, line, lineFault);
    const bool last = next == count && (line.ending.empty() || !halfUnit);
    if (last && halfUnit) {
      lineFault = "不是有效的 UTF-16 文本";
      line.exact = false;
    }
    const size_t byteEnd = last ? units.bytes.size() : next * width;
    line.bytes = units.bytes.substr(start * width, byteEnd - start * width);
    if (lineFault && !text.fault) {
      text.fault = AnsiFromUtf8("第 " + std::to_string(text.lines.size() + 1) + " 行" + *lineFault);
    }
    text.lines.push_back(std::move(line));
    if (last) break;
    start = next;
  }
  return text;
}

std::string_view ByteOrderMark(ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::kUtf8:
      return kUtf8Mark;
    case ProfileEncoding::kUtf16Le:
      return kUtf16LeMark;
    case ProfileEncoding::kUtf16Be:
      return kUtf16BeMark;
    default:
      return {};
  }
}

std::optional<std::string> EncodeProfileText(std::string_view text, ProfileEncoding encoding) {
  if (encoding == ProfileEncoding::kAnsi) return std::string(text);
  const std::optional<std::u16string> wide = ExactUnicodeFromAnsi(text);
  if (!wide) return std::nullopt;
  if (encoding == ProfileEncoding::kUtf8) return Utf8FromUtf16(*wide);
  std::string out;
  out.reserve(wide->size() * 2);
  for (const char16_t unit : *wide) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    out += encoding == ProfileEncoding::kUtf16Le ? low : high;
    out += encoding == ProfileEncoding::kUtf16Le ? high : low;
  }
  return out;
}

}  // namespace keydesk
