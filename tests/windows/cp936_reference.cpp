// Writes, to standard output, what the Linux build's code page 936 conversions (iconv) make
// of every single byte, every two-byte sequence with a lead byte, and every UTF-16 code unit,
// for the Windows build's differential code page test. One line per input:
//   A<input bytes in hex> <UTF-16 units in hex>    (UnicodeFromAnsi)
//   U<UTF-16 units in hex> <bytes in hex>          (AnsiFromUnicode)
#include <cstdio>
#include <string>

#include "platform/code_page.h"

namespace {

void PrintHex(const std::string& bytes) {
  for (const unsigned char c : bytes) std::printf("%02X", c);
}

void PrintHex(const std::u16string& units) {
  for (const char16_t c : units) std::printf("%04X", static_cast<unsigned>(c));
}

void Ansi(const std::string& input) {
  std::printf("A");
  PrintHex(input);
  std::printf(" ");
  PrintHex(keydesk::UnicodeFromAnsi(input));
  std::printf("\n");
}

void Unicode(const std::u16string& input) {
  std::printf("U");
  PrintHex(input);
  std::printf(" ");
  PrintHex(keydesk::AnsiFromUnicode(input));
  std::printf("\n");
}

}  // namespace

int main() {
  for (int byte = 0; byte <= 0xFF; ++byte) Ansi(std::string(1, static_cast<char>(byte)));
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x30; trail <= 0xFF; ++trail) {
      Ansi({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  for (int unit = 0; unit <= 0xFFFF; ++unit)
    Unicode(std::u16string(1, static_cast<char16_t>(unit)));
  // Characters beyond the first plane, as surrogate pairs: an emoji and a rare ideograph.
  Unicode(u"\U0001F600");
  Unicode(u"\U00020000");
  return 0;
}
