#pragma once

#include <functional>
#include <memory>
#include <string>

namespace keydesk {

class TConnection;

// Carries out one request of the interface kind. Created by the intake for one request,
// used for one HandleMessage call and freed. HandleMessage writes at most one response on
// the connection and never closes it; an error it raises ends the request without a
// response.
//
// A handler belongs to one connection thread; many handlers run at once, sharing only the
// objects of the context, which are thread-safe. Unlike the window's log pane, which only
// the main thread writes and which no handler needs, handlers are not given the pane.
class TMessageHandler {
 public:
  virtual ~TMessageHandler() = default;
  virtual void HandleMessage(TConnection& connection, const std::u16string& request) = 0;
};

using MessageHandlerFactory = std::function<std::unique_ptr<TMessageHandler>()>;

}  // namespace keydesk
