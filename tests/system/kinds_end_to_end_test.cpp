// The hand-tag, member-card and police kinds end to end: the real program, started headless
// with --kind N on a free port and its simulated device keeping its files in the test's
// folder, driven over real sockets on 127.0.0.1. Cases are grouped so that each kind needs
// few processes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>

#include "app/command_line.h"
#include "loopback_client.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/field_file.h"
#include "platform/profile_file.h"
#include "server_process.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"

namespace keydesk {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class KindsEndToEndTest : public ::testing::Test {
 protected:
  KindsEndToEndTest() {
    // An existing store keeps its opening failure out of the log.
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dir_.File("Client.mdb"), error)) << error;
  }

  void Start(const std::string& kind, const std::string& portOption,
             std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"--kind", kind};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    server_ = std::make_unique<test::ServerProcess>(
        dir_.Path().string(), arguments, std::map<std::string, std::string>{}, portOption);
  }

  // The response to one request sent on a connection of its own; none when the server sent
  // nothing. Either way the server must close the connection with no byte after the NUL.
  std::optional<std::string> Ask(const std::string& request) {
    test::LoopbackClient client(server_->Port());
    client.SendFrame(request);
    std::optional<std::string> response = client.ReadResponse();
    EXPECT_TRUE(client.ClosedByServer()) << request;
    EXPECT_EQ(client.Unread(), "") << request;
    return response;
  }

  // The log's messages (UTF-8). Complete for every request whose connection has closed,
  // since the intake closes it only after the handler has returned.
  std::vector<std::string> Log() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      if (entry.path().extension() == ".LOG") return test::LogMessages(entry.path().string());
    }
    return {};
  }
  std::string LogBytes() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
      if (entry.path().extension() == ".LOG") return test::ReadFileBytes(entry.path().string());
    }
    return {};
  }

  std::string File(const std::string& name) const { return test::ReadFileBytes(dir_.File(name)); }

  test::TempDir dir_;
  std::unique_ptr<test::ServerProcess> server_;
};

// ---- Hand tag (kind 4) ----

std::string HandResponse(const std::string& code, const std::string& message,
                         const std::string& handNo) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><HandNo>" + handNo +
         "</HandNo></DoorResponse>";
}

const std::string kIssueHand = "<HandRequest type=\"IssueHand\"/>";
const std::string kReadHand = "<HandRequest type=\"ReadHand\"/>";
const std::string kEraseHand = "<HandRequest type=\"EraseHand\"/>";

TEST_F(KindsEndToEndTest, HandTagsAreIssuedReadAndErasedWithEveryStepLogged) {
  Start("4", "HandPortNo");
  EXPECT_EQ(Ask(kReadHand), HandResponse("500", "读手牌卡失败", ""));
  EXPECT_EQ(Ask(kEraseHand), HandResponse("500", "注销手牌失败 ", ""));
  EXPECT_EQ(Ask(kIssueHand), HandResponse("200", "写手牌卡成功", "1"));
  EXPECT_EQ(Ask(kReadHand), HandResponse("200", "读手牌卡成功", "1"));
  EXPECT_EQ(Ask(kIssueHand), HandResponse("200", "写手牌卡成功", "2"));
  EXPECT_EQ(Ask("<R TYPE=\" EraseHand \"/>"), HandResponse("200", "注销手牌成功 ", "2"));
  EXPECT_EQ(Ask(kReadHand), HandResponse("500", "读手牌卡失败", ""));
  EXPECT_EQ(Ask("<R type=\"readhand\"/>"), std::nullopt);

  const auto log = Log();
  ASSERT_GE(log.size(), 12u);
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 12),
              ElementsAre("收到消息: ", kReadHand, "执行操作->", "读手牌失败",
                          "返回数据:" + HandResponse("500", "读手牌卡失败", ""), "完成一次操作",
                          "收到消息: ", kEraseHand, "执行操作->", "注销手牌失败",
                          "返回数据:" + HandResponse("500", "注销手牌失败 ", ""), "完成一次操作"));
  EXPECT_THAT(log, Contains("写手牌卡成功"));
  EXPECT_THAT(log, Contains("读手牌成功，卡号为：1"));
  EXPECT_THAT(log, Contains("注销手牌成功"));
  // The unknown type is logged with the empty record.
  EXPECT_THAT(log, Contains("返回数据:" + HandResponse("", "", "")));
  EXPECT_EQ(log.back(), "完成一次操作");

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(server_->Stdout(), "手牌接口监听服务器已经启动...\n接口监听服务器已经停止。\n");
}

TEST_F(KindsEndToEndTest, HandNumbersAreEscapedAndAFailedIssueCarriesTheNumberTried) {
  ASSERT_TRUE(AppendToFile(dir_.File("SimHand.txt"), "HandNo=A&B<7></HandNo>\r\n"));
  Start("4", "HandPortNo");
  EXPECT_EQ(Ask(kReadHand), HandResponse("200", "读手牌卡成功", "A&amp;B&lt;7&gt;&lt;/HandNo&gt;"));
  EXPECT_THAT(Log(), Contains("读手牌成功，卡号为：A&B<7></HandNo>"));

  // A tag that cannot be stored: the number was handed out, the write failed.
  std::filesystem::remove(dir_.File("SimHand.txt"));
  std::filesystem::create_directory(dir_.File("SimHand.txt"));
  EXPECT_EQ(Ask(kIssueHand), HandResponse("500", "发手牌卡失败", "1"));
  EXPECT_THAT(Log(), Contains("发手牌失败"));

  // Requests that cannot be read get nothing, and the next one is served.
  EXPECT_EQ(Ask("\xC3\x28"), std::nullopt);
  EXPECT_EQ(Ask("<HandRequest type=\"IssueHand\">"), std::nullopt);
  EXPECT_THAT(Log(), Contains("No root element found in xml"));
  EXPECT_THAT(Log(), Contains("Missing close tag in element HandRequest"));
  std::filesystem::remove(dir_.File("SimHand.txt"));
  EXPECT_EQ(Ask(kIssueHand), HandResponse("200", "写手牌卡成功", "2"));
}

TEST_F(KindsEndToEndTest, WithoutItsDeviceTheHandKindAnswersEveryTypeAsAFailure) {
  Start("4", "HandPortNo", {"--no-device"});
  EXPECT_EQ(Ask(kIssueHand), HandResponse("500", "发手牌卡失败", ""));
  EXPECT_EQ(Ask(kReadHand), HandResponse("500", "读手牌卡失败", ""));
  EXPECT_EQ(Ask(kEraseHand), HandResponse("500", "注销手牌失败 ", ""));
  EXPECT_THAT(Log(), Contains("发手牌失败"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("SimHand.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("SimHandTrace.txt")));
}

// ---- Member card (kind 3) ----

struct MemberFields {
  std::string cardNo, expireDate, guestName, score, password;
};

MemberFields CardNoOnly(const std::string& cardNo) {
  MemberFields fields;
  fields.cardNo = cardNo;
  return fields;
}

std::string MemberResponse(const std::string& code, const std::string& message,
                           const MemberFields& fields = {}) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" + fields.cardNo +
         "</CardNo><ExpireDate>" + fields.expireDate + "</ExpireDate><GuestName>" +
         fields.guestName + "</GuestName><Score>" + fields.score + "</Score><Password>" +
         fields.password + "</Password></DoorResponse>";
}

std::string WriteMember(const std::string& cardNo, const std::string& name,
                        const std::string& extra = "") {
  return "<MemberRequest type=\"WriteMemberCard\"><Hotel>H1</Hotel><CardNo>" + cardNo +
         "</CardNo><Name>" + name +
         "</Name><Password>654321</Password><Expire>2027-12-31</Expire>" + extra +
         "</MemberRequest>";
}

std::string ReadMember(const std::string& flag, const std::string& extra = "") {
  return "<MemberRequest type=\"ReadMemberCard\"><Hotel>H1</Hotel><Flag>" + flag + "</Flag>" +
         extra + "</MemberRequest>";
}

TEST_F(KindsEndToEndTest, MemberCardsAreWrittenReadAndPrintedThroughTheirChannels) {
  Start("3", "MemberPortNo");
  EXPECT_EQ(Ask(ReadMember("1")), MemberResponse("500", "读卡失败"));

  // Five fields: the hotel's own card, channel -1.
  EXPECT_EQ(Ask(WriteMember("1001", "张三")),
            MemberResponse("200", "写卡成功", CardNoOnly("1001")));
  EXPECT_EQ(Ask(ReadMember("1")),
            MemberResponse("200", "读卡成功", {"1001", "2027-12-31", "张三", "0", "654321"}));

  // Channel 11 writes an alliance card, which only a read through channel 11 can see whole.
  EXPECT_EQ(Ask(WriteMember("2002", "李四", "<Channel>11</Channel>")),
            MemberResponse("200", "写卡成功", CardNoOnly("2002")));
  EXPECT_THAT(File("SimMember.txt"), HasSubstr("Channel=11\r\n"));
  EXPECT_EQ(Ask(ReadMember("0")), MemberResponse("500", "读卡失败"));
  EXPECT_EQ(Ask(ReadMember("2", "<Channel>11</Channel>")),
            MemberResponse("200", "读卡成功", {"2002", "2027-12-31", "李四", "0", "654321"}));

  // A channel that is not an integer is -1.
  EXPECT_EQ(Ask(WriteMember("3003", "王五", "<Channel>alliance</Channel>")),
            MemberResponse("200", "写卡成功", CardNoOnly("3003")));
  EXPECT_THAT(File("SimMember.txt"), HasSubstr("Channel=-1\r\n"));
  EXPECT_EQ(Ask(ReadMember("1", "<Channel>x</Channel>")),
            MemberResponse("200", "读卡成功", {"3003", "2027-12-31", "王五", "0", "654321"}));

  // Printing answers with every data field empty.
  EXPECT_EQ(Ask("<MemberRequest type=\"PrintMemberCard\"><Hotel>H1</Hotel><CardNo>88888888"
                "</CardNo><Text>当前消费:100</Text></MemberRequest>"),
            MemberResponse("200", "打印卡成功"));
  EXPECT_EQ(File("SimMemberPrint.txt"),
            "CardNo 88888888\r\n" + AnsiFromUtf8("当前消费:100") + "\r\n");

  EXPECT_EQ(Ask("<MemberRequest type=\"printmembercard\"/>"), std::nullopt);

  // The flag reaches the device as true only for 1: the device's trace shows each read.
  EXPECT_THAT(
      test::SplitLines(File("SimMemberTrace.txt")),
      ElementsAre("ReadCard 1 -1", "WriteCard -1", "ReadCard 1 -1", "WriteCard 11", "ReadCard 0 -1",
                  "ReadCard 0 11", "WriteCard -1", "ReadCard 1 -1", "PrintCard"));
  const auto log = Log();
  ASSERT_GE(log.size(), 6u);
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 6),
              ElementsAre("收到消息: ", ReadMember("1"), "读卡失败",
                          "收到消息: ", WriteMember("1001", "张三"), "写卡成功,卡号为:1001"));
  EXPECT_THAT(log, Contains("读卡成功，卡号为：1001"));
  EXPECT_THAT(log, Contains("打印卡成功"));
  EXPECT_THAT(log, Not(Contains("执行操作->")));
  EXPECT_THAT(log, Not(Contains("完成一次操作")));
  EXPECT_EQ(log.back(), "<MemberRequest type=\"printmembercard\"/>");

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(server_->Stdout(), "会员卡接口监听服务器已经启动...\n接口监听服务器已经停止。\n");
}

TEST_F(KindsEndToEndTest, MemberRequestsThatCannotBeCarriedOutGetNoResponse) {
  Start("3", "MemberPortNo");
  EXPECT_EQ(Ask(ReadMember("yes")), std::nullopt);
  EXPECT_EQ(Ask("<MemberRequest type=\"WriteMemberCard\"><a/><b>1</b><c/><d/></MemberRequest>"),
            std::nullopt);
  EXPECT_EQ(Ask("<MemberRequest type=\"ReadMemberCard\"><a/></MemberRequest>"), std::nullopt);
  EXPECT_EQ(Ask("<MemberRequest type=\"PrintMemberCard\"><a/><b/></MemberRequest>"), std::nullopt);
  EXPECT_THAT(Log(), Contains("'yes' is not a valid integer value"));
  // None of them reached the device.
  EXPECT_FALSE(std::filesystem::exists(dir_.File("SimMemberTrace.txt")));

  // A comment after position 0 becomes the card number, and moves the texts on by one.
  EXPECT_EQ(Ask("<MemberRequest type=\"WriteMemberCard\"><Hotel>H1</Hotel><!--C1--><CardNo>1001"
                "</CardNo><Name>N</Name><Password>P</Password></MemberRequest>"),
            MemberResponse("200", "写卡成功", CardNoOnly("C1")));
  EXPECT_EQ(Ask(ReadMember("0")), MemberResponse("200", "读卡成功", {"C1", "P", "1001", "0", "N"}));

  // Values are escaped, so the response stays well-formed.
  EXPECT_EQ(Ask(WriteMember("7&amp;8", "Tom &amp; &lt;Jerry&gt;")),
            MemberResponse("200", "写卡成功", CardNoOnly("7&amp;8")));
  EXPECT_EQ(Ask(ReadMember("0")),
            MemberResponse("200", "读卡成功",
                           {"7&amp;8", "2027-12-31", "Tom &amp; &lt;Jerry&gt;", "0", "654321"}));
  EXPECT_THAT(Log(), Contains("写卡成功,卡号为:7&8"));
}

TEST_F(KindsEndToEndTest, WithoutItsDeviceTheMemberKindAnswersEveryTypeAsAFailure) {
  Start("3", "MemberPortNo", {"--no-device"});
  EXPECT_EQ(Ask(WriteMember("1001", "张三")),
            MemberResponse("500", "写卡失败", CardNoOnly("1001")));
  EXPECT_EQ(Ask(ReadMember("1")), MemberResponse("500", "读卡失败"));
  EXPECT_EQ(Ask("<MemberRequest type=\"PrintMemberCard\"><Hotel>H1</Hotel><CardNo>1</CardNo>"
                "<Text>x</Text></MemberRequest>"),
            MemberResponse("500", "打印卡失败"));
  EXPECT_THAT(Log(), Contains("写卡失败,卡号为:1001"));
  EXPECT_THAT(Log(), Contains("读卡失败"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("SimMember.txt")));
}

// ---- Police (kind 2) ----

class PoliceEndToEndTest : public KindsEndToEndTest {
 protected:
  void Offer(const std::string& key, const std::string& utf8Value) {
    ProfileFile(dir_.File("SimGuest.ini")).WriteString("Guest", key, AnsiFromUtf8(utf8Value));
  }
  void OfferGuest(const std::string& name, const std::string& address,
                  const std::string& genderId = "1") {
    Offer("RoomNo", "0808");
    Offer("EnterTime", "2008-08-18 14:00:00");
    Offer("IdCardNo", "110101199001011234");
    Offer("Name", name);
    Offer("Nationality", "汉");
    Offer("GenderID", genderId);
    Offer("CountryCode", "CHN");
    Offer("ProvinceCode", "11");
    Offer("Address", address);
    Offer("Birthday", "1990-01-01");
  }
};

std::string PoliceResponse(const std::string& name, const std::string& address,
                           const std::string& genderId = "1", const std::string& salutation = "2") {
  return "<PoliceResponse><Guest><RoomNo>0808</RoomNo><EnterTime>2008-08-18 14:00:00</EnterTime>"
         "<IdCardTypeID>11</IdCardTypeID><IdCardNo>110101199001011234</IdCardNo><Name>" +
         name + "</Name><Nationality>汉</Nationality><GenderID>" + genderId +
         "</GenderID><SalutationID>" + salutation +
         "</SalutationID><CountryCode>CHN</CountryCode><ProvinceCode>11</ProvinceCode>"
         "<Address>" +
         address + "</Address><Birthday>1990-01-01</Birthday></Guest></PoliceResponse>";
}

const std::string kEmptyPoliceResponse = "<PoliceResponse></PoliceResponse>";

TEST_F(PoliceEndToEndTest, AnswersWithTheGuestInUtf8WhileTheLogHoldsCodePage936) {
  Start("2", "PolicePortNo");
  EXPECT_EQ(Ask("<PoliceRequest/>"), kEmptyPoliceResponse);

  OfferGuest("王小明", "北京市东城区1号");
  const std::string response = PoliceResponse("王小明", "北京市东城区1号");
  for (const std::string request : {"<PoliceRequest/>", "", "anything <", "\xC3\x28"}) {
    EXPECT_EQ(Ask(request), response) << request;
  }
  const auto log = Log();
  ASSERT_GE(log.size(), 8u);
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 8),
              ElementsAre("收到消息: ", "<PoliceRequest/>", "返回结果: ", kEmptyPoliceResponse,
                          "收到消息: ", "<PoliceRequest/>", "返回结果: ", response));
  const std::string logBytes = LogBytes();
  EXPECT_NE(logBytes.find(AnsiFromUtf8(response)), std::string::npos);
  EXPECT_EQ(logBytes.find(response), std::string::npos);

  // A salutation of two digits.
  Offer("GenderID", "9");
  EXPECT_EQ(Ask("<PoliceRequest/>"), PoliceResponse("王小明", "北京市东城区1号", "9", "10"));

  EXPECT_EQ(server_->Stop(SIGTERM), 0);
  EXPECT_EQ(server_->Stdout(), "公安接口监听服务器已经启动...\n接口监听服务器已经停止。\n");
}

TEST_F(PoliceEndToEndTest, EscapesValuesAndRefusesAGenderThatIsNoInteger) {
  OfferGuest("A&B<Name>", "路<1>号&");
  Start("2", "PolicePortNo");
  EXPECT_EQ(Ask("<PoliceRequest/>"), PoliceResponse("A&amp;B&lt;Name&gt;", "路&lt;1&gt;号&amp;"));

  Offer("GenderID", "男");
  EXPECT_EQ(Ask("<PoliceRequest/>"), std::nullopt);
  const auto log = Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(log.end() - 3, log.end()),
              ElementsAre("收到消息: ", "<PoliceRequest/>", "'男' is not a valid integer value"));

  std::filesystem::remove(dir_.File("SimGuest.ini"));
  EXPECT_EQ(Ask("<PoliceRequest/>"), kEmptyPoliceResponse);
}

TEST_F(PoliceEndToEndTest, WithoutThePoliceSystemTheResponseIsEmpty) {
  OfferGuest("王小明", "北京市东城区1号");
  Start("2", "PolicePortNo", {"--no-device"});
  EXPECT_EQ(Ask("<PoliceRequest/>"), kEmptyPoliceResponse);
  EXPECT_THAT(Log(),
              ElementsAre("收到消息: ", "<PoliceRequest/>", "返回结果: ", kEmptyPoliceResponse));
}

// ---- Command line ----

TEST(KindsCommandLineTest, TakesEveryKindAndTheNoDeviceSwitch) {
  for (int kind = 1; kind <= 4; ++kind) {
    EXPECT_EQ(ParseCommandLine({"--kind", std::to_string(kind)}).InterfaceKind, kind);
  }
  EXPECT_FALSE(ParseCommandLine({}).NoDevice);
  const CommandLine line = ParseCommandLine({"--kind", "2", "--no-device"});
  EXPECT_TRUE(line.NoDevice);
  EXPECT_EQ(line.InterfaceKind, 2);
  for (const std::string bad : {"0", "5", "x", ""}) {
    try {
      ParseCommandLine({"--kind", bad});
      ADD_FAILURE() << "accepted --kind " << bad;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), "--kind takes 1 to 4, not '" + bad + "'");
    }
  }
  EXPECT_THAT(UsageText(), HasSubstr("--no-device"));
  EXPECT_THAT(UsageText(), HasSubstr("4 hand tag"));
}

}  // namespace
}  // namespace keydesk
