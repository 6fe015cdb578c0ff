#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

namespace keydesk {

class Kind;
class LogPane;
struct NetworkOption;
class RequestIntake;
struct ServiceContext;
class TcpListener;

// Starts and stops the listener of the interface kind, with its start and stop lines in the
// log pane, and keeps the service status told of the listener and of every request. Called
// on the main thread only.
class InterfaceServer {
 public:
  // Both must outlive the server.
  InterfaceServer(Kind& kind, const ServiceContext& context);
  // Stops a running listener, swallowing errors: call StopServer first to see them.
  ~InterfaceServer();

  // Adds the kind's start line to the pane, then activates the listener on the kind's port.
  // Raises SocketError when the port cannot be bound; the start line stays in the pane, and
  // a line after it says that the listener is not running, on which port and why.
  void StartServer(LogPane& pane);
  // The same with who may connect, and the port, as given (as Option.ini holds them now).
  void StartServer(LogPane& pane, const NetworkOption& network, int port);
  // Deactivates the listener, then adds the stop line. Raises Error "Terminate Thread
  // Timeout" (without the stop line) when connection threads do not end in time; those
  // threads keep running until the process ends.
  void StopServer(LogPane& pane);

  bool Listening() const;
  // Whether the listener takes connections (TcpListener::Accepting); any thread.
  bool Accepting(std::chrono::milliseconds limit) const;
  uint16_t Port() const;

 private:
  Kind& kind_;
  const ServiceContext& context_;
  std::shared_ptr<RequestIntake> intake_;
  std::unique_ptr<TcpListener> listener_;
};

}  // namespace keydesk
