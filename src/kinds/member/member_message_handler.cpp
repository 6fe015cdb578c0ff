#include "kinds/member/member_message_handler.h"

#include "kinds/service_context.h"
#include "intake/connection.h"
#include "core/log_file.h"
#include "devices/base_member.h"
#include "platform/code_page.h"
#include "platform/conversions.h"
#include "platform/errors.h"
#include "wire/reply.h"
#include "wire/xml_doc.h"
#include "wire/xml_text.h"

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
  std::string xml;
  xml.reserve(256);
  xml += "<DoorResponse><RequestID>";
  xml += EscapeXmlText(RequestID);
  xml += "</RequestID><ResultCode>";
  xml += EscapeXmlText(ResultCode);
  xml += "</ResultCode><ResultMessage>";
  xml += EscapeXmlText(ResultMessage);
  xml += "</ResultMessage><CardNo>";
  xml += EscapeXmlText(CardNo);
  xml += "</CardNo><ExpireDate>";
  xml += EscapeXmlText(ExpireDate);
  xml += "</ExpireDate><GuestName>";
  xml += EscapeXmlText(GuestName);
  xml += "</GuestName><Score>";
  xml += EscapeXmlText(Score);
  xml += "</Score><Password>";
  xml += EscapeXmlText(Password);
  xml += "</Password></DoorResponse>";
  return xml;
}

}  // namespace member

void TMemberMessageHandler::HandleMessage(TConnection& connection, const std::u16string& request) {
  const std::string ansiRequest = AnsiFromUnicode(request);
  context_.Log.Write(kReceivedLine + ansiRequest);

  TXmlDoc document;
  member::TResponse response;
  document.ParseText(ansiRequest);
  const TXmlNode& root = *document.RootElement();
  const std::string typeAttribute = root.AttributeValue("type");
  const std::string_view type = Trim(typeAttribute);

  if (type == "WriteMemberCard") {
    WriteMemberCard(root, response);
  } else if (type == "ReadMemberCard") {
    ReadMemberCard(root, response);
  } else if (type == "PrintMemberCard") {
    PrintMemberCard(root, response);
  } else {
    return;  // an unknown type gets no bytes and no further log line
  }
  SendResponse(connection, response);
}

void TMemberMessageHandler::WriteMemberCard(const TXmlNode& root, member::TResponse& response) {
  RequireFields(root, "WriteMemberCard", kWriteText4 + 1);
  const std::string cardNo = Field(root, kWriteCardNo);
  const std::string text2 = Field(root, kWriteText2);
  const std::string text3 = Field(root, kWriteText3);
  const std::string text4 = Field(root, kWriteText4);
  const int32_t channel = Channel(root, kWriteChannel);

  TBaseMember* device = context_.Member.load();
  const bool written = device != nullptr && device->WriteCard(cardNo, text2, text3, text4, channel);
  response.ResultCode = written ? kSucceededCode : kFailedCode;
  response.ResultMessage = written ? kWriteSucceeded : kWriteFailed;
  response.CardNo = cardNo;  // echoed also when the write failed
  context_.Log.Write((written ? kWriteSucceededLine : kWriteFailedLine) + cardNo);
}

void TMemberMessageHandler::ReadMemberCard(const TXmlNode& root, member::TResponse& response) {
  // Position 0 is not read; it only has to be there so that the flag lines up.
  RequireFields(root, "ReadMemberCard", kReadFlag + 1);
  const bool flag = root.ChildAt(kReadFlag)->ValueInteger() == 1;
  const int32_t channel = Channel(root, kReadChannel);

  std::string cardNo, password, expireDate, guestName, score;
  TBaseMember* device = context_.Member.load();
  if (device != nullptr &&
      device->ReadCard(flag, cardNo, password, expireDate, guestName, score, channel)) {
    response.ResultCode = kSucceededCode;
    response.ResultMessage = kReadSucceeded;
    response.CardNo = cardNo;
    response.Password = password;
    response.ExpireDate = expireDate;
    response.GuestName = guestName;
    response.Score = score;
    context_.Log.Write(kReadSucceededLine + cardNo);
  } else {
    // Whatever a failed read left in the out texts is dropped.
    response.ResultCode = kFailedCode;
    response.ResultMessage = kReadFailed;
    context_.Log.Write(kReadFailed);
  }
}

void TMemberMessageHandler::PrintMemberCard(const TXmlNode& root, member::TResponse& response) {
  RequireFields(root, "PrintMemberCard", kPrintText + 1);
  const std::string cardNo = Field(root, kPrintCardNo);
  const std::string printText = Field(root, kPrintText);

  TBaseMember* device = context_.Member.load();
  const bool printed = device != nullptr && device->PrintCard(cardNo, printText);
  response.ResultCode = printed ? kSucceededCode : kFailedCode;
  response.ResultMessage = printed ? kPrintSucceeded : kPrintFailed;
  context_.Log.Write(printed ? kPrintSucceeded : kPrintFailed);
}

void TMemberMessageHandler::SendResponse(TConnection& connection,
                                         const member::TResponse& response) {
  // Unlike the door lock and hand-tag handlers, this one has never logged a failed send.
  SendResponseFrame(connection, response.ToXml(), nullptr);
}

}  // namespace keydesk
