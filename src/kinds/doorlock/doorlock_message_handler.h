#pragma once

#include <cstdint>
#include <string>

#include "wire/message_handler.h"

namespace keydesk {

struct AppContext;
class TXmlNode;

namespace door {
struct TResponse;
}

// Carries out one door lock request: parses it, settles the card's validity from the
// request, the system options and the record store, calls the installed driver and answers
// on the same connection. Every step is logged.
//
// One handler per request; the shared objects it uses are reached through the context.
class TDoorlockMessageHandler final : public TMessageHandler {
 public:
  explicit TDoorlockMessageHandler(AppContext& context) : context_(context) {}

  void HandleMessage(TConnection& connection, const std::u16string& request) override;

  // Issues the card that the request's root describes; true when the driver wrote it.
  // CardNo receives the number the driver reported, also after a failed write.
  bool IssueCard(const TXmlNode& root, int64_t& CardNo);

 private:
  bool ReadCard(int64_t& CardNo);
  bool EraseCard();
  void SendResponse(TConnection& connection, const door::TResponse& response);

  AppContext& context_;
};

}  // namespace keydesk
