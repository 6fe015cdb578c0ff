// Option.ini files made from a fixed seed, each read key by key through the Windows profile
// function GetPrivateProfileStringA and through ProfileFile: the values must agree, so that
// keydesk reads a hand-edited file as the Windows functions would.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

constexpr int kFiles = 200;
constexpr const char* kDefault = "<default>";
// The buffer the system reads with: values of at most 2047 characters.
constexpr DWORD kBufferSize = ProfileFile::kMaxValueLength + 1;

// Names as the files spell them and as the program asks for them: case, blanks, code page
// 936 (门锁, 设置Abc, 端口), a blank inside.
const std::vector<std::string> kSections = {"SysOption",
                                            "sysoption",
                                            " SYSOPTION ",
                                            "DoorlockOption",
                                            "\xC3\xC5\xCB\xF8",
                                            "A B",
                                            "Empty",
                                            "x",
                                            "\xC9\xE8\xD6\xC3"
                                            "Abc"};
const std::vector<std::string> kKeys = {"Password",
                                        "password",
                                        " PASSWORD ",
                                        "DelayMinutes",
                                        "\xB6\xCB\xBF\xDA",
                                        "Key Two",
                                        "LiftData",
                                        "x",
                                        "\xB6\xCB\xBF\xDA"
                                        "Ab"};
const std::vector<std::string> kValues = {
    "",
    "8886",
    " padded ",
    "\"quoted\"",
    "'single'",
    "\"unbalanced",
    "a=b=c",
    "\xD6\xD0\xCE\xC4\xD6\xB5",  // 中文值
    "\"  spaced in quotes  \"",
    "tab\tinside",
    "semi;colon",
    "0x22B6",
    std::string(3000, 'v'),
    [] {
      std::string text;
      for (int i = 0; i < 1500; ++i) text += "\xD6\xD0";  // 中, 3000 bytes
      return text;
    }(),
    std::string(2046, 'w') + "\xD6\xD0",  // a character across the 2047th byte
};

// One generated file: lines of sections, keys, comments, blanks and stray text.
std::string MakeFile(std::mt19937& random) {
  const auto pick = [&](const std::vector<std::string>& from) -> const std::string& {
    return from[random() % from.size()];
  };
  std::string text;
  const int lines = 1 + static_cast<int>(random() % 24);
  for (int i = 0; i < lines; ++i) {
    const char* end = random() % 5 == 0 ? "\n" : "\r\n";
    switch (random() % 10) {
      case 0:
      case 1:
        text += "[" + pick(kSections) + "]";
        break;
      case 2:
        text += "  [ " + pick(kSections) + " ]  ";
        break;
      case 3:
      case 4:
      case 5:
        text += pick(kKeys) + "=" + pick(kValues);
        break;
      case 6:
        text += " " + pick(kKeys) + " =\t" + pick(kValues) + " ";
        break;
      case 7:
        text += pick(kKeys);  // no "="
        break;
      case 8:
        text += ";" + pick(kKeys) + "=comment";
        break;
      default:
        text += random() % 2 == 0 ? "" : "stray text";
        break;
    }
    text += end;
  }
  return text;
}

std::string ReadThroughWindows(const std::string& path, const std::string& section,
                               const std::string& key) {
  std::vector<char> buffer(kBufferSize);
  GetPrivateProfileStringA(section.c_str(), key.c_str(), kDefault, buffer.data(), kBufferSize,
                           path.c_str());
  // The text before the NUL: cutting a long value inside a two-byte character, the function
  // leaves out the character's first byte but counts the NUL in its place.
  return std::string(buffer.data());
}

std::string Shown(const std::string& text) {
  if (text.size() <= 60) return "\"" + text + "\"";
  char tail[32];
  std::snprintf(tail, sizeof tail, " %02X %02X", static_cast<unsigned char>(text[text.size() - 2]),
                static_cast<unsigned char>(text.back()));
  return text.substr(0, 20) + "...(" + std::to_string(text.size()) + " bytes, ending" + tail + ")";
}

TEST(ProfileFileDifferential, ReadsEveryKeyOfGeneratedFilesAsTheWindowsFunctionDoes) {
  test::TempDir dir;
  std::mt19937 random(20081015);
  int compared = 0;
  int mismatches = 0;
  for (int n = 0; n < kFiles; ++n) {
    // A name of its own for every file: Wine keeps recently read profile files cached.
    const std::string path = dir.File("Option" + std::to_string(n) + ".ini");
    const std::string content = MakeFile(random);
    std::ofstream(path, std::ios::binary) << content;
    const ProfileFile file(path);
    for (const std::string& section : kSections) {
      for (const std::string& key : kKeys) {
        const std::string windows = ReadThroughWindows(path, section, key);
        const std::string ours = file.ReadString(section, key, kDefault);
        ++compared;
        if (windows != ours && ++mismatches <= 10) {
          ADD_FAILURE() << "file " << n << ", [" << section << "] " << key << ": Windows "
                        << Shown(windows) << ", ours " << Shown(ours) << "\n--- file ---\n"
                        << content;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared << " keys read";
}

}  // namespace
}  // namespace keydesk
