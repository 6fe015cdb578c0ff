#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>

#include "core/access_log.h"
#include "core/ipv4.h"
#include "platform/socket.h"

namespace keydesk {

class ConnectionThreads;
class ServiceStatus;
class TConnection;

// Who the listener serves: where it listens, which hosts, and how many connections at once.
struct ListenerPolicy {
  uint32_t Address = kAnyAddress;  // a local IPv4 address, or every one
  AllowedHosts Allowed;            // empty: any host
  int MaxConnections = 0;          // zero: no limit
  int MaxConnectionsPerHost = 0;   // zero: no limit
};

// The TCP listener: accepts connections on a thread of its own and runs each connection on a
// thread of its own until the connection ends. A connection from a host that is not allowed
// is closed as soon as it is accepted, before a byte is read. At a cap, the connection that
// has waited longest for a request, of the host holding the most connections (of the
// newcomer's own host at the cap per host), is closed to take the newcomer in: connections
// that only wait must not keep the PMS out. Only when every connection is carrying out a
// request is the newcomer closed instead. Refusals and connections closed so go to the
// access log, refusals to the service status too. Deactivating stops accepting, closes every
// open connection so that blocked reads return, and waits for the connection threads.
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

  // access and status, if given, must outlive the listener.
  explicit TcpListener(ConnectionRoutine serve, ListenerPolicy policy = {},
                       AccessLog* access = nullptr, ServiceStatus* status = nullptr);
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
  // Whether the listener takes connections: its accept thread runs, and has not been handing
  // one connection on for longer than limit. A service manager's watchdog is fed only then.
  // Any thread.
  bool Accepting(std::chrono::milliseconds limit) const;
  // The port actually listened on.
  uint16_t Port() const { return port_; }
  size_t OpenConnections() const;

 private:
  // What connection threads use; shared with them so that it outlives this object when
  // threads are stuck at shutdown.
  struct Shared;

  void AcceptLoop();
  // Serves an accepted connection, or closes it at once when its host or the caps say so.
  void Take(Socket socket, const Ipv4Endpoint& peer);
  // What became of a connection at the caps.
  struct Admission {
    std::optional<AccessLog::Refusal> Refused;  // set when it is to be closed
    // The connection closed to take it in, which cap was reached and how long it had waited.
    std::shared_ptr<TConnection> MadeRoom;
    AccessLog::Refusal Cap = AccessLog::Refusal::TooManyConnections;
    std::chrono::milliseconds Waited{0};
  };
  // Takes the connection into the count, making room at a cap when a connection only waits.
  Admission Admit(const std::shared_ptr<TConnection>& connection);
  // Tells the service status, and the access log at most once a second for each host: a
  // flood of refused connections must neither fill the disk nor hold up accepting.
  void Refuse(const Ipv4Endpoint& peer, AccessLog::Refusal why);
  static void Serve(Shared& shared, const std::shared_ptr<TConnection>& connection);

  const ListenerPolicy policy_;
  AccessLog* const access_;
  ServiceStatus* const status_;
  std::shared_ptr<Shared> shared_;
  Socket listening_;
  uint16_t port_ = 0;
  std::thread acceptThread_;
  std::atomic<bool> looping_{false};
  // When the accept thread began handing the current connection on (steady clock, in
  // milliseconds); zero while it waits for one.
  std::atomic<int64_t> takingSince_{0};
  std::unique_ptr<ConnectionThreads> threads_;

  // The accept thread's own: by host, the second of its last refusal line, and how many
  // refusals have been left out since.
  struct RefusalTally {
    int64_t Second = -1;
    int LeftOut = 0;
  };
  std::unordered_map<uint32_t, RefusalTally> refusals_;
};

}  // namespace keydesk
