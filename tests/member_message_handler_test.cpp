// The member-card handler from request text to response bytes, without a socket: the reply
// is delivered as the intake does, and the device is a fake that records every argument
// and whose out parameters can be set freely.
#include "kinds/member/member_message_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/base_member.h"
#include "fakes/fake_member.h"
#include "handler_harness.h"
#include "platform/code_page.h"

namespace keydesk {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

// A read the device got, by its flag and channel.
auto Read(bool flag, int32_t channel) {
  return AllOf(Field(&test::MemberRead::flag, flag), Field(&test::MemberRead::channel, channel));
}

struct Fields {
  std::string cardNo, expireDate, guestName, score, password;
};

Fields CardNoOnly(const std::string& cardNo) {
  Fields fields;
  fields.cardNo = cardNo;
  return fields;
}

// The response text (UTF-8) with its NUL; the password element comes last.
std::string Frame(const std::string& code, const std::string& message, const Fields& fields = {}) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" + fields.cardNo +
         "</CardNo><ExpireDate>" + fields.expireDate + "</ExpireDate><GuestName>" +
         fields.guestName + "</GuestName><Score>" + fields.score + "</Score><Password>" +
         fields.password + "</Password></DoorResponse>" + '\0';
}

std::string WriteRequest(const std::string& extra = "") {
  return "<MemberRequest type=\"WriteMemberCard\"><Hotel>H1</Hotel><CardNo>1001</CardNo>"
         "<Name>张三</Name><Password>654321</Password><Expire>2027-12-31</Expire>" +
         extra + "</MemberRequest>";
}

std::string ReadRequest(const std::string& flag, const std::string& extra = "") {
  return "<MemberRequest type=\"ReadMemberCard\"><Hotel>H1</Hotel><Flag>" + flag + "</Flag>" +
         extra + "</MemberRequest>";
}

const std::string kPrintRequest =
    "<MemberRequest type=\"PrintMemberCard\"><Hotel>H1</Hotel><CardNo>8001</CardNo>"
    "<Text>当前消费:100 卡内余额:300</Text></MemberRequest>";

class MemberHandlerTest : public ::testing::Test {
 protected:
  std::string Handle(const std::string& request, bool peerGone = false) {
    TMemberMessageHandler handler(harness_.log, installed_);
    return harness_.Handle(handler, request, peerGone);
  }
  test::HandlerHarness::Outcome Run(const std::string& request) {
    TMemberMessageHandler handler(harness_.log, installed_);
    return harness_.Run(handler, request);
  }
  std::vector<std::string> Log() const { return harness_.Log(); }

  test::HandlerHarness harness_;
  test::FakeMember device_;
  TBaseMember* installed_ = &device_;
};

TEST_F(MemberHandlerTest, WritesTheCardWithItsTextsAndLogsOnlyTheRequestAndTheOutcome) {
  const std::string request = WriteRequest();
  EXPECT_EQ(Handle(request), Frame("200", "写卡成功", CardNoOnly("1001")));
  EXPECT_THAT(device_.writes, ElementsAre(test::MemberWrite{"1001", AnsiFromUtf8("张三"), "654321",
                                                            "2027-12-31", -1}));
  // ASCII comma and colon; no "执行操作->", "返回数据:" or "完成一次操作" lines.
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", request, "写卡成功,卡号为:1001"));
}

TEST_F(MemberHandlerTest, TheWriteChannelIsTheSixthFieldOrMinusOne) {
  Handle(WriteRequest("<Channel>11</Channel>"));
  Handle(WriteRequest("<Channel>alliance</Channel>"));
  Handle(WriteRequest("<Channel></Channel>"));
  ASSERT_EQ(device_.writes.size(), 3u);
  EXPECT_EQ(device_.writes[0].channel, 11);
  EXPECT_EQ(device_.writes[1].channel, -1);
  EXPECT_EQ(device_.writes[2].channel, -1);
}

TEST_F(MemberHandlerTest, AFailedWriteStillEchoesTheCardNumber) {
  device_.result = false;
  EXPECT_EQ(Handle(WriteRequest()), Frame("500", "写卡失败", CardNoOnly("1001")));
  EXPECT_THAT(Log(), Contains("写卡失败,卡号为:1001"));
}

TEST_F(MemberHandlerTest, ReadsTheCardWithThePasswordLastOnTheWire) {
  device_.guestName = AnsiFromUtf8("李四");
  EXPECT_EQ(Handle(ReadRequest("1")),
            Frame("200", "读卡成功", {"8001", "2027-12-31", "李四", "250", "pw"}));
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", ReadRequest("1"), "读卡成功，卡号为：8001"));
}

TEST_F(MemberHandlerTest, TheReadFlagIsTrueOnlyForOneAndTheChannelDefaultsToMinusOne) {
  Handle(ReadRequest("1"));
  Handle(ReadRequest("0"));
  Handle(ReadRequest("2"));
  Handle(ReadRequest("1", "<Channel>11</Channel>"));
  Handle(ReadRequest("1", "<Channel>x</Channel>"));
  EXPECT_THAT(device_.reads, ElementsAre(Read(true, -1), Read(false, -1), Read(false, -1),
                                         Read(true, 11), Read(true, -1)));
}

TEST_F(MemberHandlerTest, ANonIntegerReadFlagEndsTheRequestWithoutAResponse) {
  for (const std::string flag : {"yes", "", "1.0"}) {
    const auto outcome = Run(ReadRequest(flag));
    EXPECT_EQ(outcome.error, "'" + flag + "' is not a valid integer value");
    EXPECT_EQ(outcome.bytes, "");
  }
  EXPECT_THAT(device_.reads, IsEmpty());
}

TEST_F(MemberHandlerTest, AFailedReadDropsWhatTheDeviceLeftInItsOutTexts) {
  device_.result = false;
  EXPECT_EQ(Handle(ReadRequest("0")), Frame("500", "读卡失败"));
  EXPECT_EQ(Log().back(), "读卡失败");
}

TEST_F(MemberHandlerTest, PrintsTheTextForTheCardAndAnswersWithEmptyDataFields) {
  EXPECT_EQ(Handle(kPrintRequest), Frame("200", "打印卡成功"));
  EXPECT_THAT(device_.prints, ElementsAre(std::pair<std::string, std::string>(
                                  "8001", AnsiFromUtf8("当前消费:100 卡内余额:300"))));
  EXPECT_EQ(Log().back(), "打印卡成功");
  device_.result = false;
  EXPECT_EQ(Handle(kPrintRequest), Frame("500", "打印卡失败"));
  EXPECT_EQ(Log().back(), "打印卡失败");
}

TEST_F(MemberHandlerTest, WithoutADeviceEveryTypeFails) {
  installed_ = nullptr;
  EXPECT_EQ(Handle(WriteRequest()), Frame("500", "写卡失败", CardNoOnly("1001")));
  EXPECT_EQ(Handle(ReadRequest("1")), Frame("500", "读卡失败"));
  EXPECT_EQ(Handle(kPrintRequest), Frame("500", "打印卡失败"));
  EXPECT_THAT(Log(), Contains("读卡失败"));
  EXPECT_TRUE(device_.writes.empty() && device_.reads.empty() && device_.prints.empty());
}

TEST_F(MemberHandlerTest, ACommentAmongTheFieldsMovesEveryLaterPosition) {
  Handle(
      "<M type=\"WriteMemberCard\"><Hotel>H1</Hotel><!--note--><CardNo>1001</CardNo><Name>N"
      "</Name><Password>P</Password><Expire>E</Expire></M>");
  // The comment is the card number, and the channel comes from the expiry date's position.
  EXPECT_THAT(device_.writes, ElementsAre(test::MemberWrite{"note", "1001", "N", "P", -1}));
  // The flag is read from the comment, the channel from the flag's position.
  Handle("<M type=\"ReadMemberCard\"><Hotel>H1</Hotel><!--1--><Flag>0</Flag><C>11</C></M>");
  EXPECT_THAT(device_.reads, ElementsAre(Read(true, 0)));
}

TEST_F(MemberHandlerTest, ARequestLackingARequiredPositionEndsWithoutAResponseOrACall) {
  const auto write = Run("<M type=\"WriteMemberCard\"><a/><b>1</b><c/><d/></M>");
  EXPECT_TRUE(write.error.has_value());
  EXPECT_EQ(write.bytes, "");
  const auto read = Run("<M type=\"ReadMemberCard\"><a/></M>");
  EXPECT_TRUE(read.error.has_value());
  EXPECT_EQ(read.bytes, "");
  const auto print = Run("<M type=\"PrintMemberCard\"><a/><b>1</b></M>");
  EXPECT_TRUE(print.error.has_value());
  EXPECT_EQ(print.bytes, "");
  EXPECT_TRUE(device_.writes.empty() && device_.reads.empty() && device_.prints.empty());
  // Of its own lines the handler has logged only the requests.
  EXPECT_EQ(Log().size(), 6u);
}

TEST_F(MemberHandlerTest, AnUnknownTypeSendsAndLogsNothingMore) {
  EXPECT_EQ(Handle("<M type=\"readmembercard\"><a/><b>1</b></M>"), "");
  EXPECT_EQ(Handle("<M/>"), "");
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", "<M type=\"readmembercard\"><a/><b>1</b></M>",
                                 "收到消息: ", "<M/>"));
  EXPECT_TRUE(device_.reads.empty());
}

TEST_F(MemberHandlerTest, AFailedSendIsSwallowedWithoutALogLine) {
  Handle(ReadRequest("1"), /*peerGone=*/true);
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", ReadRequest("1"), "读卡成功，卡号为：8001"));
}

TEST_F(MemberHandlerTest, ValuesAreEscapedSoTheResponseStaysWellFormed) {
  device_.guestName = "Tom & <Jerry>";
  EXPECT_EQ(
      Handle(ReadRequest("1")),
      Frame("200", "读卡成功", {"8001", "2027-12-31", "Tom &amp; &lt;Jerry&gt;", "250", "pw"}));
  EXPECT_EQ(Handle(WriteRequest().replace(WriteRequest().find("1001"), 4, "1&amp;2")),
            Frame("200", "写卡成功", CardNoOnly("1&amp;2")));
  EXPECT_EQ(device_.writes.back().cardNo, "1&2");
}

TEST(MemberResponseTest, RendersEveryElementWithThePasswordLastEvenWhenEmpty) {
  member::TResponse response;
  response.Password = "p";
  EXPECT_EQ(response.ToXml(),
            "<DoorResponse><RequestID></RequestID><ResultCode></ResultCode><ResultMessage>"
            "</ResultMessage><CardNo></CardNo><ExpireDate></ExpireDate><GuestName></GuestName>"
            "<Score></Score><Password>p</Password></DoorResponse>");
}

}  // namespace
}  // namespace keydesk
