// Every conversion of a reference table made by the Linux build's code page layer (iconv,
// see make_cp936_reference) is made again by the Windows layer: the two must agree, so that
// texts, logs and card data come out the same on both, but for one difference of the
// platforms' tables that keydesk keeps on purpose (PrivateUse below).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/code_page.h"

namespace keydesk {
namespace {

std::string Bytes(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

std::u16string Units(const std::string& hex) {
  std::u16string units;
  for (size_t i = 0; i + 3 < hex.size(); i += 4) {
    units += static_cast<char16_t>(std::stoi(hex.substr(i, 4), nullptr, 16));
  }
  return units;
}

std::string Hex(std::u16string_view units) {
  std::string hex;
  char digits[8];
  for (const char16_t unit : units) {
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(unit));
    hex += digits;
  }
  return hex;
}

std::string Hex(std::string_view bytes) {
  std::string hex;
  char digits[4];
  for (const unsigned char byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hex += digits;
  }
  return hex;
}

bool IsPrivateUse(char16_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

// Windows's code page 936 maps GBK's user-defined areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0),
// where hotels keep characters of rare names, to and from the private use area; glibc's
// CP936 leaves them undefined. keydesk on Windows keeps them, as every Windows program does.
bool PrivateUse(char kind, const std::string& input, const std::string& onLinux,
                const std::string& onWindows) {
  if (kind == 'A') {
    const std::u16string units = Units(onWindows);
    return units.size() == 1 && IsPrivateUse(units[0]) && onLinux.rfind("003F", 0) == 0;
  }
  return IsPrivateUse(Units(input)[0]) && onLinux == "3F" && onWindows != "3F";
}

TEST(CodePageDifferential, ConvertsEveryCharacterAsTheLinuxBuildDoes) {
  const char* path = std::getenv("KEYDESK_CP936_REFERENCE");
  ASSERT_NE(path, nullptr) << "KEYDESK_CP936_REFERENCE names the table that "
                              "tests/windows/make_cp936_reference writes; CTest sets it";
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << path;
  int compared = 0;
  int mismatches = 0;
  int privateUse = 0;
  for (std::string line; std::getline(in, line);) {
    const size_t blank = line.find(' ');
    ASSERT_NE(blank, std::string::npos) << line;
    const std::string input = line.substr(1, blank - 1);
    const std::string expected = line.substr(blank + 1);
    const std::string ours =
        line[0] == 'A' ? Hex(UnicodeFromAnsi(Bytes(input))) : Hex(AnsiFromUnicode(Units(input)));
    ++compared;
    if (ours == expected) continue;
    if (PrivateUse(line[0], input, expected, ours)) {
      ++privateUse;
    } else if (++mismatches <= 40) {
      ADD_FAILURE() << line[0] << " " << input << ": Linux " << expected << ", Windows " << ours;
    }
  }
  // Every byte, every two-byte sequence and every UTF-16 unit: a cut table fails.
  EXPECT_EQ(compared, 256 + 126 * 208 + 65536 + 2);
  EXPECT_EQ(mismatches, 0) << "of " << compared << " conversions";
  // Both ways for each of the areas' 1894 characters and the few more that Windows maps.
  EXPECT_GT(privateUse, 2 * 1894);
}

}  // namespace
}  // namespace keydesk
