// The door lock handler from request text to response bytes, without a socket: the reply is
// delivered as the intake does, the record store is a real SQLite file, and the driver a
// fake that records every argument.
#include "kinds/doorlock/doorlock_message_handler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <tuple>

#include "core/access_log.h"
#include "core/log_file.h"
#include "core/network_option.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "doorlock/option.h"
#include "fakes/fake_doorlock.h"
#if !defined(_WIN32)
#include "file_size_limit.h"
#endif
#include "fixed_clock.h"
#include "intake/request_intake.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/issue_check.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "platform/socket.h"
#include "sim_environment.h"
#include "store/doorlock_record_manager.h"
#include "temp_dir.h"
#include "test_db.h"

namespace keydesk {
namespace {

using test::MakeDateTime;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string IssueRequest(const std::string& copy = "False", const std::string& extra = "",
                         const std::string& checkInDate = "2008-08-18",
                         const std::string& checkOutDate = "2008-08-20") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DoorRequest type=\"IssueCard\">"
         "<Ignored>1</Ignored><RegisterId>R0001</RegisterId>"
         "<RoomBuildingCode>01</RoomBuildingCode><RoomFloorCode>02</RoomFloorCode>"
         "<RoomNo>08</RoomNo><GuestName>王先生</GuestName><CheckInDate>" +
         checkInDate +
         "</CheckInDate><CheckInTime>14:00:00</CheckInTime>"
         "<CheckOutDate>" +
         checkOutDate +
         "</CheckOutDate><CheckOutTime>12:00:00</CheckOutTime>"
         "<IsCopy>" +
         copy + "</IsCopy>" + extra + "</DoorRequest>";
}

std::string Response(const std::string& code, const std::string& message, int64_t cardNo) {
  return "<DoorResponse><RequestID></RequestID><ResultCode>" + code +
         "</ResultCode><ResultMessage>" + message + "</ResultMessage><CardNo>" +
         std::to_string(cardNo) + "</CardNo></DoorResponse>" + std::string(1, '\0');
}

class DoorlockHandlerTest : public ::testing::Test {
 protected:
  DoorlockHandlerTest() {
    std::string error;
    EXPECT_TRUE(TDoorlockRecordManager::CreateDatabase(dbPath_, error)) << error;
    store_.Open();
  }

  // Runs one request (UTF-8) through a new handler and delivers its reply as the intake
  // does; the bytes sent.
  std::string Handle(const std::string& request, bool peerGone = false) {
    TDoorlockMessageHandler handler(*service_);
    std::string bytes;
    const Reply reply = handler.HandleMessage(UnicodeFromUtf8(request));
    outcome_ = reply.Outcome;
    DeliverReply(
        reply,
        [&](std::string_view frame) {
          if (peerGone) throw SocketError(SocketErrorText(EPIPE));
          bytes.append(frame);
        },
        log_);
    return bytes;
  }

  static std::u16string UnicodeFromUtf8(const std::string& text) {
    return UnicodeFromAnsi(AnsiFromUtf8(text));
  }

  std::vector<std::string> Log() const { return test::LogMessages(log_.FileName()); }

  // What the last request came to, as the access log and the status read it.
  std::tuple<std::string, std::string, std::string, std::string, std::string> Outcome() const {
    return {outcome_.Type, outcome_.RoomKey, outcome_.RegisterId, outcome_.ResultCode,
            outcome_.CardNo};
  }
  RequestOutcome outcome_;

  test::TempDir dir_;
  std::string dbPath_ = dir_.File("Client.mdb");
  TSysOption sysOption_{dir_.File("Option.ini")};
  test::FixedClock clock_{MakeDateTime(2026, 12, 7, 9, 30)};
  TLogFile log_{dir_.File("20261207.LOG"), sysOption_, clock_};
  SharedOption option_{TOption()};
  TDoorlockRecordManager store_{dbPath_, log_};
  ServiceStatus status_;
  NetworkOption network_;
  AccessLog access_{dir_.Path().string(), "doorlock", false, clock_};
  ServiceContext context_{sysOption_, option_, log_, store_, clock_, status_, network_, access_};
  test::FakeDoorlock doorlock_;
  std::unique_ptr<DoorlockService> service_ =
      std::make_unique<DoorlockService>(context_, &doorlock_);
};

TEST_F(DoorlockHandlerTest, AnswersTheWorkedExampleByteForByte) {
  const std::string request = IssueRequest();
  EXPECT_EQ(Handle(request), Response("200", "发卡成功", 5301));
  ASSERT_EQ(doorlock_.writes.size(), 1u);
  const test::DoorlockWrite& call = doorlock_.writes[0];
  EXPECT_EQ(call.registerId, "R0001");
  EXPECT_EQ(call.roomBuildingCode, "01");
  EXPECT_EQ(call.roomFloorCode, "02");
  EXPECT_EQ(call.roomNo, "08");
  EXPECT_EQ(call.guestName, "\xCD\xF5\xCF\xC8\xC9\xFA");  // in code page 936
  EXPECT_EQ(call.beginDate, MakeDateTime(2008, 8, 18, 14, 0));
  EXPECT_EQ(call.beginTime, call.beginDate);
  EXPECT_EQ(call.endDate, MakeDateTime(2008, 8, 20, 12, 0));
  EXPECT_EQ(call.endTime, call.endDate);
  EXPECT_FALSE(call.isCopy);
  EXPECT_FALSE(service_->KeepConnection);
  EXPECT_EQ(Outcome(), std::make_tuple("IssueCard", "010208", "R0001", "200", "5301"));
  EXPECT_THAT(
      Log(), ElementsAre("收到消息: ", request, "执行操作->", "房间(08)发卡成功",
                         "返回数据:" + Response("200", "发卡成功", 5301)
                                           .substr(0, Response("200", "发卡成功", 5301).size() - 1),
                         "完成一次操作"));
}

TEST_F(DoorlockHandlerTest, MovesTheStartEarlierAndTheEndLaterByTheDelays) {
  sysOption_.DelayMinutes = 10;
  sysOption_.DelayMinutes2 = 30;
  Handle(IssueRequest());
  ASSERT_EQ(doorlock_.writes.size(), 1u);
  EXPECT_EQ(doorlock_.writes[0].beginDate, MakeDateTime(2008, 8, 18, 13, 50));
  EXPECT_EQ(doorlock_.writes[0].endDate, MakeDateTime(2008, 8, 20, 12, 30));
}

TEST_F(DoorlockHandlerTest, AFailedWriteAnswers500WithTheNumberTried) {
  doorlock_.writeResult = false;
  doorlock_.cardNo = 77;
  EXPECT_EQ(Handle(IssueRequest()), Response("500", "发卡失败", 77));
  EXPECT_THAT(Log(), ::testing::Contains("房间(08)发卡失败"));
}

TEST_F(DoorlockHandlerTest, TheStatusCountsCardOperationsTheEncoderDidNotCarryOut) {
  doorlock_.writeResult = false;
  doorlock_.readResult = false;
  Handle(IssueRequest());
  Handle("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(status_.Get().EncoderFailuresInARow, 2);
  doorlock_.readResult = true;
  Handle("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(status_.Get().EncoderFailuresInARow, 0);
  // A card refused before the encoder says nothing of the encoder.
  doorlock_.writeResult = false;
  Handle(IssueRequest());
  sysOption_.DelayMinutes2 = -100000;
  Handle(IssueRequest());
  EXPECT_EQ(status_.Get().EncoderFailuresInARow, 1);
}

TEST_F(DoorlockHandlerTest, WithoutADriverEveryTypeFails) {
  service_ = std::make_unique<DoorlockService>(context_, nullptr);
  sysOption_.SaveDoorlockRecord = true;
  EXPECT_EQ(Handle(IssueRequest()), Response("500", "发卡失败", 0));
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), Response("500", "读卡失败", 0));
  EXPECT_EQ(Handle("<DoorRequest type=\"EraseCard\"/>"), Response("500", "注销卡失败 ", 0));
  test::TestDb db(dbPath_);
  EXPECT_EQ(db.Scalar("select CardNo from T_IssueCardRecord"), "0");
}

TEST_F(DoorlockHandlerTest, ReadsTheCardAndReportsZeroWhenTheReadFails) {
  doorlock_.readNo = 4242;
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), Response("200", "读卡成功", 4242));
  EXPECT_THAT(Log(), ::testing::Contains("读卡成功，卡号为：4242"));
  EXPECT_EQ(Outcome(), std::make_tuple("ReadCard", "", "", "200", "4242"));
  doorlock_.readResult = false;
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), Response("500", "读卡失败", 0));
  EXPECT_EQ(Log()[Log().size() - 3], "读卡失败");
}

// A card read is checked against its journal row: the PMS's answer is as ever, the log and
// the clerk's list say what the journal knows and what does not match.
TEST_F(DoorlockHandlerTest, AReadCardIsCheckedAgainstItsJournalRow) {
  sysOption_.SaveDoorlockRecord = true;
  Handle(IssueRequest());
  doorlock_.readNo = 5301;
  doorlock_.readDetails = {"08", "0808181400", "0808201200", {}, {}};
  const std::string response = Handle("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(Log()[Log().size() - 3],
            "发卡记录：房间 010208，客人 王先生，有效期 2008-08-18 14:00 至 2008-08-20 12:00");
  EXPECT_EQ(outcome_.Warning, "");

  // The encoder wrote room 11 and another end: the card is not the one journaled.
  doorlock_.readDetails = {"11", "0808181400", "0808201230", {}, {}};
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), response);
  EXPECT_EQ(Utf8FromAnsi(outcome_.Warning),
            "卡上数据与发卡记录不符：房间 11 / 010208，结束 2008-08-20 12:30 / 2008-08-20 12:00");
  EXPECT_EQ(Log()[Log().size() - 3], Utf8FromAnsi(outcome_.Warning));

  // A later normal card for the room: the card read may no longer open the door.
  doorlock_.readDetails = {};
  doorlock_.cardNo = 5302;
  Handle(IssueRequest());
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), response);
  EXPECT_EQ(Log()[Log().size() - 4],
            "发卡记录：房间 010208，客人 王先生，有效期 2008-08-18 14:00 至 2008-08-20 "
            "12:00；此后该房间已发新卡，此卡可能已不能开门");
  EXPECT_EQ(Utf8FromAnsi(outcome_.Warning), "此后该房间已发新卡，此卡可能已不能开门");
  // A later normal card that failed shuts nothing out.
  doorlock_.readNo = 5302;
  doorlock_.cardNo = 5303;
  doorlock_.writeResult = false;
  Handle(IssueRequest());
  Handle("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(outcome_.Warning, "");
  doorlock_.readNo = 99;
  Handle("<DoorRequest type=\"ReadCard\"/>");
  EXPECT_EQ(Log()[Log().size() - 4], "发卡记录中没有卡号 99");
  EXPECT_EQ(Utf8FromAnsi(outcome_.Warning), "发卡记录中没有此卡");
  EXPECT_EQ(response, Response("200", "读卡成功", 5301));
}

TEST_F(DoorlockHandlerTest, AFailedReadSaysWhichBlockAndCode) {
  doorlock_.readResult = false;
  doorlock_.readDetails.Failure = AnsiFromUtf8("读电梯块失败（代码 5）");
  EXPECT_EQ(Handle("<DoorRequest type=\"ReadCard\"/>"), Response("500", "读卡失败", 0));
  EXPECT_EQ(Utf8FromAnsi(outcome_.Reason), "读电梯块失败（代码 5）");
}

TEST_F(DoorlockHandlerTest, EraseMessagesEndInABlankThatTheLogLinesLack) {
  const std::string request = "<DoorRequest type=\"EraseCard\"/>";
  EXPECT_EQ(Handle(request), Response("200", "注销卡成功 ", 0));
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", request, "执行操作->", "注销卡成功",
                                 "返回数据:<DoorResponse><RequestID></RequestID><ResultCode>200"
                                 "</ResultCode><ResultMessage>注销卡成功 </ResultMessage><CardNo>"
                                 "0</CardNo></DoorResponse>",
                                 "完成一次操作"));
  doorlock_.eraseResult = false;
  EXPECT_EQ(Handle(request), Response("500", "注销卡失败 ", 0));
  EXPECT_THAT(Log(), ::testing::Contains("注销卡失败"));
}

TEST_F(DoorlockHandlerTest, MatchesTheTypeAfterTrimmingAndTheAttributeNameInAnyCase) {
  EXPECT_EQ(Handle("<R type=\" \tReadCard \"/>"), Response("200", "读卡成功", 5301));
  EXPECT_EQ(Handle("<R TYPE='ReadCard'/>"), Response("200", "读卡成功", 5301));
  EXPECT_EQ(
      Handle(IssueRequest().replace(IssueRequest().find("\"IssueCard\""), 11, "\" IssueCard \"")),
      Response("200", "发卡成功", 5301));
}

TEST_F(DoorlockHandlerTest, AnUnknownTypeSendsNothingButLogsTheEmptyRecord) {
  for (const char* request :
       {"<DoorRequest type=\"readcard\"/>", "<DoorRequest/>", "<DoorRequest type=\"\"/>"}) {
    EXPECT_EQ(Handle(request), "") << request;
    const auto log = Log();
    EXPECT_EQ(log[log.size() - 2],
              "返回数据:<DoorResponse><RequestID></RequestID><ResultCode></ResultCode>"
              "<ResultMessage></ResultMessage><CardNo>0</CardNo></DoorResponse>");
    EXPECT_EQ(log.back(), "完成一次操作");
  }
  EXPECT_EQ(doorlock_.Count("ReadCard"), 0);
}

TEST_F(DoorlockHandlerTest, ReadsTheCopyFlagAsBooleanText) {
  const std::pair<const char*, bool> flags[] = {
      {"1", true},    {"true", true}, {"TRUE", true}, {"-2", true},
      {"0", false},   {"no", false},  {"yes", false}, {"", false},
      {"0.0", false}, {"1 ", true},   {" 1.0", true}, {"\t2", true},
      {"0x1", false}, {" 0 ", false}, {"1e3", true},  {" true", false}};
  for (const auto& [text, expected] : flags) {
    doorlock_.writes.clear();
    Handle(IssueRequest(text));
    ASSERT_EQ(doorlock_.writes.size(), 1u) << text;
    EXPECT_EQ(doorlock_.writes[0].isCopy, expected) << "'" << text << "'";
  }
}

TEST_F(DoorlockHandlerTest, ACommentAfterTheFirstFieldIsReadAsTheRegisterId) {
  std::string request = IssueRequest();
  request.replace(request.find("<RegisterId>R0001</RegisterId>"), 30, "<!--R9-->");
  EXPECT_EQ(Handle(request), Response("200", "发卡成功", 5301));
  EXPECT_EQ(doorlock_.writes.at(0).registerId, "R9");
  EXPECT_EQ(doorlock_.writes.at(0).roomNo, "08");
}

TEST_F(DoorlockHandlerTest, ACommentMovesEveryLaterField) {
  std::string request = IssueRequest();
  request.insert(request.find("<RegisterId>"), "<!-- note -->");
  // The check-in now reads as the guest name and the check-in date: not a moment.
  EXPECT_THROW(Handle(request), ConvertError);
  EXPECT_TRUE(doorlock_.writes.empty());
}

TEST_F(DoorlockHandlerTest, ACommentInPlaceOfTheIgnoredFieldKeepsPositions) {
  std::string request = IssueRequest();
  request.replace(request.find("<Ignored>1</Ignored>"), 20, "<!-- first -->");
  EXPECT_EQ(Handle(request), Response("200", "发卡成功", 5301));
  EXPECT_EQ(doorlock_.writes.at(0).registerId, "R0001");
}

TEST_F(DoorlockHandlerTest, TooFewFieldsEndTheRequestWithoutAResponse) {
  std::string request = IssueRequest();
  request.erase(request.find("<IsCopy>"), std::string("<IsCopy>False</IsCopy>").size());
  EXPECT_THROW(Handle(request), Error);
  EXPECT_TRUE(doorlock_.writes.empty());
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", request, "执行操作->"));
}

TEST_F(DoorlockHandlerTest, ABadDateEndsTheRequestBeforeTheDriver) {
  try {
    Handle(IssueRequest("False", "", "2008/08/18"));
    FAIL() << "accepted 2008/08/18";
  } catch (const ConvertError& error) {
    EXPECT_STREQ(error.what(), "'2008/08/18 14:00:00' is not a valid date and time");
  }
  EXPECT_TRUE(doorlock_.writes.empty());
}

TEST_F(DoorlockHandlerTest, AnUnreadableRequestLogsOnlyItsFirstLine) {
  EXPECT_THROW(Handle("not xml"), XmlParseError);
  EXPECT_THAT(Log(), ElementsAre("收到消息: ", "not xml"));
}

TEST_F(DoorlockHandlerTest, ATwelfthFieldSetsKeepConnectionAndItsAbsenceLeavesIt) {
  Handle(IssueRequest("False", "<KeepConnection>1</KeepConnection>"));
  EXPECT_TRUE(service_->KeepConnection);
  Handle(IssueRequest());
  EXPECT_TRUE(service_->KeepConnection);
  Handle("<DoorRequest type=\"ReadCard\"><KeepConnection>0</KeepConnection></DoorRequest>");
  EXPECT_TRUE(service_->KeepConnection);
  Handle(IssueRequest("False", "<KeepConnection>0</KeepConnection><More/>"));
  EXPECT_FALSE(service_->KeepConnection);
}

TEST_F(DoorlockHandlerTest, APeerThatHasGoneIsLoggedAndTheRequestFinishes) {
  Handle("<DoorRequest type=\"ReadCard\"/>", /*peerGone=*/true);
  const auto log = Log();
  ASSERT_GE(log.size(), 4u);
  // The injected error's two lines, "Socket Error # 32" and the system's text for it.
  const auto error = test::SplitLines(Utf8FromAnsi(SocketErrorText(EPIPE)));
  ASSERT_EQ(error.size(), 2u);
  EXPECT_EQ(log[log.size() - 4], error[0]);
  EXPECT_EQ(log[log.size() - 3], error[1]);
  EXPECT_THAT(log[log.size() - 2], HasSubstr("返回数据:"));
  EXPECT_EQ(log.back(), "完成一次操作");
}

TEST_F(DoorlockHandlerTest, JournalsEveryIssueAttemptWithTheRequestsValues) {
  sysOption_.SaveDoorlockRecord = true;
  sysOption_.DelayMinutes = 10;
  sysOption_.DelayMinutes2 = 30;
  Handle(IssueRequest());
  doorlock_.writeResult = false;
  doorlock_.cardNo = 88;
  Handle(IssueRequest("1"));
  test::TestDb db(dbPath_);
  EXPECT_THAT(
      db.Rows("select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
              "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, IssueResult "
              "from T_IssueCardRecord order by rowid"),
      ElementsAre(ElementsAre("R0001", "5301", "010208", "1", "2008-08-18 13:50:00.000",
                              "2008-08-18 13:50:00.000", "2008-08-20 12:30:00.000", "0", "王先生",
                              "2026-12-07 09:30:00.000", "成功"),
                  ElementsAre("R0001", "88", "010208", "1", "2008-08-18 13:50:00.000",
                              "2008-08-18 13:50:00.000", "2008-08-20 12:30:00.000", "1", "王先生",
                              "2026-12-07 09:30:00.000", "失败：发卡器没有写成")));
}

// The journal is written ahead: the row says the card is being written, with its number,
// before the encoder touches the card; a row that cannot be written stops the card.
TEST_F(DoorlockHandlerTest, TheJournalRowIsWrittenBeforeTheCard) {
  sysOption_.SaveDoorlockRecord = true;
  std::vector<std::vector<std::string>> duringWrite;
  std::string told;  // what the window shows meanwhile
  doorlock_.duringWrite = [&] {
    duringWrite = test::TestDb(dbPath_).Rows("select CardNo, IssueResult from T_IssueCardRecord");
    told = Utf8FromAnsi(status_.Get().EncoderBusy);
  };
  EXPECT_EQ(Handle(IssueRequest()), Response("200", "发卡成功", 5301));
  EXPECT_EQ(duringWrite, (std::vector<std::vector<std::string>>{{"5301", "写卡中"}}));
  EXPECT_EQ(told, "正在写卡：房间 010208 王先生，请勿移开卡片");
  EXPECT_EQ(status_.Get().EncoderBusy, "");

  // The journal gone (a file open here cannot be removed on Windows; its table can): no row,
  // so no card; the PMS hears the failure with no card number.
  test::TestDb(dbPath_).Exec("drop table T_IssueCardRecord");
  EXPECT_EQ(Handle(IssueRequest()), Response("500", "发卡失败", 0));
  EXPECT_EQ(doorlock_.Count("WriteCard"), 1);
  EXPECT_THAT(Utf8FromAnsi(outcome_.Reason), ::testing::StartsWith("发卡记录无法写入，没有写卡："));
  EXPECT_THAT(Log(), ::testing::Contains("发卡记录无法写入，没有写卡"));
}

#if !defined(_WIN32)  // a file-size limit stands for the full disk
// A full disk: the row cannot grow the database's files, so no card is cut.
TEST_F(DoorlockHandlerTest, OnAFullDiskNoCardIsCut) {
  sysOption_.SaveDoorlockRecord = true;
  ASSERT_EQ(Handle(IssueRequest()), Response("200", "发卡成功", 5301));
  {
    const auto size = [](const std::string& file) {
      std::error_code missing;
      const auto bytes = std::filesystem::file_size(file, missing);
      return missing ? 0 : bytes;
    };
    test::FileSizeLimit full(std::max(size(dbPath_), size(dbPath_ + "-wal")));
    EXPECT_EQ(Handle(IssueRequest()), Response("500", "发卡失败", 0));
  }
  EXPECT_EQ(doorlock_.Count("WriteCard"), 1);
  EXPECT_THAT(Utf8FromAnsi(outcome_.Reason), ::testing::StartsWith("发卡记录无法写入，没有写卡："));
  EXPECT_EQ(test::TestDb(dbPath_).Scalar("select count(*) from T_IssueCardRecord"), "1");
}
#endif

TEST_F(DoorlockHandlerTest, RowsLeftInProgressAreMarkedInterruptedAtTheNextStart) {
  sysOption_.SaveDoorlockRecord = true;
  // The process dies while the encoder writes: the row stays as it was then.
  doorlock_.duringWrite = [&] { throw std::runtime_error("killed"); };
  EXPECT_THROW(Handle(IssueRequest()), std::runtime_error);
  test::TestDb db(dbPath_);
  EXPECT_EQ(db.Scalar("select IssueResult from T_IssueCardRecord"), "写卡中");
  EXPECT_EQ(store_.MarkInterruptedRecords(), 1);
  EXPECT_EQ(
      db.Rows("select CardNo, IssueResult from T_IssueCardRecord"),
      (std::vector<std::vector<std::string>>{{"5301", "中断：不知道卡是否写好，请读卡核对"}}));
  EXPECT_EQ(store_.MarkInterruptedRecords(), 0);
}

TEST_F(DoorlockHandlerTest, ACardLeftOnTheEncoderIsNamedWithWhatToDo) {
  sysOption_.SaveDoorlockRecord = true;
  doorlock_.writeResult = false;
  doorlock_.report.Failure = AnsiFromUtf8("写电梯块失败（代码 8）");
  doorlock_.report.CardLeft = true;
  doorlock_.report.Voided = true;
  EXPECT_EQ(Handle(IssueRequest()), Response("500", "发卡失败", 5301));
  EXPECT_EQ(Utf8FromAnsi(outcome_.Reason),
            "卡可能能开门：写电梯块失败（代码 8）；客房块已改为过期；请销毁此卡或重新写卡");
  EXPECT_EQ(test::TestDb(dbPath_).Scalar("select IssueResult from T_IssueCardRecord"),
            "失败，卡可能能开门：写电梯块失败（代码 8）；客房块已改为过期；请销毁此卡或重新写卡");
}

// A client that has gone before the encoder is touched gets no card; one that goes after
// its card was written leaves a row that says the PMS does not know of it.
TEST_F(DoorlockHandlerTest, AClientThatHasGoneIsNotCutACardAndAWrittenCardIsNamed) {
  sysOption_.SaveDoorlockRecord = true;
  TDoorlockMessageHandler gone(*service_);
  gone.SetContext({.ClientGone = [] { return true; }});
  const Reply refused = gone.HandleMessage(UnicodeFromUtf8(IssueRequest()));
  EXPECT_EQ(doorlock_.Count("WriteCard"), 0);
  EXPECT_EQ(Utf8FromAnsi(refused.Outcome.Reason), "PMS 已断开，没有写卡");
  EXPECT_FALSE(refused.ClientGone);

  TDoorlockMessageHandler there(*service_);
  there.SetContext({.ClientGone = [] { return false; }});
  const Reply written = there.HandleMessage(UnicodeFromUtf8(IssueRequest()));
  EXPECT_EQ(doorlock_.Count("WriteCard"), 1);
  ASSERT_TRUE(written.ClientGone);
  written.ClientGone();
  EXPECT_EQ(Utf8FromAnsi(written.ClientGoneReason),
            "卡已写好（卡号 5301），PMS 没有收到结果，请在 PMS 核对");
  EXPECT_EQ(test::TestDb(dbPath_).Rows("select CardNo, IssueResult from T_IssueCardRecord"),
            (std::vector<std::vector<std::string>>{
                {"0", "拒绝：PMS 已断开，没有写卡"},
                {"5301", "卡已写好（卡号 5301），PMS 没有收到结果，请在 PMS 核对"}}));
}

// A card the encoder could not hold as asked is refused before the encoder or the room time
// is touched: the Part's failure response, one log line with the reason, the attempt
// journaled as card 0.
TEST_F(DoorlockHandlerTest, ACardTheCardCannotHoldIsRefusedBeforeTheEncoder) {
  struct Case {
    std::string request;
    const char* reason;
  };
  const auto fields = [](const std::string& room, const std::string& guest, const std::string& in,
                         const std::string& out) {
    return "<DoorRequest type=\"IssueCard\"><I/><R>R9</R><B>01</B><F>02</F><N>" + room + "</N><G>" +
           guest + "</G><D>" + in.substr(0, 10) + "</D><T>" + in.substr(11) + "</T><D>" +
           out.substr(0, 10) + "</D><T>" + out.substr(11) + "</T><C>0</C></DoorRequest>";
  };
  const std::string in = "2026-12-07 14:00", out = "2026-12-09 12:00";
  const std::vector<Case> cases = {
      {fields("", "A", in, out), "房号为空"},
      {fields("0808081", "A", in, out), "房号长于卡上的 6 个字符"},
      {fields("08&#0;", "A", in, out), "房号含有控制字符"},
      {fields("08", "A&#10;B", in, out), "客人姓名含有控制字符"},
      {fields("08", "A", in, "2026-12-07 13:00"),
       "结束时间早于起始时间（2026-12-07 14:00:00 至 2026-12-07 13:00:00）"},
      {fields("08", "A", in, in), "结束时间等于起始时间"},
      {fields("08", "A", in, "2108-08-20 12:00"),
       "结束时间 2108-08-20 12:00:00 不在卡能记下的 2000 年到 2099 年之间"},
      {fields("08", "A", "1999-12-31 23:00", out),
       "起始时间 1999-12-31 23:00:00 不在卡能记下的 2000 年到 2042 年之间"},
  };
  sysOption_.SaveDoorlockRecord = true;
  for (const Case& refused : cases) {
    EXPECT_EQ(Handle(refused.request), Response("500", "发卡失败", 0)) << refused.reason;
    EXPECT_THAT(Log(), ::testing::Contains(HasSubstr(std::string("拒绝发卡：") + refused.reason)));
  }
  EXPECT_TRUE(doorlock_.writes.empty());
  test::TestDb db(dbPath_);
  EXPECT_EQ(db.Scalar("select count(*) from T_IssueCardRecord where CardNo = '0' and "
                      "IssueResult like '拒绝：%'"),
            std::to_string(cases.size()));

  // With the record store the start is now: a check-out this morning is refused, and a copy
  // card for a room never seen leaves no room time behind.
  sysOption_.UseNativeDoorlockDb = true;
  EXPECT_EQ(Handle(IssueRequest("True", "", "2026-12-05", "2026-12-06")),
            Response("500", "发卡失败", 0));
  EXPECT_TRUE(store_.GetLastCheckInTime("010208").IsZero());
  EXPECT_TRUE(doorlock_.writes.empty());
}

TEST_F(DoorlockHandlerTest, ALongGuestNameIsCutForTheCardAtACharacterAndJournaledWhole) {
  sysOption_.SaveDoorlockRecord = true;
  const std::string name = "王先生和王太太";  // 14 bytes in code page 936
  Handle("<DoorRequest type=\"IssueCard\"><I/><R>R1</R><B>01</B><F>02</F><N>08</N><G>" + name +
         "</G><D>2008-08-18</D><T>14:00</T><D>2008-08-20</D><T>12:00</T><C>0</C></DoorRequest>");
  ASSERT_EQ(doorlock_.writes.size(), 1u);
  EXPECT_EQ(Utf8FromAnsi(doorlock_.writes[0].guestName), "王先生和");
  EXPECT_EQ(CardGuestName(AnsiFromUtf8("a王先生和")), AnsiFromUtf8("a王先生"));  // 7 bytes, not 8
  test::TestDb db(dbPath_);
  EXPECT_EQ(db.Scalar("select GuestName from T_IssueCardRecord"), name);
}

TEST_F(DoorlockHandlerTest, ANormalCardWithTheStoreStartsNowAndBecomesTheRoomsTime) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 5;
  // The card starts now: its end must come later.
  const std::string request = IssueRequest("False", "", "2026-12-07", "2026-12-09");
  Handle(request);
  const DateTime start = MakeDateTime(2026, 12, 7, 9, 25);
  EXPECT_EQ(doorlock_.writes.at(0).beginDate, start);
  EXPECT_EQ(store_.GetLastCheckInTime("010208"), start);
  EXPECT_THAT(Log(), ::testing::Contains("新建房间010208"));

  // A failed normal card leaves the room's time alone.
  clock_.Set(MakeDateTime(2026, 12, 7, 11, 0));
  doorlock_.writeResult = false;
  Handle(request);
  EXPECT_EQ(store_.GetLastCheckInTime("010208"), start);
}

TEST_F(DoorlockHandlerTest, CopyCardsTakeTheRoomsTimeOrRecordAFreshOne) {
  sysOption_.UseNativeDoorlockDb = true;
  sysOption_.DelayMinutes = 5;
  const std::string copy = IssueRequest("True", "", "2026-12-07", "2026-12-09");
  Handle(copy);
  const DateTime fresh = MakeDateTime(2026, 12, 7, 9, 25);
  EXPECT_EQ(doorlock_.writes.at(0).beginDate, fresh);
  EXPECT_EQ(store_.GetLastCheckInTime("010208"), fresh);

  clock_.Set(MakeDateTime(2026, 12, 8, 7, 0));
  Handle(copy);
  EXPECT_EQ(doorlock_.writes.at(1).beginDate, fresh);
  EXPECT_EQ(store_.GetLastCheckInTime("010208"), fresh);  // a copy never moves it
}

TEST_F(DoorlockHandlerTest, WithoutTheStoreTheJournalsStartIsTheRequestsCheckIn) {
  sysOption_.SaveDoorlockRecord = true;
  sysOption_.DelayMinutes = 10;
  Handle(IssueRequest());
  test::TestDb db(dbPath_);
  EXPECT_EQ(db.Scalar("select LastCheckInTime from T_IssueCardRecord"), "2008-08-18 13:50:00.000");
  EXPECT_EQ(db.Scalar("select count(*) from T_Room"), "0");
}

}  // namespace
}  // namespace keydesk
