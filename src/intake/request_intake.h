#pragma once

#include <atomic>

#include "wire/message_handler.h"

namespace keydesk {

class TConnection;
class TLogFile;

// The per-connection routine of the listener: reads NUL-framed requests, decodes them from
// UTF-8 and hands each to a new handler of the interface kind. After each request the
// connection is closed, unless the kind is the door lock and KeepConnection is set.
//
// Thread-safe: one routine serves all connections; keepConnection is shared with the door
// lock handler, which sets it.
class RequestIntake {
 public:
  RequestIntake(int interfaceKind, MessageHandlerFactory createHandler,
                const std::atomic<bool>& keepConnection, TLogFile& log);

  // Serves the connection until it is to be closed; returns without closing it.
  void Serve(TConnection& connection) const;

  // One request: read, decode, handle. False when the connection is to be closed.
  bool TCPServerExecute(TConnection& connection) const;

 private:
  int interfaceKind_;
  MessageHandlerFactory createHandler_;
  const std::atomic<bool>& keepConnection_;
  TLogFile& log_;
};

}  // namespace keydesk
