#include "store/postgres/pg_connection.h"

#include <libpq-fe.h>

#include <cstdlib>

#include "platform/code_page.h"
#include "platform/socket_wait.h"

namespace keydesk {
namespace {

using Clock = std::chrono::steady_clock;

// An idle connection gets a notice at most before its close; more reads than this mean a
// peer that keeps talking, which the next statement will find out about.
constexpr int kMaxIdleReads = 8;

// libpq's messages end in a newline and may continue on indented lines; a log line is one.
std::string OneLine(const char* text) {
  std::string line;
  bool blank = false;
  for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
    if (*c == '\n' || *c == '\t' || *c == '\r' || *c == ' ') {
      blank = !line.empty();
      continue;
    }
    if (blank) line += ' ';
    blank = false;
    line += *c;
  }
  return AnsiFromUtf8(line);
}

PostgresError ResultError(const PGresult* result) {
  const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
  const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
  return PostgresError(state != nullptr ? state : "",
                       OneLine(primary != nullptr ? primary : PQresultErrorMessage(result)));
}

// libpq prints the server's notices on standard error by default, among them the notice
// that a session is ending; what matters of them reaches us as errors.
void IgnoreNotice(void*, const char*) {}

bool Succeeded(const PGresult* result) {
  switch (PQresultStatus(result)) {
    case PGRES_COMMAND_OK:
    case PGRES_TUPLES_OK:
    case PGRES_EMPTY_QUERY:
      return true;
    default:
      return false;
  }
}

}  // namespace

void PgResult::Clear::operator()(pg_result* result) const { PQclear(result); }

int PgResult::Rows() const { return result_ != nullptr ? PQntuples(result_.get()) : 0; }

std::optional<std::string> PgResult::Text(int row, int column) const {
  if (row >= Rows() || column >= PQnfields(result_.get())) return std::nullopt;
  if (PQgetisnull(result_.get(), row, column)) return std::nullopt;
  return std::string(PQgetvalue(result_.get(), row, column),
                     static_cast<size_t>(PQgetlength(result_.get(), row, column)));
}

int64_t PgResult::Affected() const {
  if (result_ == nullptr) return 0;
  const char* count = PQcmdTuples(result_.get());
  return count != nullptr && *count != '\0' ? std::strtoll(count, nullptr, 10) : 0;
}

PgConnection::PgConnection(const ConnectionParameters& parameters, std::chrono::seconds answerWait)
    : answerWait_(answerWait) {
  std::vector<const char*> keywords;
  std::vector<const char*> values;
  for (size_t i = 0; i < parameters.Keywords.size(); ++i) {
    keywords.push_back(parameters.Keywords[i].c_str());
    values.push_back(parameters.Values[i].c_str());
  }
  keywords.push_back(nullptr);
  values.push_back(nullptr);
  // The string was expanded into the parameters already; dbname is not read as another one.
  connection_.reset(PQconnectdbParams(keywords.data(), values.data(), 0));
  if (connection_ == nullptr) throw PostgresError("", "out of memory");
  if (PQstatus(Handle()) != CONNECTION_OK) RaiseConnectionError();
  PQsetNoticeProcessor(Handle(), IgnoreNotice, nullptr);
  // Statements are sent without blocking, so that Await bounds every wait.
  if (PQsetnonblocking(Handle(), 1) != 0) RaiseConnectionError();
}

void PgConnection::Finish::operator()(pg_conn* connection) const { PQfinish(connection); }

void PgConnection::RaiseConnectionError() const {
  throw PostgresError("", OneLine(PQerrorMessage(Handle())));
}

void PgConnection::Await(SocketInterest interest, Clock::time_point deadline) {
  const int socket = PQsocket(Handle());
  if (socket < 0) RaiseConnectionError();
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  const SocketWaitResult ready =
      left.count() > 0 ? WaitForSocket(static_cast<NativeSocket>(socket), interest, left)
                       : SocketWaitResult::TimedOut;
  if (ready == SocketWaitResult::Ready) return;
  if (ready == SocketWaitResult::Failed) RaiseConnectionError();
  abandoned_ = true;
  throw PostgresError("", "no answer from the PostgreSQL server within " +
                              std::to_string(answerWait_.count()) + " seconds");
}

PgResult PgConnection::Execute(std::string_view sql, const std::vector<PgParameter>& parameters) {
  if (abandoned_) {
    throw PostgresError("", "the connection was given up after an unanswered statement");
  }
  const std::string text(sql);
  std::vector<const char*> values;
  for (const PgParameter& parameter : parameters) {
    values.push_back(parameter ? parameter->c_str() : nullptr);
  }
  if (PQsendQueryParams(Handle(), text.c_str(), static_cast<int>(values.size()), nullptr,
                        values.data(), nullptr, nullptr, 0) == 0) {
    RaiseConnectionError();
  }
  const auto deadline = Clock::now() + answerWait_;
  for (;;) {
    const int flushed = PQflush(Handle());
    if (flushed == 0) break;
    if (flushed < 0) RaiseConnectionError();
    Await(SocketInterest::ReadOrWrite, deadline);
    if (PQconsumeInput(Handle()) == 0) RaiseConnectionError();
  }

  // One statement gives one result; the first error is the one that counts.
  PgResult last;
  std::optional<PostgresError> failure;
  for (;;) {
    while (PQisBusy(Handle()) != 0) {
      Await(SocketInterest::Read, deadline);
      if (PQconsumeInput(Handle()) == 0) RaiseConnectionError();
    }
    PGresult* result = PQgetResult(Handle());
    if (result == nullptr) break;
    PgResult owned(result);
    if (Succeeded(result)) {
      last = std::move(owned);
    } else if (!failure) {
      failure = ResultError(result);
    }
  }
  if (failure) throw *failure;
  return last;
}

bool PgConnection::Connected() const { return !abandoned_ && PQstatus(Handle()) == CONNECTION_OK; }

bool PgConnection::Reusable() {
  if (abandoned_ || PQstatus(Handle()) != CONNECTION_OK) return false;
  // A server that ended the session (a restart, an administrator) has said so on the
  // socket, and then closed it: read until nothing more is waiting, which finds the close.
  const int socket = PQsocket(Handle());
  for (int reads = 0; reads < kMaxIdleReads; ++reads) {
    if (socket < 0) break;
    const auto waiting = WaitForSocket(static_cast<NativeSocket>(socket), SocketInterest::Read,
                                       std::chrono::milliseconds::zero());
    if (waiting != SocketWaitResult::Ready) break;
    if (PQconsumeInput(Handle()) == 0) return false;
    while (PGnotify* notice = PQnotifies(Handle())) PQfreemem(notice);
  }
  return PQstatus(Handle()) == CONNECTION_OK && PQtransactionStatus(Handle()) == PQTRANS_IDLE;
}

}  // namespace keydesk
