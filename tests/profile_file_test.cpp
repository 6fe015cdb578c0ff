#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include "file_size_limit.h"
#endif
#include "platform/code_page.h"
#include "platform/errors.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

#if !defined(_WIN32)
using test::FileSizeLimit;
#endif
using test::ReadFileBytes;
using test::WriteFileBytes;

std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The text as a file of that form holds it, byte order mark first; UTF-8 by way of the
// standard library's own conversion.
enum class Form { kUtf8, kUtf16Le, kUtf16Be };
std::string InFile(std::u16string_view text, Form form) {
  if (form == Form::kUtf8) {
    const std::u8string utf8 = std::filesystem::path(text).u8string();
    return "\xEF\xBB\xBF" + std::string(utf8.begin(), utf8.end());
  }
  std::string bytes = form == Form::kUtf16Le ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += form == Form::kUtf16Le ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}
constexpr Form kForms[] = {Form::kUtf8, Form::kUtf16Le, Form::kUtf16Be};

class ProfileFileTest : public ::testing::Test {
 protected:
  std::string Read(std::string_view section, std::string_view key,
                   std::string_view defaultValue = "<default>") const {
    return file_.ReadString(section, key, defaultValue);
  }
  void Given(std::string_view bytes) { WriteFileBytes(path_, bytes); }

  test::TempDir dir_;
  std::string path_ = dir_.File("Option.ini");
  ProfileFile file_{path_};
};

// ---- Reading: what is missing gives the default ----

using ProfileFileMissingTest = ProfileFileTest;

TEST_F(ProfileFileMissingTest, MissingFileGivesDefaultAndCreatesNothing) {
  EXPECT_EQ(Read("SysOption", "Password", "tivrel"), "tivrel");
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(FolderEntries(dir_.Path()).empty());
}

TEST_F(ProfileFileMissingTest, MissingSectionGivesDefault) {
  Given("[Other]\r\nPassword=secret\r\n");
  EXPECT_EQ(Read("SysOption", "Password"), "<default>");
}

TEST_F(ProfileFileMissingTest, MissingKeyGivesDefault) {
  Given("[SysOption]\r\nPasswords=secret\r\nPass=word\r\n");
  EXPECT_EQ(Read("SysOption", "Password"), "<default>");
}

TEST_F(ProfileFileMissingTest, PresentEmptyValueReadsEmpty) {
  Given("[S]\r\nEmpty=\r\nBlank=   \t\r\nQuoted=\"\"\r\n");
  EXPECT_EQ(Read("S", "Empty"), "");
  EXPECT_EQ(Read("S", "Blank"), "");
  EXPECT_EQ(Read("S", "Quoted"), "");
}

TEST_F(ProfileFileMissingTest, UnreadableFileReadsAsMissing) {
  std::filesystem::create_directory(path_);
  EXPECT_EQ(Read("S", "Key"), "<default>");
}

TEST_F(ProfileFileMissingTest, EmptyFileGivesDefault) {
  Given("");
  EXPECT_EQ(Read("S", "Key"), "<default>");
}

// ---- Reading: how names and values match ----

using ProfileFileMatchTest = ProfileFileTest;

TEST_F(ProfileFileMatchTest, SectionAndKeyMatchWithoutRegardToCase) {
  Given("[sysoption]\r\nPASSWORD=secret\r\n[DOORLOCKoption]\r\ndelayminutes=5\r\n");
  EXPECT_EQ(Read("SysOption", "Password"), "secret");
  EXPECT_EQ(Read("SYSOPTION", "password"), "secret");
  EXPECT_EQ(Read("DoorlockOption", "DelayMinutes"), "5");
}

TEST_F(ProfileFileMatchTest, SecondByteOfTwoByteCharacterIsNotFolded) {
  // 0xB0 0x41 and 0xB0 0x61 are two different characters; only ASCII letters fold.
  Given("[\xB0\x41]\r\n\xC4\x41=upper\r\n");
  EXPECT_EQ(Read("\xB0\x41", "\xC4\x41"), "upper");
  EXPECT_EQ(Read("\xB0\x61", "\xC4\x41"), "<default>");
  EXPECT_EQ(Read("\xB0\x41", "\xC4\x61"), "<default>");
}

TEST_F(ProfileFileMatchTest, AsciiAfterTwoByteCharacterStillFolds) {
  Given(
      "[\xC9\xE8\xD6\xC3"
      "Abc]\r\nKey\xC3\xDC"
      "Ma=1\r\n");
  EXPECT_EQ(Read("\xC9\xE8\xD6\xC3"
                 "ABC",
                 "KEY\xC3\xDC"
                 "ma"),
            "1");
}

TEST_F(ProfileFileMatchTest, SectionNameMayEndInCharacterWhoseSecondByteIsBracket) {
  // 0xC4 0x5D is one character; 0x5D is the code of "]".
  Given("[\xC4]]\r\nKey=1\r\n");
  EXPECT_EQ(Read("\xC4]", "Key"), "1");
  file_.WriteString("\xC4]", "Key", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[\xC4]]\r\nKey=2\r\n");
}

TEST_F(ProfileFileMatchTest, BlanksAroundNamesAndValuesAreIgnored) {
  Given("  [ SysOption ]  \r\n\tDoorlockPortNo = 8887 \r\n  Password\t=\t two words \t\r\n");
  EXPECT_EQ(Read("SysOption", "DoorlockPortNo"), "8887");
  EXPECT_EQ(Read("SysOption", "Password"), "two words");
  EXPECT_EQ(Read(" SysOption\t", " Password "), "two words");
}

TEST_F(ProfileFileMatchTest, OnePairOfSurroundingQuotesIsStripped) {
  Given(
      "[S]\r\n"
      "Double=\"a b\"\r\n"
      "Single='a b'\r\n"
      "Blanks=\" padded \"\r\n"
      "Nested=\"\"inner\"\"\r\n"
      "Mixed=\"a b'\r\n"
      "Lone=\"\r\n"
      "Inside=a \"b\" c\r\n");
  EXPECT_EQ(Read("S", "Double"), "a b");
  EXPECT_EQ(Read("S", "Single"), "a b");
  EXPECT_EQ(Read("S", "Blanks"), " padded ");
  EXPECT_EQ(Read("S", "Nested"), "\"inner\"");
  EXPECT_EQ(Read("S", "Mixed"), "\"a b'");
  EXPECT_EQ(Read("S", "Lone"), "\"");
  EXPECT_EQ(Read("S", "Inside"), "a \"b\" c");
}

TEST_F(ProfileFileMatchTest, ValueKeepsEqualsSignsAfterTheFirst) {
  Given("[S]\r\nKey=a=b=c\r\n");
  EXPECT_EQ(Read("S", "Key"), "a=b=c");
}

TEST_F(ProfileFileMatchTest, CodePage936BytesAreReturnedUnchanged) {
  Given("[S]\r\nName=\xC4\xE3\xBA\xC3\x5C\r\n");
  EXPECT_EQ(Read("S", "Name"), "\xC4\xE3\xBA\xC3\x5C");
}

TEST_F(ProfileFileMatchTest, FirstMatchingSectionAndKeyWin) {
  Given(
      "[S]\r\nA=first\r\na=second\r\n"
      "[Other]\r\nB=other\r\n"
      "[s]\r\nA=third\r\nB=only-in-second-section\r\n");
  EXPECT_EQ(Read("S", "A"), "first");
  EXPECT_EQ(Read("S", "B"), "<default>");
  EXPECT_EQ(Read("Other", "B"), "other");
}

TEST_F(ProfileFileMatchTest, SeveralKeysReadTogetherFollowTheSameRules) {
  EXPECT_EQ(file_.ReadStrings("S", {"A"}, "-"), std::nullopt);  // no file
  Given("[s]\r\n a = \"one\" \r\nB=\r\nA=later\r\n");
  EXPECT_EQ(file_.ReadStrings("S", {"A", "b", "C"}, "-"),
            (std::vector<std::string>{"one", "", "-"}));
}

TEST_F(ProfileFileMatchTest, LinesThatAreNotKeysNeverMatch) {
  Given(
      "Key=before any section\r\n"
      "[S]\r\n"
      ";Key=comment\r\n"
      "  ; Key=indented comment\r\n"
      "Key\r\n"
      "[Unclosed\r\n"
      "\r\n");
  EXPECT_EQ(Read("S", "Key"), "<default>");
  EXPECT_EQ(Read("S", ";Key"), "<default>");
  EXPECT_EQ(Read("S", "[Unclosed"), "<default>");
}

TEST_F(ProfileFileMatchTest, ANameWithoutEqualsIsAKeyThatReadsAsMissing) {
  // As the Windows profile functions read it: the first line naming the key wins.
  Given("[S]\r\n Key \r\nKey=later\r\nOther=1\r\n");
  EXPECT_EQ(Read("S", "Key"), "<default>");
  EXPECT_EQ(file_.ReadStrings("S", {"key", "Other"}, "-"), (std::vector<std::string>{"-", "1"}));
  file_.WriteString("S", "Key", "set");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nKey=set\r\nKey=later\r\nOther=1\r\n");
}

TEST_F(ProfileFileMatchTest, AcceptsLfAndCrEndingsAndLastLineWithoutEnding) {
  Given("[S]\nA=1\nB=2\r\nC=3\rD=4\n\rE=5");
  EXPECT_EQ(file_.ReadStrings("S", {"A", "B", "C", "D", "E"}, "-"),
            (std::vector<std::string>{"1", "2", "3", "4", "5"}));
  // As Windows reads it, a CR alone ends a line also among CR LF ends.
  Given("[S]\r\nA=x\ry\r\n");
  EXPECT_EQ(Read("S", "A"), "x");
}

// ---- Reading: files in Unicode, as Windows reads them ----

using ProfileFileEncodingTest = ProfileFileTest;

TEST_F(ProfileFileEncodingTest, Utf16AndUtf8FilesReadAsCodePage936) {
  for (const Form form : kForms) {
    // The byte order mark stands right before the first section's name.
    Given(InFile(u"[Network]\rAllowedHosts=1.2.3.4\r[门锁]\r\n 密码 = 中文 \r\nKey=\"x\"\n", form));
    EXPECT_EQ(Read("network", "AllowedHosts"), "1.2.3.4");
    EXPECT_EQ(file_.ReadStrings("\xC3\xC5\xCB\xF8", {"\xC3\xDC\xC2\xEB", "KEY"}, "-"),
              (std::vector<std::string>{"\xD6\xD0\xCE\xC4", "x"}));
    EXPECT_EQ(file_.TextFault(), std::nullopt);
  }
}

TEST_F(ProfileFileEncodingTest, FilesThatAreNoTextNameTheLineAndAreNeitherReadNorWritten) {
  const std::string lone =
      InFile(std::u16string{u'[', u'S', u']', u'\n', u'A', u'=', 0xD800}, Form::kUtf16Le);
  const std::pair<std::string, std::string> cases[] = {
      {std::string("[S]\r\nA=x\0y\r\n", 13), "第 2 行有 NUL 字节，不是文本"},
      {std::string("[\0S\0]\0", 6), "第 1 行有 NUL 字节，不是文本"},  // UTF-16 without its mark
      {InFile(std::u16string_view(u"[S]\r\nA=\0\r\n", 10), Form::kUtf16Be),
       "第 2 行有 NUL 字符，不是文本"},
      {"\xEF\xBB\xBF[S]\r\n;\r\nA=\xC0\xAF\r\n", "第 3 行不是有效的 UTF-8 文本"},
      {lone, "第 2 行不是有效的 UTF-16 文本"},
      {InFile(u"[S]\r\n", Form::kUtf16Le) + "A", "第 2 行不是有效的 UTF-16 文本"},
      {InFile(u"[S]\r\nA=x😀\r\n", Form::kUtf8), "第 2 行有 GBK（代码页 936）中没有的字符"},
      {InFile(u"[S]\r\n[T\uD55C]\r\n", Form::kUtf16Le), "第 2 行有 GBK（代码页 936）中没有的字符"},
  };
  for (const auto& [bytes, fault] : cases) {
    Given(bytes);
    EXPECT_EQ(file_.TextFault(), AnsiFromUtf8(fault)) << fault;
    EXPECT_EQ(Read("S", "A"), "<default>");
    EXPECT_EQ(file_.ReadStrings("S", {"A"}, "-"), std::nullopt);
    EXPECT_THROW(file_.WriteString("S", "A", "1"), IoError);
    EXPECT_EQ(ReadFileBytes(path_), bytes);
  }
}

// ---- Reading: value length ----

using ProfileFileLengthTest = ProfileFileTest;

TEST_F(ProfileFileLengthTest, ValueOfMaximumLengthIsWhole) {
  const std::string value(ProfileFile::kMaxValueLength, 'v');
  Given("[S]\r\nKey=" + value + "\r\n");
  EXPECT_EQ(Read("S", "Key"), value);
}

TEST_F(ProfileFileLengthTest, LongerValueIsCut) {
  const std::string value = std::string(ProfileFile::kMaxValueLength, 'v') + "tail";
  Given("[S]\r\nKey=" + value + "\r\n");
  EXPECT_EQ(Read("S", "Key"), std::string(ProfileFile::kMaxValueLength, 'v'));
}

TEST_F(ProfileFileLengthTest, CutNeverSplitsTwoByteCharacter) {
  const std::string head(ProfileFile::kMaxValueLength - 1, 'v');
  Given("[S]\r\nKey=" + head + "\xC4\xE3" + "\r\n");
  EXPECT_EQ(Read("S", "Key"), head);
}

TEST_F(ProfileFileLengthTest, LengthIsCountedAfterQuotesAreStripped) {
  const std::string value(ProfileFile::kMaxValueLength, 'v');
  Given("[S]\r\nKey=\"" + value + "\"\r\n");
  EXPECT_EQ(Read("S", "Key"), value);
}

// ---- Writing: creating and adding ----

using ProfileFileCreateTest = ProfileFileTest;

TEST_F(ProfileFileCreateTest, CreatesFileWithSectionAndKey) {
  file_.WriteString("SysOption", "Password", "secret");
  EXPECT_EQ(ReadFileBytes(path_), "[SysOption]\r\nPassword=secret\r\n");
  EXPECT_EQ(Read("SysOption", "Password"), "secret");
}

#if !defined(_WIN32)  // POSIX permission bits, links and file-size limits
TEST_F(ProfileFileCreateTest, NewFileIsPrivateToItsOwner) {
  file_.WriteString("S", "Key", "1");
  struct stat status {};
  ASSERT_EQ(stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
}
#endif

TEST_F(ProfileFileCreateTest, AppendsMissingSectionAtEnd) {
  Given("[A]\r\nx=1\r\n");
  file_.WriteString("B", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

TEST_F(ProfileFileCreateTest, EndsLastLineBeforeAppendingWithTheFilesOwnLineEnd) {
  Given("[A]\nx=1");
  file_.WriteString("B", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\nx=1\n[B]\ny=2\n");
  Given("[A]\rx=1\r\n");
  file_.WriteString("A", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\rx=1\r\ny=2\r");
}

TEST_F(ProfileFileCreateTest, AddsKeyAfterLastKeyOfSection) {
  Given("[A]\r\nx=1\r\n; about B\r\n\r\n[B]\r\nz=3\r\n");
  file_.WriteString("A", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\r\nx=1\r\ny=2\r\n; about B\r\n\r\n[B]\r\nz=3\r\n");
}

TEST_F(ProfileFileCreateTest, AddsKeyToSectionWithoutKeysAfterItsHeader) {
  Given("[A]\r\n\r\n[B]\r\nz=3\r\n");
  file_.WriteString("A", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
}

TEST_F(ProfileFileCreateTest, AddsKeyToLastSectionWithoutLineEnding) {
  Given("[A]\r\nx=1");
  file_.WriteString("a", "y", "2");
  EXPECT_EQ(ReadFileBytes(path_), "[A]\r\nx=1\r\ny=2\r\n");
}

TEST_F(ProfileFileCreateTest, UsesExistingSectionWhateverItsCase) {
  Given("[sysoption]\r\nWriteLog=1\r\n");
  file_.WriteString("SysOption", "Password", "secret");
  EXPECT_EQ(ReadFileBytes(path_), "[sysoption]\r\nWriteLog=1\r\nPassword=secret\r\n");
}

TEST_F(ProfileFileCreateTest, AddsKeyToFirstOfDuplicateSections) {
  Given("[S]\r\nA=1\r\n[S]\r\nB=2\r\n");
  file_.WriteString("S", "B", "new");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nA=1\r\nB=new\r\n[S]\r\nB=2\r\n");
  EXPECT_EQ(Read("S", "B"), "new");
}

TEST_F(ProfileFileCreateTest, EmptyValueIsWrittenAndReadsEmpty) {
  file_.WriteString("S", "Key", "");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nKey=\r\n");
  EXPECT_EQ(Read("S", "Key"), "");
}

// ---- Writing: replacing and keeping ----

using ProfileFileReplaceTest = ProfileFileTest;

TEST_F(ProfileFileReplaceTest, ReplacesKeyLineKeepingNeighbours) {
  Given("[S]\r\nA=1\r\n  PASSWORD = old \r\nB=2\r\n");
  file_.WriteString("S", "Password", "new");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nA=1\r\nPassword=new\r\nB=2\r\n");
}

TEST_F(ProfileFileReplaceTest, ReplacesOnlyFirstMatchingKey) {
  Given("[S]\r\nA=1\r\nA=2\r\n[s]\r\nA=3\r\n");
  file_.WriteString("S", "A", "9");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nA=9\r\nA=2\r\n[s]\r\nA=3\r\n");
}

TEST_F(ProfileFileReplaceTest, KeepsLineEndingOfReplacedLine) {
  Given("[S]\nA=1\r\nB=2");
  file_.WriteString("S", "A", "x");
  file_.WriteString("S", "B", "y");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\nA=x\r\nB=y\n");
}

TEST_F(ProfileFileReplaceTest, WritesAUnicodeFileInItsEncodingKeepingEveryOtherLine) {
  for (const Form form : kForms) {
    // Characters that code page 936 lacks are kept where nothing reads them.
    Given(InFile(u"; 😀\r[S]\rA=1\r; \uD55C\r", form));
    file_.WriteString("s", "A", "\xD0\xC2");  // 新
    file_.WriteString("T", "B", "2");
    EXPECT_EQ(ReadFileBytes(path_), InFile(u"; 😀\r[S]\rA=新\r; \uD55C\r[T]\rB=2\r", form));
    // A lead byte without its second byte is no character: it has no form there.
    EXPECT_THROW(file_.WriteString("S", "A", "\xD6"), IoError);
    EXPECT_EQ(Read("S", "A"), "\xD0\xC2");
  }
}

TEST_F(ProfileFileReplaceTest, KeepsEverythingElseByteForByte) {
  const std::string before =
      "; written by hand\r\n"
      "Stray=before sections\n"
      "\r\n"
      "[SysOption]\r\n"
      "\tDoorlockPortNo = 8887 \r\n"
      "a line without equals\r\n"
      "Password=old\r\n"
      "Unknown=\xC4\xE3\xBA\xC3\n"
      "\r\n"
      "  [ DoorlockOption ]  ; trailing\r\n"
      "PortName=COM3\r\n"
      "LiftData=C300\n"
      "[Extra]\r\n"
      "foo = 'bar'\r\n"
      "\r\n";
  Given(before);
  file_.WriteString("SysOption", "Password", "new");
  std::string expected = before;
  expected.replace(expected.find("Password=old"), 12, "Password=new");
  EXPECT_EQ(ReadFileBytes(path_), expected);
  EXPECT_EQ(Read("SysOption", "DoorlockPortNo"), "8887");
  EXPECT_EQ(Read("DoorlockOption", "LiftData"), "C300");
  EXPECT_EQ(Read("Extra", "foo"), "bar");
}

#if !defined(_WIN32)  // POSIX permission bits, links and file-size limits
TEST_F(ProfileFileReplaceTest, KeepsPermissionBitsOfExistingFile) {
  Given("[S]\r\nA=1\r\n");
  std::filesystem::permissions(path_, std::filesystem::perms(0644));
  file_.WriteString("S", "A", "2");
  struct stat status {};
  ASSERT_EQ(stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0644u);
}
#endif

#if !defined(_WIN32)  // POSIX permission bits, links and file-size limits
TEST_F(ProfileFileReplaceTest, WritesThroughSymbolicLink) {
  const std::string target = dir_.File("real.ini");
  WriteFileBytes(target, "[S]\r\nA=1\r\n");
  std::filesystem::create_symlink(target, path_);
  file_.WriteString("S", "A", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(ReadFileBytes(target), "[S]\r\nA=2\r\n");
  EXPECT_EQ((FolderEntries(dir_.Path())), (std::set<std::string>{"Option.ini", "real.ini"}));
}
#endif

// ---- Writing: values that reading would change ----

using ProfileFileRoundTripTest = ProfileFileTest;

TEST_F(ProfileFileRoundTripTest, ValuesReadBackAsWritten) {
  const std::vector<std::string> values = {"plain",      " leading",         "trailing\t",
                                           "\"quoted\"", "'single'",         "\"",
                                           "a=b",        "\xC4\xE3\xBA\xC3", ""};
  for (const std::string& value : values) {
    file_.WriteString("S", "Key", value);
    EXPECT_EQ(Read("S", "Key"), value) << ReadFileBytes(path_);
  }
}

TEST_F(ProfileFileRoundTripTest, PlainValueIsWrittenWithoutQuotes) {
  file_.WriteString("S", "Key", "a \"b\" c");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nKey=a \"b\" c\r\n");
}

TEST_F(ProfileFileRoundTripTest, PaddedValueIsWrittenInQuotes) {
  file_.WriteString("S", "Key", " padded ");
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nKey=\" padded \"\r\n");
}

TEST_F(ProfileFileRoundTripTest, TextThatWouldBreakTheFileIsRefused) {
  Given("[S]\r\nKey=1\r\n");
  EXPECT_THROW(file_.WriteString("S", "Key", "two\r\nlines"), IoError);
  EXPECT_THROW(file_.WriteString("S", "Key", "two\nlines"), IoError);
  EXPECT_THROW(file_.WriteString("S\n[T]", "Key", "1"), IoError);
  EXPECT_THROW(file_.WriteString("S", "A=B", "1"), IoError);
  EXPECT_THROW(file_.WriteString("S", ";Key", "1"), IoError);
  EXPECT_THROW(file_.WriteString("S", "Key", std::string("a\0b", 3)), IoError);
  EXPECT_EQ(ReadFileBytes(path_), "[S]\r\nKey=1\r\n");
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"Option.ini"});
}

// ---- Writing: failures ----

using ProfileFileWriteFailureTest = ProfileFileTest;

TEST_F(ProfileFileWriteFailureTest, MissingFolderRaisesUnableToWrite) {
  const std::string path = dir_.File("missing/Option.ini");
  ProfileFile file(path);
  try {
    file.WriteString("S", "Key", "1");
    FAIL() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
  EXPECT_TRUE(FolderEntries(dir_.Path()).empty());
}

TEST_F(ProfileFileWriteFailureTest, ParentThatIsAFileRaisesUnableToWrite) {
  const std::string parent = dir_.File("plain.txt");
  WriteFileBytes(parent, "content");
  const std::string path = parent + "/Option.ini";
  ProfileFile file(path);
  try {
    file.WriteString("S", "Key", "1");
    FAIL() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(ReadFileBytes(parent), "content");
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"plain.txt"});
}

TEST_F(ProfileFileWriteFailureTest, PathThatIsAFolderIsNotReplaced) {
  std::filesystem::create_directory(path_);
  WriteFileBytes(path_ + "/inside", "kept");
  EXPECT_THROW(file_.WriteString("S", "Key", "1"), IoError);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  EXPECT_EQ(ReadFileBytes(path_ + "/inside"), "kept");
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"Option.ini"});
}

#if !defined(_WIN32)  // POSIX permission bits, links and file-size limits
TEST_F(ProfileFileWriteFailureTest, FailedWriteKeepsOldFileWholeAndLeavesNoTempFile) {
  const std::string before = "[S]\r\nA=1\r\n";
  Given(before);
  {
    FileSizeLimit limit(64);
    EXPECT_THROW(file_.WriteString("S", "B", std::string(200, 'x')), IoError);
  }
  EXPECT_EQ(ReadFileBytes(path_), before);
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"Option.ini"});
}
#endif

TEST_F(ProfileFileWriteFailureTest, SuccessfulWritesLeaveNoTempFile) {
  for (int i = 0; i < 5; ++i) file_.WriteString("S", "Key" + std::to_string(i), "v");
  file_.WriteString("S", "Key0", "w");
  EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"Option.ini"});
}

// ---- Concurrency ----

using ProfileFileConcurrencyTest = ProfileFileTest;

TEST_F(ProfileFileConcurrencyTest, WritersThroughDifferentObjectsLoseNoKey) {
  constexpr int kKeys = 20;
  auto writer = [this](std::string prefix) {
    ProfileFile file(path_);
    for (int i = 0; i < kKeys; ++i) file.WriteString("S", prefix + std::to_string(i), "set");
  };
  std::thread first(writer, "First");
  std::thread second(writer, "Second");
  first.join();
  second.join();
  for (int i = 0; i < kKeys; ++i) {
    EXPECT_EQ(Read("S", "First" + std::to_string(i)), "set");
    EXPECT_EQ(Read("S", "Second" + std::to_string(i)), "set");
  }
}

TEST_F(ProfileFileConcurrencyTest, ReaderNeverSeesPartialFile) {
  Given("[Kept]\r\nKey=kept\r\n");
  std::atomic<int> misses = 0;
  {
    // Stopped and joined at the end of the block, also when a write fails.
    const std::jthread reader([&](std::stop_token stop) {
      while (!stop.stop_requested()) {
        if (Read("Kept", "Key") != "kept") ++misses;
      }
    });
    for (int i = 0; i < 30; ++i) {
      EXPECT_NO_THROW(file_.WriteString("S", "Key", std::string(1000 + i, 'x'))) << i;
    }
  }
  EXPECT_EQ(misses, 0);
}

}  // namespace
}  // namespace keydesk
