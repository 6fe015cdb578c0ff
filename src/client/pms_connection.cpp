#include "client/pms_connection.h"

#include <chrono>
#include <cstdio>

#include "platform/timed_connection.h"

namespace keydesk::client {
namespace {

using Status = TimedConnection::Status;

// "30", "0.5": the time limit as it was given.
std::string SecondsText(int milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", milliseconds / 1000.0);
  return text;
}

Exchange Problem(Exchange::Outcome outcome, std::string problem) {
  return {outcome, {}, std::move(problem)};
}

const char* const kClosedWithoutResponse =
    "keydesk closed the connection without a response: it could not read the request";

}  // namespace

Exchange SendRequest(const std::string& host, uint16_t port, std::string_view frame,
                     int timeoutMs) {
  TimedConnection connection(std::chrono::steady_clock::now() +
                             std::chrono::milliseconds(timeoutMs));
  const std::string where = host + ":" + std::to_string(port);
  const auto timedOut = [&] {
    return Problem(Exchange::Outcome::TimedOut,
                   "no response from " + where + " within " + SecondsText(timeoutMs) + " s");
  };

  const TimedConnection::Outcome connected = connection.Connect(host, port);
  switch (connected.Result) {
    case Status::Done:
      break;
    case Status::UnknownHost:
      return Problem(Exchange::Outcome::Failed,
                     "cannot find the host '" + host + "': " + connected.Reason);
    case Status::Refused:
    case Status::Closed:
      return Problem(Exchange::Outcome::Refused,
                     "nothing listens on " + where + " (connection refused)");
    case Status::TimedOut:
      return Problem(Exchange::Outcome::TimedOut, "could not connect to " + where + " in time");
    case Status::Failed:
      return Problem(Exchange::Outcome::Failed,
                     "cannot connect to " + where + ": " + connected.Reason);
  }

  // keydesk closes a connection at once when it cannot read the request; a send that finds it
  // closed means just that.
  const TimedConnection::Outcome sent = connection.SendAll(frame);
  if (sent.Result == Status::TimedOut) return timedOut();
  if (sent.Result == Status::Closed) {
    return Problem(Exchange::Outcome::ClosedWithoutResponse, kClosedWithoutResponse);
  }
  if (sent.Result != Status::Done) {
    return Problem(Exchange::Outcome::Failed, "sending to " + where + ": " + sent.Reason);
  }

  std::string received;
  for (;;) {
    if (const size_t nul = received.find('\0'); nul != std::string::npos) {
      received.resize(nul);
      return {Exchange::Outcome::Response, std::move(received), {}};
    }
    const TimedConnection::Outcome got = connection.ReceiveSome(received);
    if (got.Result == Status::TimedOut) return timedOut();
    if (got.Result == Status::Closed) {
      return Problem(Exchange::Outcome::ClosedWithoutResponse,
                     received.empty()
                         ? kClosedWithoutResponse
                         : "keydesk closed the connection in the middle of a response");
    }
    if (got.Result != Status::Done) {
      return Problem(Exchange::Outcome::Failed, "receiving from " + where + ": " + got.Reason);
    }
  }
}

}  // namespace keydesk::client
