#include "intake/tcp_listener.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "core/service_status.h"
#include "intake/connection.h"
#include "intake/connection_threads.h"
#include "platform/errors.h"
#include "platform/mutex.h"

namespace keydesk {
namespace {

// Thread pools whose threads were still busy when their listener stopped. Those threads use
// their pool until they end, so it stays here, reachable, until the process ends; it is
// never destroyed, since destroying a pool waits for its threads.
Mutex abandonedMutex;
auto* const abandoned PT_GUARDED_BY(abandonedMutex) =
    new std::vector<std::unique_ptr<ConnectionThreads>>;

}  // namespace

struct TcpListener::Shared {
  explicit Shared(ConnectionRoutine routine) : serve(std::move(routine)) {}

  // Takes the connection off the lists, unless it was taken off already to make room.
  void Forget(const std::shared_ptr<TConnection>& connection) REQUIRES(mutex) {
    if (connections.erase(connection) == 0) return;
    const auto host = perHost.find(connection->Peer().Address);
    if (host != perHost.end() && --host->second == 0) perHost.erase(host);
  }

  // Aborts the connection that has waited longest for a request, of the host holding the
  // most connections (of host alone, when given), and forgets it; none when every connection
  // in question is carrying out a request. waited: how long the one aborted had waited.
  std::shared_ptr<TConnection> MakeRoom(std::optional<uint32_t> host,
                                        std::chrono::milliseconds& waited) REQUIRES(mutex) {
    using Clock = TConnection::Clock;
    // A connection may begin a request between the choice and the abort; then look again.
    for (int attempt = 0; attempt < 8; ++attempt) {
      struct Longest {
        Clock::time_point Since;
        std::shared_ptr<TConnection> Connection;
      };
      std::map<uint32_t, Longest> longest;  // by host, its connection waiting longest
      for (const auto& connection : connections) {
        const uint32_t address = connection->Peer().Address;
        if (host && address != *host) continue;
        const std::optional<Clock::time_point> since = connection->WaitingSince();
        if (!since) continue;
        Longest& candidate = longest[address];
        if (!candidate.Connection || *since < candidate.Since) candidate = {*since, connection};
      }
      const Longest* chosen = nullptr;
      int chosenCount = 0;
      for (const auto& [address, candidate] : longest) {
        const int count = perHost[address];
        if (chosen == nullptr || count > chosenCount ||
            (count == chosenCount && candidate.Since < chosen->Since)) {
          chosen = &candidate;
          chosenCount = count;
        }
      }
      if (chosen == nullptr) return nullptr;
      std::shared_ptr<TConnection> victim = chosen->Connection;
      if (!victim->AbortIfWaiting()) continue;
      waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - chosen->Since);
      Forget(victim);
      return victim;
    }
    return nullptr;
  }

  const ConnectionRoutine serve;
  Mutex mutex;
  std::set<std::shared_ptr<TConnection>> connections GUARDED_BY(mutex);
  std::map<uint32_t, int> perHost GUARDED_BY(mutex);  // open connections by peer address
};

TcpListener::TcpListener(ConnectionRoutine serve, ListenerPolicy policy, AccessLog* access,
                         ServiceStatus* status)
    : policy_(std::move(policy)),
      access_(access),
      status_(status),
      shared_(std::make_shared<Shared>(std::move(serve))) {}

TcpListener::~TcpListener() {
  try {
    Deactivate();
  } catch (...) {
  }
}

void TcpListener::Activate(int port) {
  if (Active()) return;
  listening_ = Socket::Listen(policy_.Address, static_cast<uint16_t>(port & 0xFFFF), kBacklog);
  port_ = listening_.LocalPort();
  threads_ = std::make_unique<ConnectionThreads>();
  looping_ = true;
  acceptThread_ = std::thread(&TcpListener::AcceptLoop, this);
}

namespace {

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

bool TcpListener::Accepting(std::chrono::milliseconds limit) const {
  if (!looping_) return false;
  const int64_t since = takingSince_;
  return since == 0 || SteadyMilliseconds() - since <= limit.count();
}

void TcpListener::AcceptLoop() {
  for (;;) {
    Ipv4Endpoint peer;
    bool dropped = false;
    Socket socket = listening_.Accept(&peer, &dropped);
    if (dropped) {
      Refuse(peer, AccessLog::Refusal::NoDescriptor);
      continue;
    }
    if (!socket.IsOpen()) break;
    takingSince_ = std::max<int64_t>(1, SteadyMilliseconds());
    try {
      Take(std::move(socket), peer);
    } catch (const std::exception&) {
      // Out of memory for this one connection: it is closed, the listener goes on.
    }
    takingSince_ = 0;
  }
  looping_ = false;
}

void TcpListener::Take(Socket socket, const Ipv4Endpoint& peer) {
  // Nothing of a host that may not connect is read: it never reaches a handler.
  if (!policy_.Allowed.Allows(peer.Address)) {
    socket.Close();
    Refuse(peer, AccessLog::Refusal::NotAllowed);
    return;
  }
  auto connection = std::make_shared<TConnection>(std::move(socket), peer);
  const Admission admission = Admit(connection);
  if (admission.Refused) {
    connection->Close();
    Refuse(peer, *admission.Refused);
    return;
  }
  if (admission.MadeRoom && access_ != nullptr) {
    access_->ClosedForRoom(admission.MadeRoom->Peer(), admission.Cap, admission.Waited, peer);
  }
  try {
    threads_->Run([shared = shared_, connection] { Serve(*shared, connection); });
  } catch (const Error&) {
    // No thread for it: the client sees its connection closed.
    {
      MutexLock lock(shared_->mutex);
      shared_->Forget(connection);
    }
    connection->Close();
    Refuse(peer, AccessLog::Refusal::NoThread);
  }
}

TcpListener::Admission TcpListener::Admit(const std::shared_ptr<TConnection>& connection) {
  MutexLock lock(shared_->mutex);
  const uint32_t host = connection->Peer().Address;
  Admission admission;
  std::optional<uint32_t> roomOf;  // whose connections may make room: all when none
  bool atCap = false;
  const auto fromHost = shared_->perHost.find(host);
  if (policy_.MaxConnectionsPerHost > 0 && fromHost != shared_->perHost.end() &&
      fromHost->second >= policy_.MaxConnectionsPerHost) {
    // Under this cap only a place of its own host's lets it in.
    atCap = true;
    admission.Cap = AccessLog::Refusal::TooManyFromHost;
    roomOf = host;
  } else if (policy_.MaxConnections > 0 &&
             shared_->connections.size() >= static_cast<size_t>(policy_.MaxConnections)) {
    atCap = true;
    admission.Cap = AccessLog::Refusal::TooManyConnections;
  }
  if (atCap) {
    admission.MadeRoom = shared_->MakeRoom(roomOf, admission.Waited);
    if (!admission.MadeRoom) {
      admission.Refused = admission.Cap;
      return admission;
    }
  }
  ++shared_->perHost[host];
  shared_->connections.insert(connection);
  return admission;
}

void TcpListener::Refuse(const Ipv4Endpoint& peer, AccessLog::Refusal why) {
  if (status_ != nullptr) status_->ConnectionRefused(peer.Address, why);
  if (access_ == nullptr) return;
  constexpr size_t kMostHosts = 4096;  // a flood from many addresses forgets older tallies
  const int64_t second = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
  if (refusals_.size() > kMostHosts) refusals_.clear();
  RefusalTally& tally = refusals_[peer.Address];
  if (tally.Second == second) {
    ++tally.LeftOut;
    return;
  }
  access_->Refused(peer, why, tally.LeftOut);
  tally = {second, 0};
}

void TcpListener::Serve(Shared& shared, const std::shared_ptr<TConnection>& connection) {
  try {
    shared.serve(*connection);
  } catch (...) {
    // The routine ends its own requests; whatever escapes ends only this connection.
  }
  MutexLock lock(shared.mutex);
  shared.Forget(connection);
  connection->Close();
}

void TcpListener::Deactivate() {
  if (threads_ == nullptr) return;
  // 1. Stop accepting.
  listening_.Shutdown();
  if (acceptThread_.joinable()) acceptThread_.join();
  listening_.Close();
  // 2. Close every open connection, so that a thread waiting for a request sees it end.
  {
    MutexLock lock(shared_->mutex);
    for (const auto& connection : shared_->connections) connection->Abort();
  }
  // 3. Wait for the connection threads.
  const bool ended = threads_->WaitForTasks(kStopWait);
  threads_->Stop();
  if (!ended) {
    MutexLock lock(abandonedMutex);
    abandoned->push_back(std::move(threads_));
    throw Error(std::string(kTerminateThreadTimeout));
  }
  threads_.reset();
}

size_t TcpListener::OpenConnections() const {
  MutexLock lock(shared_->mutex);
  return shared_->connections.size();
}

}  // namespace keydesk
