#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace keydesk::test {

// A PostgreSQL server of the tests' own: a fresh cluster made by initdb in a temporary
// folder, listening on 127.0.0.1 at a free port and on a Unix socket in its folder, trusting
// every connection, with user postgres as its superuser. It speaks TLS with a certificate
// for localhost and 127.0.0.1 from a certificate authority made for it, so that clients that
// verify the server can be tested. initdb refuses root, so under root
// the server runs as the postgres system user (Debian's package makes it) in a folder that
// user owns; otherwise as the current user. Stopped, and its folder removed, when the object
// goes away.
class PostgresServer {
 public:
  // Makes the cluster and starts the server; raises std::runtime_error with the tool's output
  // when that fails.
  PostgresServer();
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Stops the server (fast: sessions are ended), and starts it again on the same port.
  void Stop();
  void Start();
  bool Running() const { return running_; }

  uint16_t Port() const { return port_; }
  // The connection string for a database, over TCP on 127.0.0.1.
  std::string Connection(const std::string& database) const;
  // A database of its own for one test; its connection string.
  std::string NewDatabase();

  // Makes the role log in with its password over TCP, where every other connection is trusted.
  void RequirePassword(const std::string& role);

  // The authority that signed the server's certificate, and one that did not (root.crt files).
  const std::string& Authority() const { return authority_; }
  const std::string& OtherAuthority() const { return otherAuthority_; }

 private:
  // Runs a server tool as the server's user and waits for it; raises when it fails.
  void RunTool(const std::string& tool, const std::vector<std::string>& arguments) const;

  TempDir dir_;
  std::string binaries_;             // /usr/lib/postgresql/<version>/bin
  std::string data_;                 // the cluster, owned by the server's user
  std::vector<std::string> asUser_;  // the command prefix that runs a tool as that user
  std::string authority_;
  std::string otherAuthority_;
  uint16_t port_ = 0;
  int databases_ = 0;
  bool running_ = false;
};

// The server that the test program shares, started by its environment.
PostgresServer& SharedServer();

}  // namespace keydesk::test
