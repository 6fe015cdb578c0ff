#include "app/admin_password.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/sys_option.h"
#include "platform/errors.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

class AdminPasswordTest : public ::testing::Test {
 protected:
  std::string Stored() const {
    TSysOption stored(sysOption_.FileName);
    stored.Load();
    return stored.Password;
  }

  test::TempDir dir_;
  TSysOption sysOption_{dir_.File("Option.ini")};
};

TEST_F(AdminPasswordTest, AnEntryMatchesAfterTrimmingBlanksAndControlCharacters) {
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "tivrel"));
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, " \t tivrel\r\n"));
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, std::string("\0tivrel\x1f", 8)));
}

TEST_F(AdminPasswordTest, LetterCaseAndInnerBlanksCount) {
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "Tivrel"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tiv rel"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel2"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, ""));
}

TEST_F(AdminPasswordTest, TheStoredPasswordIsComparedUntrimmed) {
  sysOption_.Password = "tivrel ";
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel "));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel"));
}

TEST_F(AdminPasswordTest, AnEmptyPasswordMatchesABlankEntry) {
  sysOption_.Password = "";
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, ""));
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "   "));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "x"));
}

TEST_F(AdminPasswordTest, EqualEntriesSetAndSaveTheTrimmedPassword) {
  EXPECT_TRUE(ChangeAdminPasswordTo(sysOption_, "  Neu 1 ", "Neu 1\t"));
  EXPECT_EQ(sysOption_.Password, "Neu 1");
  EXPECT_EQ(Stored(), "Neu 1");
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "Neu 1"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel"));
}

TEST_F(AdminPasswordTest, DifferentEntriesChangeNothing) {
  EXPECT_FALSE(ChangeAdminPasswordTo(sysOption_, "abc", "ABC"));
  EXPECT_EQ(sysOption_.Password, "tivrel");
  EXPECT_FALSE(std::filesystem::exists(sysOption_.FileName));
}

TEST_F(AdminPasswordTest, BlankEntriesMakeTheEmptyPassword) {
  EXPECT_TRUE(ChangeAdminPasswordTo(sysOption_, " ", ""));
  EXPECT_EQ(Stored(), "");
}

TEST_F(AdminPasswordTest, ASaveFailureRaisesWithTheNewPasswordInMemory) {
  sysOption_.FileName = dir_.File("missing/Option.ini");
  EXPECT_THROW(ChangeAdminPasswordTo(sysOption_, "neu", "neu"), IoError);
  EXPECT_EQ(sysOption_.Password, "neu");
}

}  // namespace
}  // namespace keydesk
