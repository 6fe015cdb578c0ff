#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/errors.h"

namespace keydesk {
namespace {

static_assert(std::endian::native == std::endian::little, "UTF-16 is handed to iconv as UTF-16LE");

constexpr const char* kAnsi = "CP936";
constexpr const char* kUtf16 = "UTF-16LE";
constexpr const char* kUtf8 = "UTF-8";

// How many input bytes make up the character that iconv refused at `at`.
using CharacterLength = size_t (*)(const char* at, size_t left);

size_t Utf16CharacterLength(const char* at, size_t left) {
  if (left < 4) return left < 2 ? left : 2;
  const unsigned first = static_cast<unsigned char>(at[0]) | static_cast<unsigned char>(at[1]) << 8;
  const unsigned second = static_cast<unsigned char>(at[2]) | static_cast<unsigned char>(at[3])
                                                                  << 8;
  const bool pair = first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF;
  return pair ? 4 : 2;
}

size_t Utf8CharacterLength(const char* at, size_t left) {
  const unsigned char lead = static_cast<unsigned char>(at[0]);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t valid = 1;
  while (valid < length && valid < left && (static_cast<unsigned char>(at[valid]) & 0xC0) == 0x80) {
    ++valid;
  }
  return valid;
}

size_t SingleByte(const char*, size_t) { return 1; }

// One iconv descriptor, owned. Not thread-safe; each thread keeps its own.
class Converter {
 public:
  Converter(const char* to, const char* from, CharacterLength characterLength)
      : descriptor_(iconv_open(to, from)), characterLength_(characterLength) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error(std::string("No conversion from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(descriptor_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts the bytes; each character that cannot be converted becomes one "?" in the
  // output (which for UTF-16 output is the two bytes '?' 0).
  std::string Convert(const char* input, size_t size, std::string_view question) {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string out(size * 2 + 16, '\0');
    char* in = const_cast<char*>(input);
    size_t inLeft = size;
    size_t used = 0;
    while (inLeft > 0) {
      char* outPtr = out.data() + used;
      size_t outLeft = out.size() - used;
      const size_t result = iconv(descriptor_, &in, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else if (errno == EILSEQ || errno == EINVAL) {
        const size_t skip = std::max<size_t>(1, characterLength_(in, inLeft));
        in += std::min(skip, inLeft);
        inLeft -= std::min(skip, inLeft);
        if (out.size() - used < question.size()) out.resize(out.size() * 2);
        std::memcpy(out.data() + used, question.data(), question.size());
        used += question.size();
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
      } else {
        break;
      }
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t descriptor_;
  CharacterLength characterLength_;
};

// One iconv descriptor that gives up at the first character it cannot convert. Not
// thread-safe; each thread keeps its own.
class StrictConverter {
 public:
  StrictConverter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw Error(std::string("No conversion from ") + from + " to " + to);
    }
  }
  ~StrictConverter() { iconv_close(descriptor_); }
  StrictConverter(const StrictConverter&) = delete;
  StrictConverter& operator=(const StrictConverter&) = delete;

  std::optional<std::string> Convert(const char* input, size_t size) {
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    std::string out(size * 2 + 16, '\0');
    char* in = const_cast<char*>(input);
    size_t inLeft = size;
    size_t used = 0;
    while (inLeft > 0) {
      char* outPtr = out.data() + used;
      size_t outLeft = out.size() - used;
      const size_t result = iconv(descriptor_, &in, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (result != static_cast<size_t>(-1)) break;
      if (errno != E2BIG) return std::nullopt;  // EILSEQ, or EINVAL for a cut character
      out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t descriptor_;
};

constexpr std::string_view kQuestion = "?";
constexpr std::string_view kQuestion16{"?\0", 2};

}  // namespace

std::string AnsiFromUnicode(std::u16string_view text) {
  thread_local Converter converter(kAnsi, kUtf16, Utf16CharacterLength);
  return converter.Convert(reinterpret_cast<const char*>(text.data()), text.size() * 2, kQuestion);
}

std::u16string UnicodeFromAnsi(std::string_view text) {
  thread_local Converter converter(kUtf16, kAnsi, SingleByte);
  const std::string bytes = converter.Convert(text.data(), text.size(), kQuestion16);
  std::u16string out(bytes.size() / 2, u'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

std::string AnsiFromUtf8(std::string_view text) {
  thread_local Converter converter(kAnsi, kUtf8, Utf8CharacterLength);
  return converter.Convert(text.data(), text.size(), kQuestion);
}

bool IsAnsiText(std::string_view bytes) { return ExactUnicodeFromAnsi(bytes).has_value(); }

std::optional<std::string> ExactAnsiFromUnicode(std::u16string_view text) {
  thread_local StrictConverter converter(kAnsi, kUtf16);
  return converter.Convert(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::optional<std::u16string> ExactUnicodeFromAnsi(std::string_view text) {
  thread_local StrictConverter converter(kUtf16, kAnsi);
  const std::optional<std::string> bytes = converter.Convert(text.data(), text.size());
  if (!bytes) return std::nullopt;
  std::u16string out(bytes->size() / 2, u'\0');
  std::memcpy(out.data(), bytes->data(), out.size() * 2);
  return out;
}

std::string Utf8FromAnsi(std::string_view text) {
  thread_local Converter converter(kUtf8, kAnsi, SingleByte);
  return converter.Convert(text.data(), text.size(), kQuestion);
}

}  // namespace keydesk
