#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/mutex.h"
#include "store/postgres/connection_parameters.h"
#include "store/postgres/pg_connection.h"

namespace keydesk {

class PgConnectionPool;

// A connection taken from the pool for one operation, given back when the object goes away:
// kept for the next operation when it is fit for one, closed otherwise, so that a
// connection that failed is replaced by a new one at the next operation.
class PgLease {
 public:
  PgLease(PgConnectionPool& pool, std::unique_ptr<PgConnection> connection)
      : pool_(&pool), connection_(std::move(connection)) {}
  ~PgLease();
  PgLease(PgLease&& other) noexcept = default;
  PgLease& operator=(PgLease&&) = delete;
  PgLease(const PgLease&) = delete;
  PgLease& operator=(const PgLease&) = delete;

  PgConnection& operator*() const { return *connection_; }
  PgConnection* operator->() const { return connection_.get(); }

 private:
  PgConnectionPool* pool_;
  std::unique_ptr<PgConnection> connection_;
};

// The connections of one store to its server: a few kept open between operations, at most
// kMaxConnections at a time, each opened when needed. A new connection is first handed to
// the preparation (making the tables) until that has once succeeded.
//
// Thread-safe. Connecting and statements run outside the lock.
class PgConnectionPool {
 public:
  static constexpr size_t kMaxConnections = 4;

  using Preparation = std::function<void(PgConnection&)>;

  PgConnectionPool(ConnectionParameters parameters, Preparation prepare);
  PgConnectionPool(const PgConnectionPool&) = delete;
  PgConnectionPool& operator=(const PgConnectionPool&) = delete;

  // A connection for one operation. Waits while kMaxConnections are in use, at most
  // PgConnection::kAnswerWait; raises PostgresError when it cannot connect or the wait ends.
  PgLease Take() EXCLUDES(mutex_);

  // Whether the last connection made or given back was still connected.
  bool Connected() const EXCLUDES(mutex_);

 private:
  friend class PgLease;
  void Give(std::unique_ptr<PgConnection> connection) EXCLUDES(mutex_);
  std::unique_ptr<PgConnection> Connect() EXCLUDES(mutex_);
  void Release() EXCLUDES(mutex_);

  const ConnectionParameters parameters_;
  const Preparation prepare_;
  mutable Mutex mutex_;
  CondVar released_;
  std::vector<std::unique_ptr<PgConnection>> idle_ GUARDED_BY(mutex_);
  size_t inUse_ GUARDED_BY(mutex_) = 0;
  bool prepared_ GUARDED_BY(mutex_) = false;
  bool connected_ GUARDED_BY(mutex_) = false;
};

}  // namespace keydesk
