#include "platform/new_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/file_io.h"
#include "platform/paths.h"
#include "sim_environment.h"
#include "temp_dir.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace keydesk {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class NewFileTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const {
    return PathInFolder(dir_.Path().string(), name);
  }

  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  test::TempDir dir_;
  std::string reason_;
};

TEST_F(NewFileTest, ExaminePathTellsFilesFromFoldersAndNothing) {
  WriteFileBytes(File("plain"), "x");
  std::filesystem::create_directory(File("folder"));
  EXPECT_EQ(ExaminePath(File("plain"), &reason_), PathState::File);
  EXPECT_EQ(ExaminePath(File("folder"), &reason_), PathState::NotAFile);
  EXPECT_EQ(ExaminePath(File("missing"), &reason_), PathState::Missing);
  EXPECT_EQ(reason_, "");
}

#if defined(_WIN32)
TEST_F(NewFileTest, ExaminePathGivesTheReasonForANameWindowsRefuses) {
  EXPECT_EQ(ExaminePath(File("a<b"), &reason_), PathState::Unknown);
  EXPECT_NE(reason_, "");
}
#else
TEST_F(NewFileTest, ExaminePathCallsAPipeNoFile) {
  ASSERT_EQ(::mkfifo(File("pipe").c_str(), 0600), 0);
  EXPECT_EQ(ExaminePath(File("pipe"), &reason_), PathState::NotAFile);
}

// A service started with UMask=0027 keeps Client.mdb and the devices' files from other users.
TEST_F(NewFileTest, NewFilesTakeTheirModeFromTheUmask) {
  for (const mode_t mask : {mode_t{027}, mode_t{022}}) {
    const mode_t before = ::umask(mask);
    const std::optional<std::string> unique = CreateUniqueFile(File("Client.mdb"), &reason_);
    const bool replaced = ReplaceWholeFile(File("Card.txt"), "content");
    ::umask(before);
    ASSERT_TRUE(unique && replaced) << reason_;
    for (const std::string& name : {*unique, File("Card.txt")}) {
      struct stat info {};
      ASSERT_EQ(::stat(name.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0644 & ~mask) << name;
    }
  }
}

TEST_F(NewFileTest, ExaminePathGivesTheReasonWhenItCannotLook) {
  WriteFileBytes(File("plain"), "x");
  EXPECT_EQ(ExaminePath(File("plain") + "/inside", &reason_), PathState::Unknown);
  EXPECT_EQ(reason_, "Not a directory");
}
#endif

TEST_F(NewFileTest, UniqueFilesAreNewEmptyAndBesideTheirPath) {
  const std::optional<std::string> first = CreateUniqueFile(File("Client.mdb"), &reason_);
  const std::optional<std::string> second = CreateUniqueFile(File("Client.mdb"), &reason_);
  ASSERT_TRUE(first && second) << reason_;
  EXPECT_NE(*first, *second);
  for (const std::string& name : {*first, *second}) {
    EXPECT_EQ(name.rfind(File("Client.mdb."), 0), 0u) << name;
    EXPECT_EQ(ExaminePath(name, &reason_), PathState::File);
    EXPECT_EQ(ReadFileBytes(name), "");
  }
  EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(NewFileTest, NoUniqueFileInAMissingFolder) {
  EXPECT_FALSE(CreateUniqueFile(File("missing/Client.mdb"), &reason_));
  EXPECT_NE(reason_, "");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(NewFileTest, PlacingGivesTheFileItsNewNameOnly) {
  WriteFileBytes(File("new"), "content");
  EXPECT_EQ(PlaceWithoutReplacing(File("new"), File("Client.mdb"), &reason_), Placement::Placed);
  EXPECT_EQ(ReadFileBytes(File("Client.mdb")), "content");
  EXPECT_EQ(Entries(), std::set<std::string>{"Client.mdb"});
}

TEST_F(NewFileTest, PlacingNeverReplacesAFileOfThatName) {
  WriteFileBytes(File("new"), "new");
  WriteFileBytes(File("Client.mdb"), "there first");
  EXPECT_EQ(PlaceWithoutReplacing(File("new"), File("Client.mdb"), &reason_), Placement::NameTaken);
  EXPECT_EQ(ReadFileBytes(File("Client.mdb")), "there first");
  EXPECT_EQ(ReadFileBytes(File("new")), "new");
}

TEST_F(NewFileTest, PlacingIntoAMissingFolderFailsWithTheReasonAndKeepsTheFile) {
  WriteFileBytes(File("new"), "new");
  EXPECT_EQ(PlaceWithoutReplacing(File("new"), File("missing/Client.mdb"), &reason_),
            Placement::Failed);
  EXPECT_NE(reason_, "");
  EXPECT_EQ(ReadFileBytes(File("new")), "new");
}

}  // namespace
}  // namespace keydesk
