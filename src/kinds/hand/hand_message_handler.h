#pragma once

#include <string>

#include "wire/message_handler.h"

namespace keydesk {

struct AppContext;

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
// installed hand-tag device and answers on the same connection. Every step is logged.
//
// One handler per request; the shared objects it uses are reached through the context.
class THandMessageHandler final : public TMessageHandler {
 public:
  explicit THandMessageHandler(AppContext& context) : context_(context) {}

  void HandleMessage(TConnection& connection, const std::u16string& request) override;

 private:
  void SendResponse(TConnection& connection, const hand::TResponse& response);

  AppContext& context_;
};

}  // namespace keydesk
