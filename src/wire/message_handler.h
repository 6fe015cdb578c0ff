#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "wire/reply.h"

namespace keydesk {

// Who sent a request and until when it may be served: a handler waiting for a device gives
// up at the deadline, and leaves undone what nobody would learn of once the client has gone.
struct RequestContext {
  uint32_t Host = 0;                                              // the client's IPv4 address
  std::optional<std::chrono::steady_clock::time_point> Deadline;  // none: no limit
  std::function<bool()> ClientGone;  // whether the client has closed its connection
};

// Carries out one request of the interface kind. Created by the intake for one request,
// used for one HandleMessage call and freed. HandleMessage turns the decoded request into a
// reply and touches no socket: the intake sends the reply. An error it raises ends the
// request without a response.
//
// A handler belongs to one connection thread; many handlers run at once, sharing only
// process-wide objects, which are thread-safe. Unlike the window's log pane, which only the
// main thread writes and which no handler needs, handlers are not given the pane.
class TMessageHandler {
 public:
  virtual ~TMessageHandler() = default;
  virtual Reply HandleMessage(const std::u16string& request) = 0;
  // Before HandleMessage: who asks and until when (see RequestContext). Handlers that wait
  // for nothing and do nothing lasting ignore it.
  virtual void SetContext(RequestContext context) { (void)context; }
};

using MessageHandlerFactory = std::function<std::unique_ptr<TMessageHandler>()>;

}  // namespace keydesk
