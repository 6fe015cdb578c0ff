// The Windows file seams over real files: the log's sharing, a failed write, folders with
// Chinese names (paths are code page 936 inside, UTF-16 at the API) holding the options, the
// devices' files, the log, the database and the card library.
#include <windows.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "doorlock/drevan_api.h"
#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/errors.h"
#include "platform/executable_path.h"
#include "platform/field_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/profile_file.h"
#include "platform/sqlite_statement.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

std::wstring Wide(const std::string& ansi) {
  const std::u16string text = UnicodeFromAnsi(ansi);
  return std::wstring(text.begin(), text.end());
}

bool ExistsAsNamed(const std::u16string& path) {
  return GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str())) !=
         INVALID_FILE_ATTRIBUTES;
}

std::string ReadShared(const std::string& path) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
  char buffer[256];
  DWORD got = 0;
  ReadFile(file, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(file);
  return std::string(buffer, got);
}

TEST(LogFileWindows, AnotherProgramReadsAndMovesTheLogWhileItIsOpen) {
  test::TempDir dir;
  const std::string path = dir.File("20081015.LOG");
  const std::string moved = dir.File("archive.LOG");
  std::unique_ptr<AppendFile> log = RealFileSystem().OpenForAppend(path);
  ASSERT_NE(log, nullptr);
  const std::string_view first[] = {"2008-10-15 14:03:09 ", "one", "\r\n"};
  ASSERT_TRUE(log->Append(first));
  EXPECT_EQ(ReadShared(path), "2008-10-15 14:03:09 one\r\n");
  ASSERT_TRUE(MoveFileW(Wide(path).c_str(), Wide(moved).c_str())) << GetLastError();
  const std::string_view second[] = {"two\r\n"};
  ASSERT_TRUE(log->Append(second));
  log.reset();
  EXPECT_EQ(ReadShared(moved), "2008-10-15 14:03:09 one\r\ntwo\r\n");
  // The next line opens a new file under the name.
  ASSERT_TRUE(RealFileSystem().OpenForAppend(path)->Append(second));
  EXPECT_EQ(ReadShared(path), "two\r\n");
}

TEST(ProfileFileWindows, AFailedWriteKeepsTheOldFileWholeAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string path = dir.File("Option.ini");
  ASSERT_TRUE(AppendToFile(path, "[S]\r\nA=1\r\n"));
  // A read-only file cannot be replaced, for any user.
  ASSERT_TRUE(SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
  ProfileFile file(path);
  try {
    file.WriteString("S", "A", "2");
    ADD_FAILURE() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
  }
  EXPECT_EQ(ReadShared(path), "[S]\r\nA=1\r\n");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A folder named 前台数据 inside a temporary folder, and one whose name ends in a character
// whose second byte is that of "\" (0x81 0x5C).
class ChineseFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& name : {AnsiFromUtf8("前台数据"), std::string("\x81\x5C")}) {
      folders_.push_back(dir_.File("") + name);
      ASSERT_TRUE(CreateDirectoryW(Wide(folders_.back()).c_str(), nullptr)) << GetLastError();
    }
  }

  test::TempDir dir_;
  std::vector<std::string> folders_;
};

TEST_F(ChineseFolderTest, FilesLandInTheFolderUnderTheirNames) {
  for (const std::string& folder : folders_) {
    ProfileFile options(PathInFolder(folder, "Option.ini"));
    options.WriteString("SysOption", "Password", "secret");
    EXPECT_EQ(options.ReadString("SysOption", "Password", ""), "secret");
    FieldRecord record;
    record.Set("HandNo", "7");
    ASSERT_TRUE(FieldFile(PathInFolder(folder, "SimHand.txt")).Write(record));
    ASSERT_TRUE(AppendToFile(PathInFolder(folder, "Trace.txt"), "line\r\n"));
    const std::string_view line[] = {"line\r\n"};
    ASSERT_TRUE(RealFileSystem().OpenForAppend(PathInFolder(folder, "20081015.LOG"))->Append(line));

    const std::u16string wideFolder = UnicodeFromAnsi(folder) + u"\\";
    for (const char16_t* name : {u"Option.ini", u"SimHand.txt", u"Trace.txt", u"20081015.LOG"}) {
      EXPECT_TRUE(ExistsAsNamed(wideFolder + name))
          << Utf8FromAnsi(folder) << " lacks " << AnsiFromUnicode(name);
    }
  }
}

TEST_F(ChineseFolderTest, SqliteOpensADatabaseInIt) {
  for (const std::string& folder : folders_) {
    {
      SqliteConnection connection(PathInFolder(folder, "Client.mdb"),
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      connection.Execute("CREATE TABLE T_Room (RoomNo TEXT); INSERT INTO T_Room VALUES ('0208')");
      EXPECT_EQ(connection.QueryText("SELECT RoomNo FROM T_Room"), "0208");
    }
    EXPECT_TRUE(ExistsAsNamed(UnicodeFromAnsi(folder) + u"\\Client.mdb")) << Utf8FromAnsi(folder);
  }
}

TEST_F(ChineseFolderTest, TheCardLibraryLoadsFromItAndKeepsItsCardBesideItself) {
  const std::string folder = folders_.front();
  const std::string library = PathInFolder(folder, "drevan.dll");
  ASSERT_TRUE(CopyFileW(Wide(PathInFolder(ExecutableFolder(), "drevan.dll")).c_str(),
                        Wide(library).c_str(), TRUE))
      << GetLastError();
  // The card's default place is beside the library.
  wchar_t saved[1024];
  const bool wasSet = GetEnvironmentVariableW(L"DREVAN_SIM_CARD", saved, 1024) > 0;
  _putenv_s("DREVAN_SIM_CARD", "");
  {
    std::string reason;
    const std::unique_ptr<DynamicLibrary> loaded = DynamicLibrary::Load(library, &reason);
    ASSERT_NE(loaded, nullptr) << reason;
    auto write = reinterpret_cast<Write_Guest_Card_t>(loaded->Function("Write_Guest_Card"));
    auto serial = reinterpret_cast<SerialNo_FromNow_t>(loaded->Function("SerialNo_FromNow"));
    ASSERT_NE(write, nullptr);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(write(1, 1, 0, "572604", 5301, 803151405u, 1, "08", "0000", "00000000", "0803151405",
                    "0803171200"),
              0);
    EXPECT_EQ(serial(), 1);
  }
  if (wasSet) SetEnvironmentVariableW(L"DREVAN_SIM_CARD", saved);
  const std::u16string wideFolder = UnicodeFromAnsi(folder) + u"\\";
  EXPECT_TRUE(ExistsAsNamed(wideFolder + u"SimCard.txt"));
  EXPECT_TRUE(ExistsAsNamed(wideFolder + u"SimSerial.txt"));
}

TEST(DynamicLibraryWindows, ResolvesTheEightUndecoratedNamesAndNothingElse) {
  std::string reason;
  const auto library =
      DynamicLibrary::Load(PathInFolder(ExecutableFolder(), "drevan.dll"), &reason);
  ASSERT_NE(library, nullptr) << reason;
  for (const char* name : {"SerialNo_FromNow", "Reader_Alarm", "Write_Guest_Card",
                           "Write_Guest_Lift", "Write_Guest_PowerSwitch", "Read_Guest_Card",
                           "Read_Guest_Lift", "Read_Guest_PowerSwitch"}) {
    EXPECT_NE(library->Function(name), nullptr) << name;
  }
  for (const char* name : {"_SerialNo_FromNow@0", "SerialNo_FromNow@0", "NextSerial"}) {
    EXPECT_EQ(library->Function(name), nullptr) << name;
  }
}

TEST(DynamicLibraryWindows, AMissingLibraryGivesTheSystemsReason) {
  std::string reason;
  EXPECT_EQ(DynamicLibrary::Load(PathInFolder(ExecutableFolder(), "missing.dll"), &reason),
            nullptr);
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace keydesk
