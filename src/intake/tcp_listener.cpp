#include "intake/tcp_listener.h"

#include <set>
#include <vector>

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

  const ConnectionRoutine serve;
  Mutex mutex;
  std::set<std::shared_ptr<TConnection>> connections GUARDED_BY(mutex);
};

TcpListener::TcpListener(ConnectionRoutine serve)
    : shared_(std::make_shared<Shared>(std::move(serve))) {}

TcpListener::~TcpListener() {
  try {
    Deactivate();
  } catch (...) {
  }
}

void TcpListener::Activate(int port) {
  if (Active()) return;
  listening_ = Socket::Listen(static_cast<uint16_t>(port & 0xFFFF), kBacklog);
  port_ = listening_.LocalPort();
  threads_ = std::make_unique<ConnectionThreads>();
  acceptThread_ = std::thread(&TcpListener::AcceptLoop, this);
}

void TcpListener::AcceptLoop() {
  for (;;) {
    Socket socket = listening_.Accept();
    if (!socket.IsOpen()) return;
    auto connection = std::make_shared<TConnection>(std::move(socket));
    {
      MutexLock lock(shared_->mutex);
      shared_->connections.insert(connection);
    }
    try {
      threads_->Run([shared = shared_, connection] { Serve(*shared, connection); });
    } catch (const Error&) {
      // No thread for it: the client sees its connection closed.
      MutexLock lock(shared_->mutex);
      shared_->connections.erase(connection);
    }
  }
}

void TcpListener::Serve(Shared& shared, const std::shared_ptr<TConnection>& connection) {
  try {
    shared.serve(*connection);
  } catch (...) {
    // The routine ends its own requests; whatever escapes ends only this connection.
  }
  MutexLock lock(shared.mutex);
  shared.connections.erase(connection);
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
