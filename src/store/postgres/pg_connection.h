#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "platform/socket_wait.h"
#include "store/postgres/connection_parameters.h"

struct pg_conn;
struct pg_result;

namespace keydesk {

// An error reported by the PostgreSQL server or by libpq. The message is theirs, on one
// line, in code page 936.
class PostgresError : public Error {
 public:
  PostgresError(std::string sqlState, const std::string& message)
      : Error(message), sqlState_(std::move(sqlState)) {}
  // The server's SQLSTATE ("23505" for a duplicate key); empty when the connection failed.
  const std::string& SqlState() const { return sqlState_; }

 private:
  std::string sqlState_;
};

// One statement's result, cleared when the object goes away.
class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(pg_result* result) : result_(result) {}

  int Rows() const;
  // The value as the server sent it (UTF-8 text); none for NULL.
  std::optional<std::string> Text(int row, int column) const;
  // Rows an insert, update or delete changed.
  int64_t Affected() const;

 private:
  struct Clear {
    void operator()(pg_result* result) const;
  };
  std::unique_ptr<pg_result, Clear> result_;
};

// A parameter's text (UTF-8), or none for NULL. Statements take every value as a parameter.
using PgParameter = std::optional<std::string>;

// One connection to the server, closed when the object goes away. Every failure becomes a
// PostgresError here. A statement waits at most kAnswerWait for its answer, so a server that
// stopped answering (a host gone from the network) cannot hold a request up for long; the
// connection is given up after that.
//
// Not thread-safe: the owner serialises its use.
class PgConnection {
 public:
  // The server's own statement_timeout (ConnectionParameters) ends a slow statement first.
  static constexpr std::chrono::seconds kAnswerWait{10};

  // Connects; raises PostgresError with libpq's message when it cannot. answerWait bounds
  // the wait for each statement's answer.
  explicit PgConnection(const ConnectionParameters& parameters,
                        std::chrono::seconds answerWait = kAnswerWait);
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Runs one statement with its parameters ($1, $2 ...), bound as text.
  PgResult Execute(std::string_view sql, const std::vector<PgParameter>& parameters = {});

  // Still connected, as far as libpq knows, and not given up.
  bool Connected() const;
  // Connected, with no transaction left open and no statement abandoned, so that the next
  // user can start afresh. Reads what the server may have sent meanwhile, so that a
  // connection the server has closed (a restart) is found out before it is used.
  bool Reusable();

 private:
  // Waits until the socket is ready for interest or the deadline passes (which gives the
  // connection up and raises).
  void Await(SocketInterest interest, std::chrono::steady_clock::time_point deadline);
  [[noreturn]] void RaiseConnectionError() const;
  pg_conn* Handle() const { return connection_.get(); }

  struct Finish {
    void operator()(pg_conn* connection) const;
  };
  const std::chrono::seconds answerWait_;
  std::unique_ptr<pg_conn, Finish> connection_;
  bool abandoned_ = false;  // a statement's answer was not waited for
};

}  // namespace keydesk
