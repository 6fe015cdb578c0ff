#include "kinds/hand/hand_message_handler.h"

#include <array>

#include "kinds/service_context.h"
#include "intake/connection.h"
#include "core/log_file.h"
#include "devices/base_hand.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "wire/reply.h"
#include "wire/xml_doc.h"
#include "wire/xml_text.h"

namespace keydesk {
namespace {

// One request type: its device operation, and what is answered and logged either way.
// Three log lines differ from the message answered ("发手牌失败", "读手牌失败", and the erase
// lines without the trailing blank); both texts are established, so neither is to be aligned.
struct HandOperation {
  const char* Type;
  bool (TBaseHand::*Call)(std::string& HandNo);
  std::string SucceededMessage;
  std::string SucceededLine;
  bool SucceededLineHasNumber;
  std::string FailedMessage;
  std::string FailedLine;
  bool FailedKeepsNumber;  // a failed issue still reports the number the device tried
};

const std::array<HandOperation, 3> kOperations = {{
    {"IssueHand", &TBaseHand::WriteCard, AnsiFromUtf8("写手牌卡成功"), AnsiFromUtf8("写手牌卡成功"),
     false, AnsiFromUtf8("发手牌卡失败"), AnsiFromUtf8("发手牌失败"), true},
    {"ReadHand", &TBaseHand::ReadCard, AnsiFromUtf8("读手牌卡成功"),
     AnsiFromUtf8("读手牌成功，卡号为："), true, AnsiFromUtf8("读手牌卡失败"),
     AnsiFromUtf8("读手牌失败"), false},
    // The erase messages end in a blank that the log lines do not have.
    {"EraseHand", &TBaseHand::EraseCard, AnsiFromUtf8("注销手牌成功 "),
     AnsiFromUtf8("注销手牌成功"), false, AnsiFromUtf8("注销手牌失败 "),
     AnsiFromUtf8("注销手牌失败"), false},
}};

// The operation of a "type" attribute value: trimmed of bytes up to the blank, then
// compared exactly, letter case included; nullptr for any other type.
const HandOperation* FindOperation(std::string_view type) {
  const std::string_view trimmed = Trim(type);
  for (const HandOperation& operation : kOperations) {
    if (trimmed == operation.Type) return &operation;
  }
  return nullptr;
}

}  // namespace

namespace hand {

std::string TResponse::ToXml() const {
  std::string xml;
  xml.reserve(160);
  xml += "<DoorResponse><RequestID>";
  xml += EscapeXmlText(RequestID);
  xml += "</RequestID><ResultCode>";
  xml += EscapeXmlText(ResultCode);
  xml += "</ResultCode><ResultMessage>";
  xml += EscapeXmlText(ResultMessage);
  xml += "</ResultMessage><HandNo>";
  xml += EscapeXmlText(HandNo);
  xml += "</HandNo></DoorResponse>";
  return xml;
}

}  // namespace hand

void THandMessageHandler::HandleMessage(TConnection& connection, const std::u16string& request) {
  TLogFile& log = context_.Log;
  const std::string ansiRequest = AnsiFromUnicode(request);
  log.Write(kReceivedLine + ansiRequest);

  TXmlDoc document;
  hand::TResponse response;
  document.ParseText(ansiRequest);
  const TXmlNode& root = *document.RootElement();
  const HandOperation* operation = FindOperation(root.AttributeValue("type"));
  log.Write(kExecutingLine);

  if (operation != nullptr) {  // an unknown type gets no bytes at all
    std::string handNo;
    TBaseHand* device = context_.Hand.load();
    if (device != nullptr && (device->*operation->Call)(handNo)) {
      response.ResultCode = kSucceededCode;
      response.ResultMessage = operation->SucceededMessage;
      response.HandNo = handNo;
      log.Write(operation->SucceededLineHasNumber ? operation->SucceededLine + handNo
                                                  : operation->SucceededLine);
    } else {
      response.ResultCode = kFailedCode;
      response.ResultMessage = operation->FailedMessage;
      if (operation->FailedKeepsNumber) response.HandNo = handNo;
      log.Write(operation->FailedLine);
    }
    SendResponse(connection, response);
  }

  log.Write(kReturnedLine + response.ToXml());
  log.Write(kDoneLine);
}

void THandMessageHandler::SendResponse(TConnection& connection, const hand::TResponse& response) {
  // A peer that has gone is logged, and the request's log lines are finished.
  SendResponseFrame(connection, response.ToXml(), &context_.Log);
}

}  // namespace keydesk
