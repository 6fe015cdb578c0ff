// Reading keydesk's responses in keydesk-client, and the two ways it prints them.
#include "client/response_document.h"

#include <gtest/gtest.h>

#include "client/response_printer.h"
#include "platform/errors.h"

namespace keydesk::client {
namespace {

const std::string kIssued =
    "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode><ResultMessage>发卡成功"
    "</ResultMessage><CardNo>5301</CardNo></DoorResponse>";
const std::string kGuest =
    "<PoliceResponse><Guest><RoomNo>0108</RoomNo><Name>王小明</Name><Address>A &amp; \"B\""
    "</Address></Guest></PoliceResponse>";

TEST(ResponseDocumentTest, ReadsTheRootsElementsInOrder) {
  const ResponseDocument response = ReadResponseDocument(kIssued);
  EXPECT_EQ(response.RootName, "DoorResponse");
  ASSERT_EQ(response.Fields.size(), 4u);
  EXPECT_EQ(response.Fields[0].Name, "RequestID");
  EXPECT_EQ(response.Fields[3].Name, "CardNo");
  EXPECT_EQ(response.FieldValue("ResultCode"), "200");
  EXPECT_EQ(response.FieldValue("ResultMessage"), "发卡成功");
  EXPECT_EQ(response.FieldValue("Score"), "");
}

TEST(ResponseDocumentTest, KeepsTheTrailingBlankAndResolvesEscapes) {
  const ResponseDocument erased = ReadResponseDocument(
      "<DoorResponse><ResultMessage>注销卡成功 </ResultMessage><HandNo>&lt;7&amp;</HandNo>"
      "</DoorResponse>");
  EXPECT_EQ(erased.FieldValue("ResultMessage"), "注销卡成功 ");
  EXPECT_EQ(erased.FieldValue("HandNo"), "<7&");
}

TEST(ResponseDocumentTest, NestedElementsBecomeChildren) {
  const ResponseDocument response = ReadResponseDocument(kGuest);
  ASSERT_EQ(response.Fields.size(), 1u);
  EXPECT_EQ(response.Fields[0].Name, "Guest");
  ASSERT_EQ(response.Fields[0].Children.size(), 3u);
  EXPECT_EQ(response.Fields[0].Children[2].Value, "A & \"B\"");
  EXPECT_TRUE(ReadResponseDocument("<PoliceResponse></PoliceResponse>").Fields.empty());
}

TEST(ResponseDocumentTest, RefusesWhatIsNoDocument) {
  EXPECT_THROW(ReadResponseDocument(""), Error);
  EXPECT_THROW(ReadResponseDocument("OK"), Error);
  EXPECT_THROW(ReadResponseDocument("<DoorResponse><CardNo>1</DoorResponse>"), Error);
  EXPECT_THROW(ReadResponseDocument("<DoorResponse>\xD6\xD0</DoorResponse>"), Error);
}

TEST(ResponsePrinterTest, FieldLinesNameEachElement) {
  EXPECT_EQ(FieldLines(ReadResponseDocument(kIssued)),
            "RequestID:\nResultCode: 200\nResultMessage: 发卡成功\nCardNo: 5301\n");
  EXPECT_EQ(FieldLines(ReadResponseDocument(kGuest)),
            "Guest:\n  RoomNo: 0108\n  Name: 王小明\n  Address: A & \"B\"\n");
}

TEST(ResponsePrinterTest, JsonIsOneObjectWithEscapedStrings) {
  EXPECT_EQ(JsonText(ReadResponseDocument(kIssued)),
            "{\"RequestID\":\"\",\"ResultCode\":\"200\",\"ResultMessage\":\"发卡成功\","
            "\"CardNo\":\"5301\"}\n");
  EXPECT_EQ(
      JsonText(ReadResponseDocument(kGuest)),
      "{\"Guest\":{\"RoomNo\":\"0108\",\"Name\":\"王小明\",\"Address\":\"A & \\\"B\\\"\"}}\n");
  EXPECT_EQ(JsonText(ReadResponseDocument("<R><T>a\\b\tc</T></R>")),
            "{\"T\":\"a\\\\b\\u0009c\"}\n");
  EXPECT_EQ(JsonText(ReadResponseDocument("<PoliceResponse></PoliceResponse>")), "{}\n");
}

}  // namespace
}  // namespace keydesk::client
