// Option.ini files made from a fixed seed, in each encoding Windows reads (ANSI, or UTF-8 or
// UTF-16 after a byte order mark) and with CR LF, LF and lone CR line ends, each read key by
// key through the Windows profile function GetPrivateProfileStringA and through ProfileFile:
// the values must agree, so that keydesk reads a hand-edited file as the Windows functions
// would. Some are then written by ProfileFile and read again, so that Windows reads what
// keydesk writes as keydesk does.
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

constexpr int kFiles = 400;
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
    const unsigned ending = random() % 6;
    const char* end = ending == 0 ? "\n" : ending == 1 ? "\r" : "\r\n";
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

// The file in one of the encodings, converted by Windows itself: 0 ANSI, 1 UTF-8, 2 UTF-16 LE
// and 3 UTF-16 BE, each of the last three after its byte order mark.
std::string Encoded(const std::string& ansi, int encoding) {
  if (encoding == 0) return ansi;
  std::wstring wide(ansi.size(), L'\0');
  wide.resize(MultiByteToWideChar(936, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  if (encoding == 1) {
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
    return "\xEF\xBB\xBF" + utf8;
  }
  std::string bytes = encoding == 2 ? "\xFF\xFE" : "\xFE\xFF";
  for (const wchar_t unit : wide) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += encoding == 2 ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
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

// Every key of the file read both ways, the first mismatches reported.
void ReadsAlike(const std::string& path, const std::string& content, int& compared,
                int& mismatches) {
  const ProfileFile file(path);
  for (const std::string& section : kSections) {
    for (const std::string& key : kKeys) {
      const std::string windows = ReadThroughWindows(path, section, key);
      const std::string ours = file.ReadString(section, key, kDefault);
      ++compared;
      if (windows != ours && ++mismatches <= 10) {
        ADD_FAILURE() << path << ", [" << section << "] " << key << ": Windows " << Shown(windows)
                      << ", ours " << Shown(ours) << "\n--- file ---\n"
                      << content;
      }
    }
  }
}

TEST(ProfileFileDifferential, ReadsEveryKeyOfGeneratedFilesAsTheWindowsFunctionDoes) {
  test::TempDir dir;
  std::mt19937 random(20081015);
  const auto pick = [&](const std::vector<std::string>& from) -> const std::string& {
    return from[random() % from.size()];
  };
  int compared = 0;
  int mismatches = 0;
  for (int n = 0; n < kFiles; ++n) {
    // A name of its own for every file: Wine keeps recently read profile files cached.
    const std::string path = dir.File("Option" + std::to_string(n) + ".ini");
    const std::string content = MakeFile(random);
    std::ofstream(path, std::ios::binary) << Encoded(content, n % 4);
    ReadsAlike(path, content, compared, mismatches);
    if (n % 10 >= 4) continue;
    // Written by keydesk, in each encoding in turn.
    const std::string written = dir.File("Written" + std::to_string(n) + ".ini");
    std::ofstream(written, std::ios::binary) << Encoded(content, n % 4);
    ProfileFile file(written);
    for (int i = 0; i < 3; ++i) {
      const std::string& section = pick(kSections);
      const std::string& key = pick(kKeys);
      file.WriteString(section, key, pick(kValues));
    }
    ReadsAlike(written, "(written) " + content, compared, mismatches);
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared << " keys read";
}

}  // namespace
}  // namespace keydesk
