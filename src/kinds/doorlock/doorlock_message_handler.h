#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kinds/doorlock/guest_card_issue.h"
#include "wire/message_handler.h"

namespace keydesk {

struct DoorlockService;
class TXmlNode;

namespace door {
struct TResponse;
}

// Carries out one door lock request: parses it, settles the card's validity from the
// request, the system options and the record store, calls the installed driver and replies.
// Every step is logged.
//
// One handler per request; the shared objects it uses are reached through the service.
class TDoorlockMessageHandler final : public TMessageHandler {
 public:
  explicit TDoorlockMessageHandler(DoorlockService& service) : service_(service) {}

  Reply HandleMessage(const std::u16string& request) override;
  void SetContext(RequestContext context) override { context_ = std::move(context); }

 private:
  // Each carries out one request type, fills the response and adds its outcome's log lines
  // and what it learnt of the request (the room of an IssueCard) to the reply.
  void IssueCard(const TXmlNode& root, door::TResponse& response, Reply& reply);
  void ReadCard(const TXmlNode& root, door::TResponse& response, Reply& reply);
  void EraseCard(const TXmlNode& root, door::TResponse& response, Reply& reply);

  // Issues the card that the request's root describes; outcome receives the room key and
  // register id, once the fields have been read.
  IssueOutcome WriteGuestCard(const TXmlNode& root, RequestOutcome& outcome);

  struct Operation;
  static const Operation* FindOperation(const std::string& type);

  // How this request waits for the encoder; doing: what the clerk is told meanwhile (UTF-8).
  EncoderRequest Request(const char* doing = nullptr) const;

  DoorlockService& service_;
  RequestContext context_;
};

}  // namespace keydesk
