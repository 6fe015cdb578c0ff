#include "kinds/doorlock/doorlock_message_handler.h"

#include <array>

#include "core/log_file.h"
#include "core/service_status.h"
#include "core/sys_option.h"
#include "doorlock/base_doorlock.h"
#include "kinds/doorlock/doorlock_protocol.h"
#include "kinds/doorlock/doorlock_service.h"
#include "kinds/doorlock/guest_card_issue.h"
#include "kinds/doorlock/issued_card_text.h"
#include "kinds/handler_lines.h"
#include "kinds/request_type.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/date_time.h"
#include "platform/errors.h"
#include "store/issue_result.h"
#include "wire/xml_doc.h"

namespace keydesk {
namespace {

const std::string kRoomOpen = AnsiFromUtf8("房间(");
const std::string kIssueSucceededLine = AnsiFromUtf8(")发卡成功");
const std::string kIssueFailedLine = AnsiFromUtf8(")发卡失败");
const std::string kIssueSucceeded = AnsiFromUtf8("发卡成功");
const std::string kIssueFailed = AnsiFromUtf8("发卡失败");
const std::string kReadSucceeded = AnsiFromUtf8("读卡成功");
const std::string kReadSucceededLine = AnsiFromUtf8("读卡成功，卡号为：");
const std::string kReadFailed = AnsiFromUtf8("读卡失败");
// The response messages of an erase end in a blank that the log lines do not have.
const std::string kEraseSucceeded = AnsiFromUtf8("注销卡成功 ");
const std::string kEraseSucceededLine = AnsiFromUtf8("注销卡成功");
const std::string kEraseFailed = AnsiFromUtf8("注销卡失败 ");
const std::string kEraseFailedLine = AnsiFromUtf8("注销卡失败");

// Fields of an IssueCard request, by position among the root's children. Positions count
// every child node, comments included, so a comment moves the later fields on.
enum Position {
  kRegisterId = 1,
  kBuildingCode = 2,
  kFloorCode = 3,
  kRoomNo = 4,
  kGuestName = 5,
  kCheckInDate = 6,
  kCheckInTime = 7,
  kCheckOutDate = 8,
  kCheckOutTime = 9,
  kIsCopy = 10,
  kKeepConnection = 11,
};
constexpr int kRequiredIssueFields = 11;

std::string Field(const TXmlNode& root, int position) {
  return root.ChildAt(position)->ValueText();
}

// A date field and its time field read together as one moment.
DateTime Moment(const TXmlNode& root, int datePosition, int timePosition) {
  return StrToDateTime(Field(root, datePosition) + " " + Field(root, timePosition));
}

}  // namespace

// The request types: an unknown type gets no bytes at all.
struct TDoorlockMessageHandler::Operation {
  const char* Type;
  void (TDoorlockMessageHandler::*CarryOut)(const TXmlNode& root, door::TResponse& response,
                                            Reply& reply);
};

const TDoorlockMessageHandler::Operation* TDoorlockMessageHandler::FindOperation(
    const std::string& type) {
  static const std::array<Operation, 3> kOperations = {{
      {"IssueCard", &TDoorlockMessageHandler::IssueCard},
      {"ReadCard", &TDoorlockMessageHandler::ReadCard},
      {"EraseCard", &TDoorlockMessageHandler::EraseCard},
  }};
  return FindRequestType(kOperations, type);
}

Reply TDoorlockMessageHandler::HandleMessage(const std::u16string& request) {
  const std::string ansiRequest = AnsiFromUnicode(request);
  TXmlDoc document;
  door::TResponse response;
  ParseAndLogReceipt(ansiRequest, document, service_.Context.Log);
  const TXmlNode& root = *document.RootElement();
  const Operation* operation = FindOperation(root.AttributeValue("type"));

  Reply reply;
  // A peer that has gone is logged, and the request's log lines are finished.
  reply.LogSendFailure = true;
  if (operation != nullptr) {
    try {
      (this->*operation->CarryOut)(root, response, reply);
    } catch (...) {
      service_.Context.Log.WriteLines(reply.OutcomeLines);  // what was done stays on record
      throw;
    }
    reply.Response = response.ToXml();
    reply.Outcome.Type = operation->Type;
    reply.Outcome.ResultCode = response.ResultCode;
    reply.Outcome.CardNo = std::to_string(response.CardNo);
  }
  reply.LinesAfterSending = {kReturnedLine + response.ToXml(), kDoneLine};
  return reply;
}

void TDoorlockMessageHandler::IssueCard(const TXmlNode& root, door::TResponse& response,
                                        Reply& reply) {
  const IssueOutcome issued = WriteGuestCard(root, reply.Outcome);
  const bool written = issued.Written;
  response.ResultCode = written ? kSucceededCode : kFailedCode;
  response.ResultMessage = written ? kIssueSucceeded : kIssueFailed;
  // A card stopped before the encoder has no number the PMS could look for.
  response.CardNo = issued.CardNo;
  reply.OutcomeLines.push_back(kRoomOpen + Field(root, kRoomNo) +
                               (written ? kIssueSucceededLine : kIssueFailedLine));
  // Every reason is in the log already, where it arose.
  if (!written) {
    reply.Outcome.Reason = issued.Reason;
    return;
  }
  // The card opens the room whether or not the PMS hears of it.
  reply.ClientGoneReason = UnansweredResult(issued.CardNo);
  reply.ClientGone = [&service = service_, issued] { MarkUnanswered(service, issued); };
}

EncoderRequest TDoorlockMessageHandler::Request(const char* doing) const {
  return {context_.Host, context_.Deadline, context_.ClientGone,
          doing != nullptr ? AnsiFromUtf8(doing) : std::string()};
}

namespace {

struct ReadResult {
  bool Read = false;
  int64_t CardNo = 0;
  TCardDetails Details;
};

}  // namespace

void TDoorlockMessageHandler::ReadCard(const TXmlNode&, door::TResponse& response, Reply& reply) {
  std::vector<std::string>& lines = reply.OutcomeLines;
  EncoderAccess* encoder = service_.Encoder.get();
  std::optional<EncoderRefusal> refusal;
  ReadResult result;
  if (encoder != nullptr) {
    const auto call =
        std::make_shared<EncoderCall<ReadResult>>([&driver = encoder->Driver()](ReadResult& r) {
          r.Read = driver.ReadCardDetails(r.CardNo, r.Details);
        });
    refusal = encoder->Run(Request("正在读卡，请勿移开卡片"), call);
    if (!refusal) {
      result = call->Result_;
      service_.Context.Status.EncoderCalled(result.Read);
    }
  }
  const bool read = result.Read;
  const int64_t cardNo = result.CardNo;
  const TCardDetails& details = result.Details;
  if (read) {
    response.ResultCode = kSucceededCode;
    response.ResultMessage = kReadSucceeded;
    response.CardNo = cardNo;
    lines.push_back(kReadSucceededLine + std::to_string(cardNo));
    // The card against its journal row, for the log and the clerk; the PMS's answer is as
    // ever.
    const CardCheck check = CheckIssuedCard(service_.Context, cardNo, details);
    if (!check.Journal.empty()) lines.push_back(check.Journal);
    if (!check.Warning.empty()) lines.push_back(check.Warning);
    reply.Outcome.Warning = check.Warning;
  } else {
    response.ResultCode = kFailedCode;
    response.ResultMessage = kReadFailed;
    lines.push_back(kReadFailed);
    reply.Outcome.Reason =
        refusal ? refusal->Reason : ReadFailureReason(encoder != nullptr, details);
    if (refusal) lines.push_back(refusal->Reason);
  }
}

void TDoorlockMessageHandler::EraseCard(const TXmlNode&, door::TResponse& response, Reply& reply) {
  bool erased = false;
  if (EncoderAccess* encoder = service_.Encoder.get()) {
    const auto call = std::make_shared<EncoderCall<bool>>(
        [&driver = encoder->Driver()](bool& done) { done = driver.EraseCard(); });
    if (const auto refusal = encoder->Run(Request("正在注销卡，请勿移开卡片"), call)) {
      reply.Outcome.Reason = refusal->Reason;
      reply.OutcomeLines.push_back(refusal->Reason);
    } else {
      erased = call->Result_;
    }
  }
  response.ResultCode = erased ? kSucceededCode : kFailedCode;
  response.ResultMessage = erased ? kEraseSucceeded : kEraseFailed;
  reply.OutcomeLines.push_back(erased ? kEraseSucceededLine : kEraseFailedLine);
}

IssueOutcome TDoorlockMessageHandler::WriteGuestCard(const TXmlNode& root,
                                                     RequestOutcome& outcome) {
  if (root.ChildCount() < kRequiredIssueFields) {
    throw Error("IssueCard request has " + std::to_string(root.ChildCount()) +
                " fields; 11 are required");
  }
  const TSysOption& options = service_.Context.SysOption;
  GuestCardIssue card;
  card.RegisterId = Field(root, kRegisterId);
  card.RoomBuildingCode = Field(root, kBuildingCode);
  card.RoomFloorCode = Field(root, kFloorCode);
  card.RoomNo = Field(root, kRoomNo);
  card.GuestName = Field(root, kGuestName);
  outcome.RoomKey = card.RoomBuildingCode + card.RoomFloorCode + card.RoomNo;
  outcome.RegisterId = card.RegisterId;
  outcome.Guest = card.GuestName;
  card.CheckIn = CardStartFor(options, Moment(root, kCheckInDate, kCheckInTime));
  card.CheckOut = CardEndFor(options, Moment(root, kCheckOutDate, kCheckOutTime));
  card.IsCopy = ReadBooleanText(Field(root, kIsCopy));
  if (const TXmlNode* keep = root.ChildAt(kKeepConnection)) {
    service_.KeepConnection = ReadBooleanText(keep->ValueText());
  }
  return IssueGuestCard(service_, card, Request());
}

}  // namespace keydesk
