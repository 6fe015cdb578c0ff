// The hand-tag handler from request text to response bytes, without a socket: the reply is
// delivered as the intake does, and the device is a fake, so that results and out
// parameters can be set freely.
#include "kinds/hand/hand_message_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/base_hand.h"
#include "fakes/fake_hand.h"
#include "handler_harness.h"
#include "platform/code_page.h"
#include "wire/xml_doc.h"

namespace keydesk {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// The response text (UTF-8) without its NUL.
std::string Response(const std::string& code, const std::string& message,
                     const std::string& handNo) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><HandNo>" + handNo +
         "</HandNo></DoorResponse>";
}

std::string Frame(const std::string& response) { return response + '\0'; }

const std::string kIssue = "<HandRequest type=\"IssueHand\"/>";
const std::string kRead = "<HandRequest type=\"ReadHand\"/>";
const std::string kErase = "<HandRequest type=\"EraseHand\"/>";

class HandHandlerTest : public ::testing::Test {
 protected:
  std::string Handle(const std::string& request, bool peerGone = false) {
    THandMessageHandler handler(harness_.log, installed_);
    return harness_.Handle(handler, request, peerGone);
  }
  test::HandlerHarness::Outcome Run(const std::string& request) {
    THandMessageHandler handler(harness_.log, installed_);
    return harness_.Run(handler, request);
  }
  std::vector<std::string> Log() const { return harness_.Log(); }

  test::HandlerHarness harness_;
  test::FakeHand device_;
  TBaseHand* installed_ = &device_;
};

TEST_F(HandHandlerTest, IssuesReadsAndErasesWithTheirMessagesAndLogLines) {
  EXPECT_EQ(Handle(kIssue), Frame(Response("200", "写手牌卡成功", "123")));
  EXPECT_THAT(Log(),
              ElementsAre("收到消息: ", kIssue, "执行操作->", "写手牌卡成功",
                          "返回数据:" + Response("200", "写手牌卡成功", "123"), "完成一次操作"));

  device_.number = "0456";
  EXPECT_EQ(Handle(kRead), Frame(Response("200", "读手牌卡成功", "0456")));
  // Full-width comma and colon in the read line.
  EXPECT_THAT(Log(), Contains("读手牌成功，卡号为：0456"));

  // The erase message ends in a blank inside the element; its log line does not.
  EXPECT_EQ(Handle(kErase), Frame(Response("200", "注销手牌成功 ", "0456")));
  const auto log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "注销手牌成功");
  EXPECT_EQ(log[log.size() - 2], "返回数据:" + Response("200", "注销手牌成功 ", "0456"));
  EXPECT_EQ(device_.Count("WriteCard"), 1);
  EXPECT_EQ(device_.Count("ReadCard"), 1);
  EXPECT_EQ(device_.Count("EraseCard"), 1);
}

TEST_F(HandHandlerTest, AFailedIssueKeepsTheNumberTriedWhileFailedReadsAndErasesDropIt) {
  device_.result = false;
  device_.number = "77";
  EXPECT_EQ(Handle(kIssue), Frame(Response("500", "发手牌卡失败", "77")));
  EXPECT_EQ(Handle(kRead), Frame(Response("500", "读手牌卡失败", "")));
  EXPECT_EQ(Handle(kErase), Frame(Response("500", "注销手牌失败 ", "")));
  // Two failure lines differ from the messages answered, and the erase line has no blank.
  const auto log = Log();
  EXPECT_THAT(log, Contains("发手牌失败"));
  EXPECT_THAT(log, Contains("读手牌失败"));
  EXPECT_THAT(log, Contains("注销手牌失败"));
  EXPECT_THAT(log, Not(Contains("发手牌卡失败")));
}

TEST_F(HandHandlerTest, WithoutADeviceEveryTypeFailsWithAnEmptyHandNo) {
  installed_ = nullptr;
  EXPECT_EQ(Handle(kIssue), Frame(Response("500", "发手牌卡失败", "")));
  EXPECT_EQ(Handle(kRead), Frame(Response("500", "读手牌卡失败", "")));
  EXPECT_EQ(Handle(kErase), Frame(Response("500", "注销手牌失败 ", "")));
  EXPECT_THAT(Log(), Contains("发手牌失败"));
  EXPECT_EQ(device_.Count("WriteCard") + device_.Count("ReadCard") + device_.Count("EraseCard"), 0);
}

TEST_F(HandHandlerTest, TheTypeIsTrimmedAndItsAttributeNameMatchedWithoutLetterCase) {
  EXPECT_EQ(Handle("<R TYPE=\" ReadHand \t\"/>"), Frame(Response("200", "读手牌卡成功", "123")));
  EXPECT_EQ(Handle("<R Type = 'EraseHand'/>"), Frame(Response("200", "注销手牌成功 ", "123")));
  EXPECT_EQ(device_.Count("ReadCard"), 1);
  EXPECT_EQ(device_.Count("EraseCard"), 1);
}

TEST_F(HandHandlerTest, AnUnknownTypeSendsNothingButStillLogsTheEmptyRecord) {
  for (const std::string request :
       {"<R type=\"readhand\"/>", "<R type=\"ReadCard\"/>", "<R/>", "<R type=\"\"/>"}) {
    EXPECT_EQ(Handle(request), "") << request;
    const auto log = Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_THAT(
        std::vector<std::string>(log.end() - 4, log.end()),
        ElementsAre(request, "执行操作->", "返回数据:" + Response("", "", ""), "完成一次操作"));
  }
  EXPECT_EQ(device_.Count("WriteCard") + device_.Count("ReadCard") + device_.Count("EraseCard"), 0);
}

TEST_F(HandHandlerTest, ValuesAreEscapedSoTheResponseStaysWellFormed) {
  device_.number = "A&B<tag>1</HandNo>";
  const std::string escaped = "A&amp;B&lt;tag&gt;1&lt;/HandNo&gt;";
  EXPECT_EQ(Handle(kRead), Frame(Response("200", "读手牌卡成功", escaped)));
  // The response as the PMS reads it gives the number back unchanged.
  TXmlDoc response;
  response.ParseText(Response("200", "", escaped));
  ASSERT_EQ(response.RootElement()->ChildCount(), 4);
  EXPECT_EQ(response.RootElement()->ChildAt(3)->ValueText(), device_.number);
  // The log shows the response as sent, and the read line the number itself.
  EXPECT_THAT(Log(), Contains("返回数据:" + Response("200", "读手牌卡成功", escaped)));
  EXPECT_THAT(Log(), Contains("读手牌成功，卡号为：" + device_.number));
}

TEST_F(HandHandlerTest, ChineseHandNumbersAreSentInUtf8) {
  device_.number = AnsiFromUtf8("手牌七号");
  EXPECT_EQ(Handle(kRead), Frame(Response("200", "读手牌卡成功", "手牌七号")));
}

TEST_F(HandHandlerTest, RequestIdIsEmptyWhateverTheRequestHolds) {
  EXPECT_EQ(Handle("<R type=\"IssueHand\" RequestID=\"9\"><RequestID>9</RequestID></R>"),
            Frame(Response("200", "写手牌卡成功", "123")));
}

TEST_F(HandHandlerTest, AFailedSendIsLoggedOnItsOwnLineAndTheRequestsLinesAreFinished) {
  Handle(kRead, /*peerGone=*/true);
  const auto log = Log();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[log.size() - 5], "读手牌成功，卡号为：123");
  // The injected error's two lines, "Socket Error # 32" and the system's text for it.
  const auto error = test::SplitLines(Utf8FromAnsi(SocketErrorText(EPIPE)));
  ASSERT_EQ(error.size(), 2u);
  EXPECT_EQ(log[log.size() - 4], error[0]);
  EXPECT_EQ(log[log.size() - 3], error[1]);
  EXPECT_EQ(log[log.size() - 2], "返回数据:" + Response("200", "读手牌卡成功", "123"));
  EXPECT_EQ(log.back(), "完成一次操作");
}

TEST_F(HandHandlerTest, AnUnreadableRequestEndsWithoutAResponseOrADeviceCall) {
  const auto empty = Run("");
  EXPECT_EQ(empty.error, "No root element found in xml");
  EXPECT_EQ(empty.bytes, "");
  const auto mismatched = Run("<R type=\"IssueHand\"><A>1</B></R>");
  EXPECT_EQ(mismatched.error, "Incorrect close tag in element A");
  EXPECT_EQ(mismatched.bytes, "");
  EXPECT_EQ(device_.Count("WriteCard"), 0);
  // Only the received lines: the request's text follows each.
  EXPECT_THAT(Log(),
              ElementsAre("收到消息: ", "", "收到消息: ", "<R type=\"IssueHand\"><A>1</B></R>"));
}

TEST(HandResponseTest, RendersEveryElementInOrderEvenWhenEmpty) {
  EXPECT_EQ(hand::TResponse().ToXml(),
            "<DoorResponse><RequestID></RequestID><ResultCode></ResultCode><ResultMessage>"
            "</ResultMessage><HandNo></HandNo></DoorResponse>");
}

}  // namespace
}  // namespace keydesk
