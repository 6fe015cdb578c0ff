#include "app/admin_password.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>

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
  EXPECT_EQ(ChangeAdminPasswordTo(sysOption_, "  Neu 1 ", "Neu 1\t"), std::nullopt);
  EXPECT_EQ(sysOption_.Password, "Neu 1");
  EXPECT_EQ(Stored(), "Neu 1");
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "Neu 1"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel"));
}

TEST_F(AdminPasswordTest, DifferentEntriesAreRefusedAndChangeNothing) {
  const auto refusal = ChangeAdminPasswordTo(sysOption_, "abc", "ABC");
  ASSERT_TRUE(refusal.has_value());
  EXPECT_EQ(refusal->Icon, BoxIcon::Error);
  EXPECT_STREQ(refusal->Caption, "提示");
  EXPECT_STREQ(refusal->Text, "您两次输入的密码不一致，请重新输入！");
  EXPECT_EQ(sysOption_.Password, "tivrel");
  EXPECT_FALSE(std::filesystem::exists(sysOption_.FileName));
}

TEST_F(AdminPasswordTest, AnEmptyOrBlankNewPasswordIsRefusedAndChangesNothing) {
  sysOption_.Password = "front";
  sysOption_.Save();
  for (const auto& [entry, confirmation] :
       {std::pair{"", ""}, std::pair{" \t", "\r\n"}, std::pair{"", "x"}}) {
    const auto refusal = ChangeAdminPasswordTo(sysOption_, entry, confirmation);
    ASSERT_TRUE(refusal.has_value()) << "entry '" << entry << "'";
    EXPECT_EQ(refusal->Icon, BoxIcon::Error);
    EXPECT_STREQ(refusal->Caption, "提示");
    EXPECT_STREQ(refusal->Text, "新密码不能为空。");
  }
  EXPECT_EQ(sysOption_.Password, "front");
  EXPECT_EQ(Stored(), "front");
}

TEST_F(AdminPasswordTest, ASaveFailureRaisesWithTheNewPasswordInMemory) {
  sysOption_.FileName = dir_.File("missing/Option.ini");
  EXPECT_THROW(ChangeAdminPasswordTo(sysOption_, "neu", "neu"), IoError);
  EXPECT_EQ(sysOption_.Password, "neu");
}

}  // namespace
}  // namespace keydesk
