#pragma once

#include <functional>
#include <memory>
#include <string>

#include "wire/reply.h"

namespace keydesk {

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
  // Before HandleMessage: how to ask whether the client has gone (closed its connection), so
  // that a handler can leave undone what nobody would learn of. Handlers that do nothing
  // lasting ignore it.
  virtual void WatchClient(std::function<bool()> gone) { (void)gone; }
};

using MessageHandlerFactory = std::function<std::unique_ptr<TMessageHandler>()>;

}  // namespace keydesk
