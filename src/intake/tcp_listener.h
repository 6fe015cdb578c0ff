#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "platform/socket.h"

namespace keydesk {

class ConnectionThreads;
class TConnection;

// The TCP listener: accepts connections on all local IPv4 addresses on a thread of its own
// and runs each connection on a thread of its own until the connection ends. Deactivating
// stops accepting, closes every open connection so that blocked reads return, and waits
// for the connection threads.
//
// Activate and Deactivate are called from one thread (the main thread); the rest is
// thread-safe.
class TcpListener {
 public:
  static constexpr int kBacklog = 15;
  static constexpr std::chrono::milliseconds kStopWait{5000};

  // Runs on the connection's thread and returns when the connection is done with. It (and
  // what it captures) must stay valid while any connection thread runs.
  using ConnectionRoutine = std::function<void(TConnection&)>;

  explicit TcpListener(ConnectionRoutine serve);
  // Deactivates; errors are swallowed here, so call Deactivate first to see them.
  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  // Only the low 16 bits of port are used; 0 lets the system choose. Raises SocketError.
  void Activate(int port);
  // Raises Error "Terminate Thread Timeout" when connection threads are still running after
  // kStopWait; they are then left to run to the end of the process.
  void Deactivate();

  bool Active() const { return listening_.IsOpen(); }
  // The port actually listened on.
  uint16_t Port() const { return port_; }
  size_t OpenConnections() const;

 private:
  // What connection threads use; shared with them so that it outlives this object when
  // threads are stuck at shutdown.
  struct Shared;

  void AcceptLoop();
  static void Serve(Shared& shared, const std::shared_ptr<TConnection>& connection);

  std::shared_ptr<Shared> shared_;
  Socket listening_;
  uint16_t port_ = 0;
  std::thread acceptThread_;
  std::unique_ptr<ConnectionThreads> threads_;
};

}  // namespace keydesk
