// The requests keydesk-client builds: read back with keydesk's own decoder and XML reader,
// each field must stand at the position keydesk takes it from, with its value intact.
#include "client/request_builder.h"

#include <gtest/gtest.h>

#include "client/client_command_line.h"
#include "kinds/doorlock/doorlock_protocol.h"
#include "platform/code_page.h"
#include "wire/decode_utf8.h"
#include "wire/xml_doc.h"

namespace keydesk::client {
namespace {

ClientCommand Command(std::vector<std::string> arguments) {
  return ParseClientCommandLine(arguments);
}

ClientCommand Issue(std::vector<std::string> extra = {}) {
  std::vector<std::string> arguments{"issue",           "--room", "010208",           "--guest",
                                     "王先生",          "--in",   "2026-12-08 14:00", "--out",
                                     "2026-12-10 12:00"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return Command(arguments);
}

// The request as keydesk reads it: UTF-8 decoded, in code page 936, parsed.
class ReadBack {
 public:
  explicit ReadBack(const std::string& utf8) {
    document_.ParseText(AnsiFromUnicode(DecodeUtf8(utf8)));
  }
  const TXmlNode& Root() const { return *document_.RootElement(); }
  std::string Type() const { return Root().AttributeValue("type"); }
  // The field at a position, as UTF-8.
  std::string At(int position) const {
    const TXmlNode* node = Root().ChildAt(position);
    return node != nullptr ? Utf8FromAnsi(node->ValueText()) : "(none)";
  }

 private:
  TXmlDoc document_;
};

std::string ErrorOf(const ClientCommand& command) {
  try {
    RequestText(command);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "built";
}

TEST(RequestBuilderTest, IssueCardFieldsStandAtTheirPositions) {
  const ReadBack request(RequestText(Issue({"--register-id", "R0001"})));
  EXPECT_EQ(request.Type(), "IssueCard");
  ASSERT_EQ(request.Root().ChildCount(), 11);  // no keep-connection field: the setting stays
  const std::vector<std::string> expected = {"",           "R0001",    "01",         "02",
                                             "08",         "王先生",   "2026-12-08", "14:00:00",
                                             "2026-12-10", "12:00:00", "False"};
  for (int position = 0; position < 11; ++position) {
    EXPECT_EQ(request.At(position), expected[position]) << "position " << position;
  }
  EXPECT_FALSE(ReadBooleanText(AnsiFromUtf8(request.At(10))));
}

TEST(RequestBuilderTest, CopyAndKeepConnectionAreBooleansKeydeskReads) {
  const ReadBack copy(RequestText(Issue({"--copy"})));
  EXPECT_TRUE(ReadBooleanText(AnsiFromUtf8(copy.At(10))));
  const ReadBack keep(RequestText(Issue({"--keep"})));
  ASSERT_EQ(keep.Root().ChildCount(), 12);
  EXPECT_TRUE(ReadBooleanText(AnsiFromUtf8(keep.At(11))));
  const ReadBack noKeep(RequestText(Issue({"--no-keep"})));
  ASSERT_EQ(noKeep.Root().ChildCount(), 12);
  EXPECT_FALSE(ReadBooleanText(AnsiFromUtf8(noKeep.At(11))));
  EXPECT_EQ(ErrorOf(Issue({"--keep", "--no-keep"})), "--keep and --no-keep exclude each other");
}

TEST(RequestBuilderTest, IsOneLineOfUtf8WithoutDeclaration) {
  const std::string text = RequestText(Issue());
  EXPECT_TRUE(text.starts_with("<DoorRequest type=\"IssueCard\"><RequestID/><RegisterId>"));
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_NE(text.find("<GuestName>\xE7\x8E\x8B\xE5\x85\x88\xE7\x94\x9F</GuestName>"),
            std::string::npos);
}

TEST(RequestBuilderTest, EscapesXmlCharactersInValues) {
  const std::string text = RequestText(Issue({"--register-id", "A&B <C>"}));
  EXPECT_NE(text.find("<RegisterId>A&amp;B &lt;C&gt;</RegisterId>"), std::string::npos);
  EXPECT_EQ(ReadBack(text).At(1), "A&B <C>");
  const ClientCommand print = Command({"member", "print", "--card", "</CardNo>", "--text", "a\nb"});
  const ReadBack printed(RequestText(print));
  EXPECT_EQ(printed.At(1), "</CardNo>");
  EXPECT_EQ(printed.At(2), "a\nb");
}

TEST(RequestBuilderTest, RoomIsSixCharactersOrThreeDashedParts) {
  const ReadBack dashed(RequestText(Command({"issue", "--room", "1-12-1208", "--guest", "A", "--in",
                                             "2026-12-08 14:00", "--out", "2026-12-10 12:00"})));
  EXPECT_EQ(dashed.At(2), "1");
  EXPECT_EQ(dashed.At(3), "12");
  EXPECT_EQ(dashed.At(4), "1208");
  for (const std::string room : {"0102", "0102080", "1-2", "1--2", "-1-2", "1-2-3-4"}) {
    ClientCommand command = Issue();
    command.Values["room"] = room;
    EXPECT_NE(ErrorOf(command).find("--room takes six characters"), std::string::npos) << room;
  }
}

TEST(RequestBuilderTest, TimesAreSentInTheFormsKeydeskReads) {
  ClientCommand command = Issue();
  command.Values["in"] = "2026-2-8 9:05";
  command.Values["out"] = "2026-02-09 7:30:15";
  const ReadBack request(RequestText(command));
  EXPECT_EQ(request.At(6), "2026-02-08");
  EXPECT_EQ(request.At(7), "09:05:00");
  EXPECT_EQ(request.At(8), "2026-02-09");
  EXPECT_EQ(request.At(9), "07:30:15");
  for (const std::string moment : {"2026-12-08", "2026/12/08 14:00", "2026-02-30 14:00",
                                   "2026-12-08 24:00", "tomorrow 14:00"}) {
    command.Values["in"] = moment;
    EXPECT_EQ(ErrorOf(command),
              "--in takes a date and a time, \"YYYY-MM-DD HH:MM[:SS]\", not '" + moment + "'");
  }
  command.Values["in"] = "2026-12-10 12:00:01";
  command.Values["out"] = "2026-12-10 12:00";
  EXPECT_EQ(ErrorOf(command), "--out is before --in");
}

TEST(RequestBuilderTest, RefusesTextKeydeskCannotCarry) {
  ClientCommand command = Issue();
  command.Values["guest"] = "\xF0\x9F\x98\x80";  // four-byte UTF-8: keydesk would read no text
  EXPECT_EQ(ErrorOf(command),
            "--guest is not UTF-8 text that keydesk reads (characters of one "
            "to three bytes)");
  command.Values["guest"] = "\xE0\xB8\x81";  // Thai: outside code page 936, would become "?"
  EXPECT_EQ(ErrorOf(command),
            "--guest holds a character that keydesk cannot carry (code page 936)");
  command.Values["guest"] = "\xE7\x8E";  // cut short
  EXPECT_NE(ErrorOf(command), "built");
}

TEST(RequestBuilderTest, MemberCardFieldsStandAtTheirPositions) {
  const ReadBack write(
      RequestText(Command({"member", "write", "--card", "1001", "--name", "张三", "--password",
                           "654321", "--expire", "2027-12-31", "--channel", "11"})));
  EXPECT_EQ(write.Type(), "WriteMemberCard");
  ASSERT_EQ(write.Root().ChildCount(), 6);
  EXPECT_EQ(write.At(1), "1001");
  EXPECT_EQ(write.At(2), "张三");
  EXPECT_EQ(write.At(3), "654321");
  EXPECT_EQ(write.At(4), "2027-12-31");
  EXPECT_EQ(write.Root().ChildAt(5)->ValueInteger(), 11);

  const ReadBack read(RequestText(Command({"member", "read", "--flag"})));
  EXPECT_EQ(read.Type(), "ReadMemberCard");
  ASSERT_EQ(read.Root().ChildCount(), 2);  // no channel: keydesk takes the hotel's card
  EXPECT_EQ(read.Root().ChildAt(1)->ValueInteger(), 1);
  const ReadBack plainRead(RequestText(Command({"member", "read", "--channel", "-1"})));
  EXPECT_EQ(plainRead.Root().ChildAt(1)->ValueInteger(), 0);
  EXPECT_EQ(plainRead.Root().ChildAt(2)->ValueInteger(), -1);
  EXPECT_EQ(ErrorOf(Command({"member", "read", "--channel", "alliance"})),
            "--channel takes an integer (-1 the hotel's card, 11 the alliance card), not "
            "'alliance'");

  const ReadBack print(
      RequestText(Command({"member", "print", "--card", "1001", "--text", "积分 20"})));
  EXPECT_EQ(print.Type(), "PrintMemberCard");
  EXPECT_EQ(print.At(1), "1001");
  EXPECT_EQ(print.At(2), "积分 20");
}

TEST(RequestBuilderTest, RequestsWithoutFieldsAreTheTypeAlone) {
  EXPECT_EQ(RequestText(Command({"read"})), "<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(RequestText(Command({"erase"})), "<DoorRequest type=\"EraseCard\"/>");
  EXPECT_EQ(RequestText(Command({"hand", "issue"})), "<HandRequest type=\"IssueHand\"/>");
  EXPECT_EQ(RequestText(Command({"hand", "read"})), "<HandRequest type=\"ReadHand\"/>");
  EXPECT_EQ(RequestText(Command({"hand", "erase"})), "<HandRequest type=\"EraseHand\"/>");
  EXPECT_EQ(RequestText(Command({"police"})), "<PoliceRequest/>");
}

TEST(RequestBuilderTest, FrameEndsInExactlyOneNul) {
  EXPECT_EQ(RequestFrame("<a/>"), std::string("<a/>\0", 5));
  EXPECT_EQ(RequestFrame(std::string("<a/>\0", 5)), std::string("<a/>\0", 5));
  EXPECT_EQ(RequestFrame(""), std::string("\0", 1));
}

}  // namespace
}  // namespace keydesk::client
