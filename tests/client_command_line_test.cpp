// keydesk-client's command line: commands with their default ports, options before and after
// the command, and the usage errors that keep a request from being sent.
#include "client/client_command_line.h"

#include <gtest/gtest.h>

#include "core/sys_option.h"

namespace keydesk::client {
namespace {

ClientCommand Parse(std::vector<std::string> arguments) {
  return ParseClientCommandLine(arguments);
}

// The usage error's message, or "parsed" when there was none.
std::string ErrorOf(std::vector<std::string> arguments) {
  try {
    ParseClientCommandLine(arguments);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "parsed";
}

TEST(ClientCommandLineTest, DefaultPortsAreKeydesksOwnDefaults) {
  const TSysOption defaults("unused.ini");
  EXPECT_EQ(kDoorlockPort, defaults.DoorlockPortNo);
  EXPECT_EQ(kHandPort, defaults.HandPortNo);
  EXPECT_EQ(kMemberPort, defaults.MemberPortNo);
  EXPECT_EQ(kPolicePort, defaults.PolicePortNo);
}

TEST(ClientCommandLineTest, EachCommandGoesToItsKindsPortUnlessOneIsGiven) {
  const std::vector<std::pair<std::vector<std::string>, std::pair<Operation, uint16_t>>> cases = {
      {{"read"}, {Operation::ReadCard, 8886}},
      {{"erase"}, {Operation::EraseCard, 8886}},
      {{"hand", "issue"}, {Operation::IssueHand, 8886}},
      {{"hand", "read"}, {Operation::ReadHand, 8886}},
      {{"hand", "erase"}, {Operation::EraseHand, 8886}},
      {{"member", "read"}, {Operation::ReadMemberCard, 8883}},
      {{"member", "print", "--card", "1", "--text", "x"}, {Operation::PrintMemberCard, 8883}},
      {{"police"}, {Operation::Police, 8885}},
      {{"raw", "request.xml"}, {Operation::Raw, 8886}},
  };
  for (const auto& [arguments, expected] : cases) {
    const ClientCommand command = Parse(arguments);
    EXPECT_EQ(command.Op, expected.first) << arguments[0];
    EXPECT_EQ(command.Port, expected.second) << arguments[0];
  }
  EXPECT_EQ(Parse({"--port", "9001", "police"}).Port, 9001);
  EXPECT_EQ(Parse({"police", "--port", "9001"}).Port, 9001);
}

TEST(ClientCommandLineTest, GlobalOptionsStandBeforeOrAfterTheCommand) {
  const ClientCommand before = Parse({"--host", "pms-gw", "--timeout", "2.5", "--json", "read"});
  EXPECT_EQ(before.Host, "pms-gw");
  EXPECT_EQ(before.TimeoutMs, 2500);
  EXPECT_EQ(before.Format, OutputFormat::Json);
  const ClientCommand after = Parse({"read", "--xml", "--timeout", "1"});
  EXPECT_EQ(after.Format, OutputFormat::Xml);
  EXPECT_EQ(after.TimeoutMs, 1000);
  const ClientCommand defaults = Parse({"read"});
  EXPECT_EQ(defaults.Host, "127.0.0.1");
  EXPECT_EQ(defaults.TimeoutMs, 30'000);
  EXPECT_EQ(defaults.Format, OutputFormat::Fields);
}

TEST(ClientCommandLineTest, KeepsTheCommandsValuesAndFlags) {
  const ClientCommand command =
      Parse({"issue", "--room", "010208", "--guest", "王先生", "--in", "2026-12-08 14:00", "--out",
             "2026-12-10 12:00", "--copy", "--register-id", "R7", "--keep"});
  EXPECT_EQ(command.Op, Operation::IssueCard);
  EXPECT_EQ(command.Value("room"), "010208");
  EXPECT_EQ(command.Value("guest"), "王先生");
  EXPECT_EQ(command.Value("register-id"), "R7");
  EXPECT_TRUE(command.Has("copy"));
  EXPECT_TRUE(command.Has("keep"));
  EXPECT_FALSE(command.Has("no-keep"));
  EXPECT_EQ(Parse({"raw", "-"}).Value("file"), "-");
}

TEST(ClientCommandLineTest, HelpNeedsNoCommand) {
  EXPECT_TRUE(Parse({"--help"}).Help);
  EXPECT_TRUE(Parse({"-h"}).Help);
  EXPECT_TRUE(Parse({"issue", "--help"}).Help);
  EXPECT_NE(ClientUsageText().find("member write"), std::string::npos);
}

TEST(ClientCommandLineTest, RefusesWhatCannotBeSent) {
  EXPECT_EQ(ErrorOf({}), "no command given (see keydesk-client --help)");
  EXPECT_EQ(ErrorOf({"open"}), "unknown command 'open'");
  EXPECT_EQ(ErrorOf({"hand", "write"}), "unknown command 'hand write'");
  EXPECT_EQ(ErrorOf({"member"}), "unknown command 'member'");
  EXPECT_EQ(ErrorOf({"--verbose", "read"}), "unknown option '--verbose'");
  EXPECT_EQ(ErrorOf({"read", "--copy"}), "'read' does not take the option '--copy'");
  EXPECT_EQ(ErrorOf({"issue", "--room", "010208", "--guest", "A", "--in", "2026-12-08 14:00"}),
            "'issue' needs --out");
  EXPECT_EQ(ErrorOf({"member", "print", "--card"}), "--card needs a value");
  EXPECT_EQ(ErrorOf({"member", "print", "--card", "1", "--card", "2", "--text", "x"}),
            "--card is given twice");
  EXPECT_EQ(ErrorOf({"raw"}), "'raw' needs a FILE");
  EXPECT_EQ(ErrorOf({"raw", "a.xml", "b.xml"}), "unexpected argument 'b.xml'");
  EXPECT_EQ(ErrorOf({"read", "now"}), "unexpected argument 'now'");
  EXPECT_EQ(ErrorOf({"--xml", "--json", "read"}), "--xml and --json exclude each other");
  EXPECT_EQ(ErrorOf({"--host", "", "read"}), "--host needs a host name or address");
  for (const std::string port : {"0", "65536", "80x", "-1", ""}) {
    EXPECT_EQ(ErrorOf({"--port", port, "read"}),
              "--port takes a port number from 1 to 65535, not '" + port + "'");
  }
  for (const std::string seconds : {"0", "-1", "soon", "1e3", "86401"}) {
    EXPECT_EQ(ErrorOf({"--timeout", seconds, "read"}),
              "--timeout takes seconds greater than 0, not '" + seconds + "'");
  }
}

}  // namespace
}  // namespace keydesk::client
