#pragma once

#include <cstdint>
#include <memory>

#include "wire/message_handler.h"

namespace keydesk {

struct AppContext;
class LogPane;
class RequestIntake;
class TcpListener;

// Starts and stops the listener of the interface kind, with its start and stop lines in the
// log pane. Called on the main thread only.
class InterfaceServer {
 public:
  explicit InterfaceServer(AppContext& context);
  // Stops a running listener, swallowing errors: call StopServer first to see them.
  ~InterfaceServer();

  // Adds the kind's start line to the pane, then activates the listener on the kind's port.
  // Raises SocketError when the port cannot be bound; the start line stays in the pane.
  void StartServer(LogPane& pane);
  // Deactivates the listener, then adds the stop line. Raises Error "Terminate Thread
  // Timeout" (without the stop line) when connection threads do not end in time; those
  // threads keep running until the process ends.
  void StopServer(LogPane& pane);

  bool Listening() const;
  uint16_t Port() const;

  // The handler factory of the kind (used by the intake and by tests without a socket).
  static MessageHandlerFactory HandlerFactory(AppContext& context);

 private:
  AppContext& context_;
  std::shared_ptr<RequestIntake> intake_;
  std::unique_ptr<TcpListener> listener_;
};

}  // namespace keydesk
