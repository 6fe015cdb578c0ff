#pragma once

#include <cstdint>
#include <memory>

namespace keydesk {

class Kind;
class LogPane;
class RequestIntake;
class TcpListener;
class TLogFile;
class TSysOption;

// Starts and stops the listener of the interface kind, with its start and stop lines in the
// log pane. Called on the main thread only.
class InterfaceServer {
 public:
  // All three must outlive the server.
  InterfaceServer(Kind& kind, const TSysOption& sysOption, TLogFile& log);
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

 private:
  Kind& kind_;
  const TSysOption& sysOption_;
  TLogFile& log_;
  std::shared_ptr<RequestIntake> intake_;
  std::unique_ptr<TcpListener> listener_;
};

}  // namespace keydesk
