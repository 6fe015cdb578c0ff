#pragma once

#include <string>
#include <vector>

#include "wire/message_handler.h"

namespace keydesk {

class TBaseMember;
class TLogFile;
class TXmlNode;

namespace member {

// The member-card response record, fields in declaration order. Texts are code page 936;
// all empty when created.
struct TResponse {
  std::string RequestID;  // never assigned: the request's content is not echoed
  std::string ResultCode;
  std::string ResultMessage;
  std::string CardNo;
  std::string Password;
  std::string ExpireDate;
  std::string GuestName;
  std::string Score;

  // One line, no declaration, no whitespace between elements, every element present; values
  // escaped (EscapeXmlText). The root is "DoorResponse", as for the door lock, and Password
  // comes last on the wire although the record declares it after CardNo.
  std::string ToXml() const;
};

}  // namespace member

// Carries out one member-card request ("WriteMemberCard", "ReadMemberCard",
// "PrintMemberCard") through the installed member-card device and replies. Its log is
// shorter than the door lock's: the request, then one line for the outcome.
//
// One handler per request; the log and the device are shared with every other handler.
class TMemberMessageHandler final : public TMessageHandler {
 public:
  // member is the installed device, null when there is none; both must outlive the handler.
  TMemberMessageHandler(TLogFile& log, TBaseMember* member) : log_(log), member_(member) {}

  Reply HandleMessage(const std::u16string& request) override;

 private:
  // Each carries out one request type, fills the response and adds its outcome's log line to
  // lines.
  void WriteMemberCard(const TXmlNode& root, member::TResponse& response,
                       std::vector<std::string>& lines);
  void ReadMemberCard(const TXmlNode& root, member::TResponse& response,
                      std::vector<std::string>& lines);
  void PrintMemberCard(const TXmlNode& root, member::TResponse& response,
                       std::vector<std::string>& lines);

  struct Operation;
  static const Operation* FindOperation(const std::string& type);

  TLogFile& log_;
  TBaseMember* const member_;
};

}  // namespace keydesk
