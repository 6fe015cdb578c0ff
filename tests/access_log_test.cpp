// The access log: one UTF-8 line per event in the file of its day, and no request value that
// can forge a line or a field.
#include "core/access_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/ipv4.h"
#include "fixed_clock.h"
#include "platform/code_page.h"
#include "sim_environment.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using test::MakeDateTime;

class AccessLogTest : public ::testing::Test {
 protected:
  std::string File(int day) const {
    return AccessLog::FileName(dir_.Path().string(), MakeDateTime(2026, 12, day));
  }

  test::TempDir dir_;
  test::FixedClock clock_{MakeDateTime(2026, 12, 8, 21, 3, 4).AddMilliseconds(7)};
  AccessLog log_{dir_.Path().string(), "doorlock", true, clock_};
  const Ipv4Endpoint pms_{*ParseIpv4("192.168.1.20"), 51234};
};

TEST_F(AccessLogTest, WritesOneLinePerEventInTheFileOfItsDay) {
  log_.Served(pms_, {.Type = "IssueCard",
                     .RoomKey = "010208",
                     .RegisterId = "R0001",
                     .ResultCode = "200",
                     .CardNo = "5301",
                     .Answered = true,
                     .Taken = std::chrono::milliseconds(12)});
  log_.Refused({*ParseIpv4("10.9.9.9"), 40112}, AccessLog::Refusal::NotAllowed);
  log_.TimedOut(pms_, false, std::chrono::milliseconds(60000));
  clock_.Set(MakeDateTime(2026, 12, 9, 0, 0, 0));
  log_.Oversized(pms_, 16385);
  log_.Served(pms_, {.Error = AnsiFromUtf8("No root element found in xml")});

  EXPECT_EQ(File(8), dir_.File("Access20261208.log"));
  EXPECT_EQ(test::ReadFileBytes(File(8)),
            "2026-12-08 21:03:04.007 192.168.1.20:51234 doorlock request type=\"IssueCard\" "
            "room=\"010208\" register=\"R0001\" result=\"200\" card=\"5301\" answered=yes "
            "ms=12\r\n"
            "2026-12-08 21:03:04.007 10.9.9.9:40112 doorlock refused reason=not-allowed\r\n"
            "2026-12-08 21:03:04.007 192.168.1.20:51234 doorlock timeout wait=request "
            "ms=60000\r\n");
  EXPECT_EQ(test::ReadFileBytes(File(9)),
            "2026-12-09 00:00:00.000 192.168.1.20:51234 doorlock oversized bytes=16385\r\n"
            "2026-12-09 00:00:00.000 192.168.1.20:51234 doorlock request type=\"\" room=\"\" "
            "register=\"\" result=\"\" card=\"\" answered=no ms=0 error=\"No root element found "
            "in xml\"\r\n");
}

TEST_F(AccessLogTest, RequestValuesCannotForgeALineOrAField) {
  // A room key with a line of its own in it, quotes, a backslash, a NUL, a lone lead byte and
  // Chinese: the line stays one line, and the Chinese is UTF-8.
  const std::string forged = std::string(
                                 "08\r\n2026-12-08 21:03:05.000 1.2.3.4:1 doorlock "
                                 "request type=\"IssueCard\" x\\y\0",
                                 76) +
                             "\x81!" + AnsiFromUtf8("王");
  log_.Served(pms_, {.Type = "IssueCard", .RoomKey = forged, .Answered = true});
  const std::string written = test::ReadFileBytes(File(8));
  EXPECT_THAT(written, ::testing::HasSubstr(
                           "room=\"08\\x0d\\x0a2026-12-08 21:03:05.000 1.2.3.4:1 doorlock request "
                           "type=\\x22IssueCard\\x22 x\\\\y\\x00\\x81!王\""));
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1);
  EXPECT_EQ(AccessLog::Quoted("\x7F\t"), "\"\\x7f\\x09\"");
}

TEST_F(AccessLogTest, WritesWhatTheOperatorDidAtTheDeskWithTheUserAndNoPassword) {
  log_.PasswordRefused("clerk", 3, std::chrono::seconds(4));
  log_.PasswordChanged("clerk", true);
  log_.PasswordChanged("clerk", false);
  log_.SettingChanged("clerk", {.Section = "Network",
                                .Key = "AllowedHosts",
                                .Old = "127.0.0.1",
                                .New = "127.0.0.1, 10.0.0.5"});
  log_.SettingChanged(AnsiFromUtf8("王五"), {.Section = "DoorlockOption",
                                             .Key = "HotelPassword",
                                             .Old = "572604",
                                             .New = "918273",
                                             .Hidden = true});
  const std::string written = test::ReadFileBytes(File(8));
  EXPECT_EQ(written,
            "2026-12-08 21:03:04.007 desk doorlock password result=wrong failures=3 wait=4 "
            "user=\"clerk\"\r\n"
            "2026-12-08 21:03:04.007 desk doorlock password result=changed saved=yes "
            "user=\"clerk\"\r\n"
            "2026-12-08 21:03:04.007 desk doorlock password result=changed saved=no "
            "user=\"clerk\"\r\n"
            "2026-12-08 21:03:04.007 desk doorlock setting section=\"Network\" "
            "key=\"AllowedHosts\" old=\"127.0.0.1\" new=\"127.0.0.1, 10.0.0.5\" "
            "user=\"clerk\"\r\n"
            "2026-12-08 21:03:04.007 desk doorlock setting section=\"DoorlockOption\" "
            "key=\"HotelPassword\" value=hidden user=\"王五\"\r\n");
}

TEST_F(AccessLogTest, ASettingsValueCannotForgeALineOrAField) {
  log_.SettingChanged("clerk\" x=\"", {.Section = "Network",
                                       .Key = "AllowedHosts",
                                       .Old = "",
                                       .New = "any\r\n2026-12-08 desk doorlock password"});
  const std::string written = test::ReadFileBytes(File(8));
  EXPECT_THAT(written, ::testing::HasSubstr(
                           "old=\"\" new=\"any\\x0d\\x0a2026-12-08 desk doorlock password\" "
                           "user=\"clerk\\x22 x=\\x22\"\r\n"));
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1);
}

TEST_F(AccessLogTest, WritesNothingWhenSwitchedOff) {
  AccessLog off(dir_.Path().string(), "doorlock", false, clock_);
  off.Refused(pms_, AccessLog::Refusal::TooManyConnections);
  off.Served(pms_, {});
  off.PasswordRefused("clerk", 1, std::chrono::seconds(1));
  off.PasswordChanged("clerk", true);
  off.SettingChanged("clerk", {.Section = "Network", .Key = "AllowedHosts"});
  EXPECT_FALSE(std::filesystem::exists(File(8)));
}

}  // namespace
}  // namespace keydesk
