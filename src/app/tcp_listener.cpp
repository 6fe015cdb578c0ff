#include "app/tcp_listener.h"

#include "app/connection.h"
#include "platform/errors.h"

namespace keydesk {

TcpListener::TcpListener(ConnectionRoutine serve) : serve_(std::move(serve)) {}

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
      std::lock_guard lock(connectionsMutex_);
      connections_.insert(connection);
    }
    try {
      threads_->Run([this, connection] { Serve(connection); });
    } catch (const Error&) {
      // No thread for it: the client sees its connection closed.
      std::lock_guard lock(connectionsMutex_);
      connections_.erase(connection);
    }
  }
}

void TcpListener::Serve(std::shared_ptr<TConnection> connection) {
  try {
    serve_(*connection);
  } catch (...) {
    // The routine ends its own requests; whatever escapes ends only this connection.
  }
  connection->Close();
  std::lock_guard lock(connectionsMutex_);
  connections_.erase(connection);
}

void TcpListener::Deactivate() {
  if (!Active() && !acceptThread_.joinable()) return;
  // 1. Stop accepting.
  listening_.Shutdown();
  if (acceptThread_.joinable()) acceptThread_.join();
  listening_.Close();
  // 2. Close every open connection, so a thread waiting for a request sees it end.
  {
    std::lock_guard lock(connectionsMutex_);
    for (const auto& connection : connections_) connection->Abort();
  }
  // 3. Wait for the connection threads.
  const bool ended = threads_->WaitForTasks(kStopWait);
  threads_->Stop();
  if (!ended) {
    // Stuck threads still use the thread pool and this listener's connection set.
    (void)threads_.release();
    throw Error(std::string(kTerminateThreadTimeout));
  }
  threads_.reset();
}

size_t TcpListener::OpenConnections() const {
  std::lock_guard lock(connectionsMutex_);
  return connections_.size();
}

}  // namespace keydesk
