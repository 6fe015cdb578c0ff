#pragma once

namespace keydesk {

// Why a connection was closed right after it was accepted, before a byte was read; the
// access log and the service status both count by it.
enum class ConnectionRefusal {
  NotAllowed,          // its host is not among the allowed hosts
  TooManyConnections,  // MaxConnections were open, none of them waiting for a request
  TooManyFromHost,     // MaxConnectionsPerHost were open from its host, none of them waiting
  NoDescriptor,        // the process had no file descriptor left for it
  NoThread,            // no thread could be started for it
};

}  // namespace keydesk
