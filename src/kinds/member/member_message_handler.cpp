#include "kinds/member/member_message_handler.h"

#include <array>

#include "core/log_file.h"
#include "devices/base_member.h"
#include "kinds/door_response.h"
#include "kinds/handler_lines.h"
#include "kinds/request_type.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "wire/xml_doc.h"

namespace keydesk {
namespace {

const std::string kWriteSucceeded = AnsiFromUtf8("写卡成功");
const std::string kWriteFailed = AnsiFromUtf8("写卡失败");
// ASCII comma and colon in the write lines, full-width ones in the read line.
const std::string kWriteSucceededLine = AnsiFromUtf8("写卡成功,卡号为:");
const std::string kWriteFailedLine = AnsiFromUtf8("写卡失败,卡号为:");
const std::string kReadSucceeded = AnsiFromUtf8("读卡成功");
const std::string kReadSucceededLine = AnsiFromUtf8("读卡成功，卡号为：");
const std::string kReadFailed = AnsiFromUtf8("读卡失败");
const std::string kPrintSucceeded = AnsiFromUtf8("打印卡成功");
const std::string kPrintFailed = AnsiFromUtf8("打印卡失败");

// Fields by position among the root's children. Positions count every child node, comments
// included, so a comment moves the later fields on. Position 0 of every type must be there
// but is not used.
enum WritePosition {
  kWriteCardNo = 1,
  kWriteText2 = 2,
  kWriteText3 = 3,
  kWriteText4 = 4,
  kWriteChannel = 5
};
enum ReadPosition { kReadFlag = 1, kReadChannel = 2 };
enum PrintPosition { kPrintCardNo = 1, kPrintText = 2 };

// Raises Error when the root has fewer children than the type requires, so that such a
// request ends without a response and without a device call.
void RequireFields(const TXmlNode& root, const char* type, int required) {
  if (root.ChildCount() < required) {
    throw Error(std::string(type) + " request has " + std::to_string(root.ChildCount()) +
                " fields; " + std::to_string(required) + " are required");
  }
}

std::string Field(const TXmlNode& root, int position) {
  return root.ChildAt(position)->ValueText();
}

// An optional channel number: the hotel's card when the position is absent or not an
// integer.
int32_t Channel(const TXmlNode& root, int position) {
  const TXmlNode* node = root.ChildAt(position);
  return node != nullptr ? node->ValueIntegerOr(TBaseMember::kHotelChannel)
                         : TBaseMember::kHotelChannel;
}

}  // namespace

namespace member {

std::string TResponse::ToXml() const {
  return DoorResponseHead(RequestID, ResultCode, ResultMessage)
      .Element("CardNo", CardNo)
      .Element("ExpireDate", ExpireDate)
      .Element("GuestName", GuestName)
      .Element("Score", Score)
      .Element("Password", Password)
      .Close(kDoorResponseRoot)
      .Take();
}

}  // namespace member

// The request types: an unknown type gets no bytes and no further log line.
struct TMemberMessageHandler::Operation {
  const char* Type;
  void (TMemberMessageHandler::*CarryOut)(const TXmlNode& root, member::TResponse& response,
                                          std::vector<std::string>& lines);
};

const TMemberMessageHandler::Operation* TMemberMessageHandler::FindOperation(
    const std::string& type) {
  static const std::array<Operation, 3> kOperations = {{
      {"WriteMemberCard", &TMemberMessageHandler::WriteMemberCard},
      {"ReadMemberCard", &TMemberMessageHandler::ReadMemberCard},
      {"PrintMemberCard", &TMemberMessageHandler::PrintMemberCard},
  }};
  return FindRequestType(kOperations, type);
}

Reply TMemberMessageHandler::HandleMessage(const std::u16string& request) {
  const std::string ansiRequest = AnsiFromUnicode(request);
  log_.Write(kReceivedLine + log_.RequestText(ansiRequest));

  TXmlDoc document;
  member::TResponse response;
  document.ParseText(ansiRequest);
  const TXmlNode& root = *document.RootElement();
  Reply reply;  // this handler has never logged a failed send
  if (const Operation* operation = FindOperation(root.AttributeValue("type"))) {
    (this->*operation->CarryOut)(root, response, reply.OutcomeLines);
    reply.Response = response.ToXml();
    reply.Outcome.Type = operation->Type;
    reply.Outcome.ResultCode = response.ResultCode;
    reply.Outcome.CardNo = response.CardNo;
  }
  return reply;
}

void TMemberMessageHandler::WriteMemberCard(const TXmlNode& root, member::TResponse& response,
                                            std::vector<std::string>& lines) {
  RequireFields(root, "WriteMemberCard", kWriteText4 + 1);
  const std::string cardNo = Field(root, kWriteCardNo);
  const std::string text2 = Field(root, kWriteText2);
  const std::string text3 = Field(root, kWriteText3);
  const std::string text4 = Field(root, kWriteText4);
  const int32_t channel = Channel(root, kWriteChannel);

  TBaseMember* device = member_;
  const bool written = device != nullptr && device->WriteCard(cardNo, text2, text3, text4, channel);
  response.ResultCode = written ? kSucceededCode : kFailedCode;
  response.ResultMessage = written ? kWriteSucceeded : kWriteFailed;
  response.CardNo = cardNo;  // echoed also when the write failed
  lines.push_back((written ? kWriteSucceededLine : kWriteFailedLine) + cardNo);
}

void TMemberMessageHandler::ReadMemberCard(const TXmlNode& root, member::TResponse& response,
                                           std::vector<std::string>& lines) {
  // Position 0 is not read; it only has to be there so that the flag lines up.
  RequireFields(root, "ReadMemberCard", kReadFlag + 1);
  const bool flag = root.ChildAt(kReadFlag)->ValueInteger() == 1;
  const int32_t channel = Channel(root, kReadChannel);

  std::string cardNo, password, expireDate, guestName, score;
  TBaseMember* device = member_;
  if (device != nullptr &&
      device->ReadCard(flag, cardNo, password, expireDate, guestName, score, channel)) {
    response.ResultCode = kSucceededCode;
    response.ResultMessage = kReadSucceeded;
    response.CardNo = cardNo;
    response.Password = password;
    response.ExpireDate = expireDate;
    response.GuestName = guestName;
    response.Score = score;
    lines.push_back(kReadSucceededLine + cardNo);
  } else {
    // Whatever a failed read left in the out texts is dropped.
    response.ResultCode = kFailedCode;
    response.ResultMessage = kReadFailed;
    lines.push_back(kReadFailed);
  }
}

void TMemberMessageHandler::PrintMemberCard(const TXmlNode& root, member::TResponse& response,
                                            std::vector<std::string>& lines) {
  RequireFields(root, "PrintMemberCard", kPrintText + 1);
  const std::string cardNo = Field(root, kPrintCardNo);
  const std::string printText = Field(root, kPrintText);

  TBaseMember* device = member_;
  const bool printed = device != nullptr && device->PrintCard(cardNo, printText);
  response.ResultCode = printed ? kSucceededCode : kFailedCode;
  response.ResultMessage = printed ? kPrintSucceeded : kPrintFailed;
  lines.push_back(printed ? kPrintSucceeded : kPrintFailed);
}

}  // namespace keydesk
