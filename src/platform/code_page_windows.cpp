#include <windows.h>

#include <optional>

#include "platform/code_page.h"

namespace keydesk {
namespace {

// The system's inside code page, whatever the workstation's ANSI code page is.
constexpr UINT kAnsi = 936;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The whole text in one call; none when some character has no code page 936 form. No
// best-fit mapping: a character the code page lacks is not replaced by a look-alike.
std::optional<std::string> EncodeExactly(std::u16string_view text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(kAnsi, WC_NO_BEST_FIT_CHARS, Wide(text.data()), size,
                                         nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(kAnsi, WC_NO_BEST_FIT_CHARS, Wide(text.data()), size, out.data(), length,
                      nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  return out;
}

// The whole text in one call; none when some bytes are not a code page 936 character.
std::optional<std::u16string> DecodeExactly(std::string_view text) {
  if (text.empty()) return std::u16string();
  const int size = static_cast<int>(text.size());
  const int length =
      MultiByteToWideChar(kAnsi, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::u16string out(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(kAnsi, MB_ERR_INVALID_CHARS, text.data(), size,
                      reinterpret_cast<wchar_t*>(out.data()), length);
  return out;
}

// Bytes of the UTF-8 character at the start of text that a failed conversion passes over:
// the lead byte and the continuation bytes that follow it, up to the length it announces.
size_t Utf8SkipLength(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t valid = 1;
  while (valid < length && valid < text.size() &&
         (static_cast<unsigned char>(text[valid]) & 0xC0) == 0x80) {
    ++valid;
  }
  return valid;
}

// The code point of the well-formed UTF-8 character at the start of text and its length;
// none for an overlong form, a surrogate, a value above U+10FFFF or a cut sequence.
std::optional<std::pair<char32_t, size_t>> DecodeUtf8Character(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return std::pair{char32_t{lead}, size_t{1}};
  size_t length = 0;
  char32_t value = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
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
  if (text.size() < length) return std::nullopt;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return std::nullopt;
    value = value << 6 | (next & 0x3F);
  }
  return std::pair{value, length};
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
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

}  // namespace

// Most texts convert whole in one call. Only a text with a character that does not convert
// is taken apart, character by character, so that each such character becomes exactly one
// "?" (a surrogate pair is one character), as the other platforms' conversions give it.

std::string AnsiFromUnicode(std::u16string_view text) {
  if (std::optional<std::string> whole = EncodeExactly(text)) return *std::move(whole);
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const bool pair =
        IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1]);
    const size_t length = pair ? 2 : 1;
    const std::optional<std::string> one = EncodeExactly(text.substr(at, length));
    out += one ? *one : "?";
    at += length;
  }
  return out;
}

std::u16string UnicodeFromAnsi(std::string_view text) {
  if (std::optional<std::u16string> whole = DecodeExactly(text)) return *std::move(whole);
  std::u16string out;
  for (size_t at = 0; at < text.size();) {
    // A lead byte whose pair is no character stands alone, and the byte after it is read
    // afresh.
    if (IsDBCSLeadByteEx(kAnsi, static_cast<BYTE>(text[at])) && at + 1 < text.size()) {
      if (std::optional<std::u16string> two = DecodeExactly(text.substr(at, 2))) {
        out += *two;
        at += 2;
        continue;
      }
    }
    const std::optional<std::u16string> one = DecodeExactly(text.substr(at, 1));
    out += one ? *one : u"?";
    at += 1;
  }
  return out;
}

std::string AnsiFromUtf8(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  while (!text.empty()) {
    if (const auto character = DecodeUtf8Character(text)) {
      AppendUtf16(wide, character->first);
      text.remove_prefix(character->second);
    } else {
      wide += u'?';
      text.remove_prefix(Utf8SkipLength(text));
    }
  }
  return AnsiFromUnicode(wide);
}

std::string Utf8FromAnsi(std::string_view text) {
  const std::u16string wide = UnicodeFromAnsi(text);
  std::string out;
  out.reserve(wide.size() * 3);
  for (size_t at = 0; at < wide.size(); ++at) {
    char32_t c = wide[at];
    if (IsHighSurrogate(wide[at]) && at + 1 < wide.size() && IsLowSurrogate(wide[at + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[++at] - 0xDC00);
    }
    AppendUtf8(out, c);
  }
  return out;
}

bool IsAnsiText(std::string_view bytes) { return DecodeExactly(bytes).has_value(); }

std::optional<std::string> ExactAnsiFromUnicode(std::u16string_view text) {
  return EncodeExactly(text);
}

std::optional<std::u16string> ExactUnicodeFromAnsi(std::string_view text) {
  return DecodeExactly(text);
}

}  // namespace keydesk
