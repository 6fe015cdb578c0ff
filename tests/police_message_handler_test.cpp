// The police handler and its guest fragment, without a socket: the reply is delivered as
// the intake does, and the police system is a fake that offers a fixed guest.
#include "kinds/police/police_message_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "devices/base_police.h"
#include "fakes/fake_police.h"
#include "handler_harness.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "wire/xml_doc.h"

namespace keydesk {
namespace {

using ::testing::ElementsAre;

// A guest whose texts are given in UTF-8 and kept, as the police system keeps them, in code
// page 936.
TGuest Guest(const std::string& name = "王小明", const std::string& genderId = "1",
             const std::string& address = "北京市东城区1号") {
  TGuest guest;
  guest.RoomNo = "0808";
  guest.EnterTime = "2008-08-18 14:00:00";
  guest.IdCardTypeID = "99";  // not read: the response always carries 11
  guest.IdCardNo = "110101199001011234";
  guest.Name = AnsiFromUtf8(name);
  guest.Nationality = AnsiFromUtf8("汉");
  guest.GenderID = genderId;
  guest.SalutationID = "7";  // not read: derived from GenderID
  guest.CountryCode = "CHN";
  guest.ProvinceCode = "11";
  guest.Address = AnsiFromUtf8(address);
  guest.Birthday = "1990-01-01";
  return guest;
}

// The fragment of Guest() in UTF-8, with the salutation and the escaped texts given.
std::string Fragment(const std::string& name = "王小明", const std::string& genderId = "1",
                     const std::string& salutation = "2",
                     const std::string& address = "北京市东城区1号") {
  return "<Guest><RoomNo>0808</RoomNo><EnterTime>2008-08-18 14:00:00</EnterTime>"
         "<IdCardTypeID>11</IdCardTypeID><IdCardNo>110101199001011234</IdCardNo><Name>" +
         name + "</Name><Nationality>汉</Nationality><GenderID>" + genderId +
         "</GenderID><SalutationID>" + salutation +
         "</SalutationID><CountryCode>CHN</CountryCode><ProvinceCode>11</ProvinceCode>"
         "<Address>" +
         address + "</Address><Birthday>1990-01-01</Birthday></Guest>";
}

const std::string kEmptyResponse = "<PoliceResponse></PoliceResponse>";

class PoliceHandlerTest : public ::testing::Test {
 protected:
  std::string Handle(const std::string& request, bool peerGone = false) {
    TPoliceMessageHandler handler(harness_.log, installed_);
    return harness_.Handle(handler, request, peerGone);
  }
  test::HandlerHarness::Outcome Run(const std::string& request) {
    TPoliceMessageHandler handler(harness_.log, installed_);
    return harness_.Run(handler, request);
  }
  std::vector<std::string> Log() const { return harness_.Log(); }

  test::HandlerHarness harness_;
  test::FakePolice police_;
  TBasePolice* installed_ = &police_;
};

TEST_F(PoliceHandlerTest, AnswersWithTheGuestInUtf8AndLogsItInCodePage936) {
  police_.guest = Guest();
  const std::string response = "<PoliceResponse>" + Fragment() + "</PoliceResponse>";
  EXPECT_EQ(Handle("<PoliceRequest/>"), response + '\0');
  // LogMessages turns the file's code page 936 back into UTF-8.
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", "<PoliceRequest/>", "返回结果: ", response));
  const std::string logBytes = test::ReadFileBytes(harness_.log.FileName());
  EXPECT_NE(logBytes.find(AnsiFromUtf8("<Name>王小明</Name>")), std::string::npos);
  EXPECT_EQ(logBytes.find("<Name>王小明</Name>"), std::string::npos);
}

TEST_F(PoliceHandlerTest, AnyRequestTextGetsTheSameAnswerWithoutBeingRead) {
  police_.guest = Guest();
  const std::string expected = "<PoliceResponse>" + Fragment() + "</PoliceResponse>" + '\0';
  for (const std::string request : {"", "not xml at all <", "<A>1</B>", "<R type=\"x\"/>"}) {
    EXPECT_EQ(Handle(request), expected) << request;
  }
  EXPECT_EQ(police_.Count("GetGuest"), 4);
}

TEST_F(PoliceHandlerTest, WithoutAGuestOrAPoliceSystemTheResponseIsEmpty) {
  EXPECT_EQ(Handle("<PoliceRequest/>"), kEmptyResponse + '\0');
  installed_ = nullptr;
  EXPECT_EQ(Handle("<PoliceRequest/>"), kEmptyResponse + '\0');
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", "<PoliceRequest/>", "返回结果: ", kEmptyResponse,
                                 "收到消息: ", "<PoliceRequest/>", "返回结果: ", kEmptyResponse));
}

TEST_F(PoliceHandlerTest, ANonIntegerGenderEndsTheRequestWithoutAResponse) {
  police_.guest = Guest("王小明", "M");
  const auto outcome = Run("<PoliceRequest/>");
  EXPECT_EQ(outcome.error, "'M' is not a valid integer value");
  EXPECT_EQ(outcome.bytes, "");
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", "<PoliceRequest/>"));
}

TEST_F(PoliceHandlerTest, AFailedSendIsSwallowedWithoutALogLine) {
  police_.guest = Guest();
  Handle("<PoliceRequest/>", /*peerGone=*/true);
  EXPECT_EQ(Log().size(), 4u);
  EXPECT_EQ(Log()[2], "返回结果: ");
}

TEST(GuestToXmlTest, WritesTheFieldsInOrderWithCardTypeElevenAndSalutationOneMoreThanGender) {
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest())), Fragment());
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest("王小明", "9"))), Fragment("王小明", "9", "10"));
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest("王小明", "0"))), Fragment("王小明", "0", "1"));
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest("王小明", "-1"))), Fragment("王小明", "-1", "0"));
  // The gender is sent as written; only the salutation is its value.
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest("王小明", " 12"))), Fragment("王小明", " 12", "13"));
}

TEST(GuestToXmlTest, TheLargestGenderCodeDoesNotWrapAround) {
  EXPECT_EQ(Utf8FromAnsi(GuestToXml(Guest("王小明", "2147483647"))),
            Fragment("王小明", "2147483647", "2147483648"));
}

TEST(GuestToXmlTest, AGenderThatIsNoIntegerRaisesTheConversionError) {
  for (const std::string gender : {"", "M", "1.0", "2147483648"}) {
    try {
      GuestToXml(Guest("王小明", gender));
      ADD_FAILURE() << "no error for '" << gender << "'";
    } catch (const ConvertError& error) {
      EXPECT_EQ(std::string(error.what()), "'" + gender + "' is not a valid integer value");
    }
  }
}

TEST(GuestToXmlTest, ValuesAreEscapedSoTheResponseStaysWellFormed) {
  const std::string fragment = Utf8FromAnsi(GuestToXml(Guest("A&B<Name>", "1", "路<1>号&")));
  EXPECT_EQ(fragment, Fragment("A&amp;B&lt;Name&gt;", "1", "2", "路&lt;1&gt;号&amp;"));
  // Read back as the PMS would, the values come out unchanged.
  TXmlDoc document;
  document.ParseText(AnsiFromUtf8(fragment));
  const TXmlNode& guest = *document.RootElement();
  ASSERT_EQ(guest.ChildCount(), 12);
  EXPECT_EQ(guest.ChildAt(4)->ValueText(), "A&B<Name>");
  EXPECT_EQ(guest.ChildAt(10)->ValueText(), AnsiFromUtf8("路<1>号&"));
}

}  // namespace
}  // namespace keydesk
