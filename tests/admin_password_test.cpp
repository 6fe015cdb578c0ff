#include "app/admin_password.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "app/password_guard.h"
#include "core/sys_option.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
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
  EXPECT_EQ(ChangeAdminPasswordTo(sysOption_, "  Neu 1x ", "Neu 1x\t"), std::nullopt);
  EXPECT_EQ(sysOption_.Password, "Neu 1x");
  EXPECT_EQ(Stored(), "Neu 1x");
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "Neu 1x"));
  EXPECT_FALSE(AdminPasswordMatches(sysOption_, "tivrel"));
}

TEST_F(AdminPasswordTest, DifferentEntriesAreRefusedAndChangeNothing) {
  const auto refusal = ChangeAdminPasswordTo(sysOption_, "abcdef", "ABCDEF");
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

TEST_F(AdminPasswordTest, ANewPasswordOfFewerThanSixCharactersIsRefusedAndChangesNothing) {
  // Characters are counted after trimming, a Chinese one as one.
  for (const std::string& entry :
       {std::string("abcde"), std::string("  abcde \t"), AnsiFromUtf8("前台值班员")}) {
    const auto refusal = ChangeAdminPasswordTo(sysOption_, entry, entry);
    ASSERT_TRUE(refusal.has_value()) << Utf8FromAnsi(entry);
    EXPECT_EQ(refusal->Icon, BoxIcon::Error);
    EXPECT_STREQ(refusal->Caption, "提示");
    EXPECT_STREQ(refusal->Text, "新密码至少要有 6 个字符，请重新输入！");
  }
  EXPECT_EQ(sysOption_.Password, "tivrel");
  EXPECT_FALSE(std::filesystem::exists(sysOption_.FileName));

  const std::string six = AnsiFromUtf8("前台值班员甲");
  EXPECT_EQ(ChangeAdminPasswordTo(sysOption_, six, six), std::nullopt);
  EXPECT_EQ(Stored(), six);
  EXPECT_EQ(ChangeAdminPasswordTo(sysOption_, "abcdef", "abcdef"), std::nullopt);
}

TEST_F(AdminPasswordTest, AStoredShortPasswordStillLetsTheOperatorIn) {
  // Only a new password must have six characters; one set before keeps working.
  sysOption_.Password = "1234";
  EXPECT_TRUE(AdminPasswordMatches(sysOption_, "1234"));
}

TEST_F(AdminPasswordTest, ASaveFailureRaisesWithTheNewPasswordInMemory) {
  sysOption_.FileName = dir_.File("missing/Option.ini");
  EXPECT_THROW(ChangeAdminPasswordTo(sysOption_, "neues1", "neues1"), IoError);
  EXPECT_EQ(sysOption_.Password, "neues1");
}

TEST(PasswordWaitMessageTest, SaysTheSecondsLeftRoundedUp) {
  using std::chrono::milliseconds;
  const BoxText wait = PasswordWaitMessage(milliseconds(1));
  EXPECT_EQ(wait.Icon, BoxIcon::Error);
  EXPECT_STREQ(wait.Caption, "提示");
  EXPECT_EQ(wait.Text, "密码输入错误后须等待，请 1 秒后再试。");
  EXPECT_STREQ(wait.Message().Text, wait.Text.c_str());
  EXPECT_EQ(PasswordWaitMessage(milliseconds(1001)).Text, "密码输入错误后须等待，请 2 秒后再试。");
  EXPECT_EQ(PasswordWaitMessage(milliseconds(30000)).Text,
            "密码输入错误后须等待，请 30 秒后再试。");
}

TEST(PasswordGuardTest, EachWrongEntryInARowWaitsTwiceAsLongUpToThirtySeconds) {
  using std::chrono::milliseconds;
  using std::chrono::seconds;
  test::SteadyTime time;
  PasswordGuard guard(time.Now());
  EXPECT_EQ(guard.Remaining(), milliseconds(0));
  for (const int expected : {1, 2, 4, 8, 16, 30, 30, 30}) {
    EXPECT_EQ(guard.Failed(), seconds(expected));
    EXPECT_EQ(guard.Remaining(), seconds(expected));
    time.Advance(seconds(expected) - milliseconds(1));
    EXPECT_EQ(guard.Remaining(), milliseconds(1)) << "after " << guard.Failures();
    time.Advance(milliseconds(1));
    EXPECT_EQ(guard.Remaining(), milliseconds(0));
  }
  EXPECT_EQ(guard.Failures(), 8);
  EXPECT_EQ(PasswordGuard::WaitAfter(0), seconds(0));
  EXPECT_EQ(PasswordGuard::WaitAfter(1000000), seconds(30));
}

TEST(PasswordGuardTest, ARightEntryStartsTheWaitsAfresh) {
  using std::chrono::seconds;
  test::SteadyTime time;
  PasswordGuard guard(time.Now());
  guard.Failed();
  time.Advance(seconds(1));
  guard.Failed();
  time.Advance(seconds(2));
  guard.Succeeded();
  EXPECT_EQ(guard.Failures(), 0);
  EXPECT_EQ(guard.Remaining(), std::chrono::milliseconds(0));
  EXPECT_EQ(guard.Failed(), seconds(1));
}

}  // namespace
}  // namespace keydesk
