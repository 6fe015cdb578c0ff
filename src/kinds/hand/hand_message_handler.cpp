#include "kinds/hand/hand_message_handler.h"

#include <array>

#include "core/log_file.h"
#include "devices/base_hand.h"
#include "kinds/door_response.h"
#include "kinds/handler_lines.h"
#include "kinds/request_type.h"
#include "platform/code_page.h"
#include "wire/xml_doc.h"

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

}  // namespace

namespace hand {

std::string TResponse::ToXml() const {
  return DoorResponseHead(RequestID, ResultCode, ResultMessage)
      .Element("HandNo", HandNo)
      .Close(kDoorResponseRoot)
      .Take();
}

}  // namespace hand

Reply THandMessageHandler::HandleMessage(const std::u16string& request) {
  const std::string ansiRequest = AnsiFromUnicode(request);
  TXmlDoc document;
  hand::TResponse response;
  ParseAndLogReceipt(ansiRequest, document, log_);
  const TXmlNode& root = *document.RootElement();
  const HandOperation* operation = FindRequestType(kOperations, root.AttributeValue("type"));

  Reply reply;
  // A peer that has gone is logged, and the request's log lines are finished.
  reply.LogSendFailure = true;
  if (operation != nullptr) {  // an unknown type gets no bytes at all
    std::string handNo;
    if (hand_ != nullptr && (hand_->*operation->Call)(handNo)) {
      response.ResultCode = kSucceededCode;
      response.ResultMessage = operation->SucceededMessage;
      response.HandNo = handNo;
      reply.OutcomeLines.push_back(operation->SucceededLineHasNumber
                                       ? operation->SucceededLine + handNo
                                       : operation->SucceededLine);
    } else {
      response.ResultCode = kFailedCode;
      response.ResultMessage = operation->FailedMessage;
      if (operation->FailedKeepsNumber) response.HandNo = handNo;
      reply.OutcomeLines.push_back(operation->FailedLine);
    }
    reply.Response = response.ToXml();
    reply.Outcome.Type = operation->Type;
    reply.Outcome.ResultCode = response.ResultCode;
    reply.Outcome.CardNo = response.HandNo;
  }
  reply.LinesAfterSending = {kReturnedLine + response.ToXml(), kDoneLine};
  return reply;
}

}  // namespace keydesk
