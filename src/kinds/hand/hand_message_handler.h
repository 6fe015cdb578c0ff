#pragma once

#include <string>

#include "wire/message_handler.h"

namespace keydesk {

class TBaseHand;
class TLogFile;

namespace hand {

// The hand-tag response record. Texts are code page 936; all empty when created.
struct TResponse {
  std::string RequestID;  // never assigned: the request's content is not echoed
  std::string ResultCode;
  std::string ResultMessage;
  std::string HandNo;

  // One line, no declaration, no whitespace between elements, every element present; values
  // escaped (EscapeXmlText). The root is "DoorResponse", as for the door lock.
  std::string ToXml() const;
};

}  // namespace hand

// Carries out one hand-tag request ("IssueHand", "ReadHand", "EraseHand") through the
// installed hand-tag device and replies. Every step is logged.
//
// One handler per request; the log and the device are shared with every other handler.
class THandMessageHandler final : public TMessageHandler {
 public:
  // hand is the installed device, null when there is none; both must outlive the handler.
  THandMessageHandler(TLogFile& log, TBaseHand* hand) : log_(log), hand_(hand) {}

  Reply HandleMessage(const std::u16string& request) override;

 private:
  TLogFile& log_;
  TBaseHand* const hand_;
};

}  // namespace keydesk
