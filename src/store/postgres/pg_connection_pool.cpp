#include "store/postgres/pg_connection_pool.h"

#include <utility>

namespace keydesk {

PgLease::~PgLease() {
  if (pool_ != nullptr && connection_ != nullptr) pool_->Give(std::move(connection_));
}

PgConnectionPool::PgConnectionPool(ConnectionParameters parameters, Preparation prepare)
    : parameters_(std::move(parameters)), prepare_(std::move(prepare)) {}

PgLease PgConnectionPool::Take() {
  std::unique_ptr<PgConnection> connection;
  {
    MutexLock lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + PgConnection::kAnswerWait;
    while (idle_.empty() && inUse_ >= kMaxConnections) {
      if (!released_.WaitUntil(mutex_, deadline) && idle_.empty() && inUse_ >= kMaxConnections) {
        throw PostgresError("", "all " + std::to_string(kMaxConnections) +
                                    " connections to the PostgreSQL server are busy");
      }
    }
    ++inUse_;
    if (!idle_.empty()) {
      connection = std::move(idle_.back());
      idle_.pop_back();
    }
  }
  // One that the server closed while it lay idle is replaced rather than fail its first
  // statement.
  if (connection != nullptr && !connection->Reusable()) connection.reset();
  if (connection == nullptr) {
    try {
      connection = Connect();
    } catch (...) {
      Release();
      throw;
    }
  }
  return PgLease(*this, std::move(connection));
}

std::unique_ptr<PgConnection> PgConnectionPool::Connect() {
  std::unique_ptr<PgConnection> connection;
  try {
    connection = std::make_unique<PgConnection>(parameters_);
    bool prepared = false;
    {
      MutexLock lock(mutex_);
      prepared = prepared_;
    }
    if (!prepared) {
      prepare_(*connection);
      MutexLock lock(mutex_);
      prepared_ = true;
    }
  } catch (...) {
    MutexLock lock(mutex_);
    connected_ = false;
    throw;
  }
  MutexLock lock(mutex_);
  connected_ = true;
  return connection;
}

void PgConnectionPool::Give(std::unique_ptr<PgConnection> connection) {
  const bool reusable = connection->Reusable();
  // One closed only because it was left inside a transaction says nothing of the server.
  const bool connected = connection->Connected();
  {
    MutexLock lock(mutex_);
    --inUse_;
    connected_ = connected;
    if (reusable && idle_.size() < kMaxConnections) {
      idle_.push_back(std::move(connection));
    }
  }
  released_.Signal();
  // Anything not kept is closed here, outside the lock.
}

void PgConnectionPool::Release() {
  {
    MutexLock lock(mutex_);
    --inUse_;
  }
  released_.Signal();
}

bool PgConnectionPool::Connected() const {
  MutexLock lock(mutex_);
  return connected_;
}

}  // namespace keydesk
