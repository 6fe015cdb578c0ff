#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

 private:
  // Each carries out one request type, fills the response and adds its outcome's log lines
  // and what it learnt of the request (the room of an IssueCard) to the reply.
  void IssueCard(const TXmlNode& root, door::TResponse& response, Reply& reply);
  void ReadCard(const TXmlNode& root, door::TResponse& response, Reply& reply);
  void EraseCard(const TXmlNode& root, door::TResponse& response, Reply& reply);

  // Issues the card that the request's root describes; true when the driver wrote it.
  // CardNo receives the number the driver reported, also after a failed write; outcome the
  // room key and register id, once the fields have been read.
  bool WriteGuestCard(const TXmlNode& root, int64_t& CardNo, RequestOutcome& outcome);

  struct Operation;
  static const Operation* FindOperation(const std::string& type);

  DoorlockService& service_;
};

}  // namespace keydesk
