#include "intake/request_intake.h"

#include "core/access_log.h"
#include "core/log_file.h"
#include "intake/connection.h"
#include "platform/code_page.h"
#include "platform/errors.h"
#include "wire/decode_utf8.h"

namespace keydesk {
namespace {

// The log's line for a response not sent because the client had closed its connection.
const std::string kClientGone = AnsiFromUtf8("PMS 已断开连接，答复没有送出");

// How long an answer to a client that had shut its side waits for the reset that says the
// client had closed after all: a reset comes back within a round trip.
constexpr std::chrono::milliseconds kAnswerRefusedWait{200};

}  // namespace

bool DeliverReply(const Reply& reply, const std::function<void(std::string_view frame)>& send,
                  TLogFile& log) {
  std::vector<std::string> lines = reply.OutcomeLines;
  bool sent = false;
  if (reply.Response) {
    try {
      send(ResponseFrame(*reply.Response));
      sent = true;
    } catch (const SocketError& error) {
      if (reply.LogSendFailure) lines.emplace_back(error.what());
    } catch (...) {
      log.WriteLines(lines);  // what the operation did stays on record
      throw;
    }
  }
  lines.insert(lines.end(), reply.LinesAfterSending.begin(), reply.LinesAfterSending.end());
  log.WriteLines(lines);
  return sent;
}

RequestIntake::RequestIntake(MessageHandlerFactory createHandler,
                             const std::atomic<bool>* keepConnection, TLogFile& log,
                             RequestObserver observer, ReadLimits limits, AccessLog* access)
    : createHandler_(std::move(createHandler)),
      keepConnection_(keepConnection),
      log_(log),
      observer_(std::move(observer)),
      limits_(limits),
      access_(access) {}

void RequestIntake::Serve(TConnection& connection) const {
  try {
    // A client that never reads its responses must not hold a thread for ever either.
    if (limits_.Request.count() > 0) connection.LimitWrites(limits_.Request);
  } catch (const SocketError&) {
    return;  // the connection is gone already
  }
  while (connection.IsOpen() && TCPServerExecute(connection)) {
  }
}

void RequestIntake::Ended(const TConnection& connection, const RequestOutcome& outcome,
                          bool answered, std::string_view error,
                          std::chrono::steady_clock::time_point read) const {
  if (observer_) observer_(connection.Peer(), outcome, answered, error);
  if (access_ == nullptr) return;
  access_->Served(connection.Peer(),
                  {.Type = outcome.Type,
                   .RoomKey = outcome.RoomKey,
                   .RegisterId = outcome.RegisterId,
                   .ResultCode = outcome.ResultCode,
                   .CardNo = outcome.CardNo,
                   .Answered = answered,
                   .ClientGone = outcome.ClientGone,
                   .Error = error,
                   .Taken = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - read)});
}

bool RequestIntake::TCPServerExecute(TConnection& connection) const {
  auto read = std::chrono::steady_clock::now();
  try {
    std::unique_ptr<TMessageHandler> handler = createHandler_();
    const std::optional<std::string> request = connection.ReadRequest(limits_);
    if (!request) return false;  // the client left before a NUL: nothing to answer or log
    // Closed a moment ago to make room for another client: nothing of it was done.
    if (!connection.BeginServing()) return false;
    read = std::chrono::steady_clock::now();
    handler->SetContext(
        {.Host = connection.Peer().Address,
         .Deadline = limits_.Request.count() > 0
                         ? std::optional(connection.RequestBegan() + limits_.Request)
                         : std::nullopt,
         .ClientGone = [&connection] { return connection.ClientGone(); }});
    const Reply reply = handler->HandleMessage(DecodeUtf8(*request));
    // A client that has gone would not read the response: the kernel would take it all the
    // same, and it would count as answered.
    const bool sent = DeliverReply(
        reply,
        [&connection](std::string_view frame) {
          if (connection.ClientGone()) throw SocketError(kClientGone);
          connection.Write(frame);
        },
        log_);
    RequestOutcome outcome = reply.Outcome;
    const bool refused = sent && connection.AnswerRefused(kAnswerRefusedWait);
    if (reply.Response && (!sent || refused)) {
      outcome.ClientGone = true;
      if (reply.ClientGone) reply.ClientGone();
      if (!reply.ClientGoneReason.empty()) outcome.Reason = reply.ClientGoneReason;
    }
    Ended(connection, outcome, sent && !refused, {}, read);
    // A response that could not be sent, or only in part, leaves nothing to go on with.
    if (reply.Response && (!sent || refused)) return false;
  } catch (const TimeoutError&) {
    // Too slow a client must not hold a connection thread: it is closed without a word.
    if (access_ != nullptr) {
      access_->TimedOut(connection.Peer(), connection.WaitedIdle(), connection.Waited());
    }
    return false;
  } catch (const SocketError&) {
    return false;  // reset or aborted: the connection simply ends
  } catch (const FramingError& error) {
    log_.Write(error.what());
    if (observer_) observer_(connection.Peer(), {}, false, error.what());
    if (access_ != nullptr) access_->Oversized(connection.Peer(), connection.Buffered());
    return false;
  } catch (const std::exception& error) {
    // The request ends without a response; say why, so the PMS's missing answer can be
    // explained from the log.
    log_.Write(error.what());
    Ended(connection, {}, false, error.what(), read);
    return false;
  }
  if (keepConnection_ == nullptr || !keepConnection_->load()) return false;
  connection.EndServing();
  return true;
}

}  // namespace keydesk
