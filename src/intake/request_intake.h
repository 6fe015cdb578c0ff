#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string_view>

#include "intake/connection.h"
#include "wire/message_handler.h"

namespace keydesk {

class AccessLog;
class TLogFile;

// Sends the reply's response, if it has one, through send (which raises SocketError when the
// peer has gone); writes a failed send to the log when the reply asks for it; then writes
// the reply's lines after sending. The one place where a reply meets the wire. True when a
// response was sent.
bool DeliverReply(const Reply& reply, const std::function<void(std::string_view frame)>& send,
                  TLogFile& log);

// Told of every request that ended: what it came to (an empty outcome when it could not be
// read) and whether a response was sent.
using RequestObserver = std::function<void(const Ipv4Endpoint& peer, const RequestOutcome& outcome,
                                           bool answered, std::string_view error)>;

// The per-connection routine of the listener: reads NUL-framed requests, decodes them from
// UTF-8, hands each to a new handler of the interface kind and sends its reply. After each
// request the connection is closed, unless keepConnection is given and set; so is a
// connection whose request does not arrive within the read limits, or whose peer takes no
// part of a response within the request limit. While a request is carried out the
// connection is marked so (TConnection::BeginServing): the listener then never closes it to
// make room. Each request, timeout and oversized request goes to the access log, if given.
//
// Thread-safe: one routine serves all connections; keepConnection is shared with the
// handler that sets it.
class RequestIntake {
 public:
  // keepConnection: the kind's flag that keeps a connection open after a request; null for
  // a kind that never keeps one. It, log and access must outlive the intake. observer, if
  // given, is told of each request on its connection's thread.
  RequestIntake(MessageHandlerFactory createHandler, const std::atomic<bool>* keepConnection,
                TLogFile& log, RequestObserver observer = {}, ReadLimits limits = {},
                AccessLog* access = nullptr);

  // Serves the connection until it is to be closed; returns without closing it.
  void Serve(TConnection& connection) const;

  // One request: read, decode, handle, reply. False when the connection is to be closed.
  bool TCPServerExecute(TConnection& connection) const;

 private:
  // Tells the observer and the access log how a request ended.
  void Ended(const TConnection& connection, const RequestOutcome& outcome, bool answered,
             std::string_view error, std::chrono::steady_clock::time_point read) const;

  MessageHandlerFactory createHandler_;
  const std::atomic<bool>* keepConnection_;
  TLogFile& log_;
  RequestObserver observer_;
  const ReadLimits limits_;
  AccessLog* const access_;
};

}  // namespace keydesk
