#pragma once

#include <string>
#include <vector>

namespace keydesk {

// The libpq connection parameters for a connection string from Option.ini, with what
// keydesk needs added where the string does not say: a connect timeout and a statement
// timeout of a few seconds, so that a store operation never holds a request up for long,
// UTF-8 as the client encoding (the store converts texts itself), and keydesk as the
// application name the server shows. Keywords and values are UTF-8.
struct ConnectionParameters {
  static constexpr int kConnectTimeoutSeconds = 5;
  static constexpr int kStatementTimeoutMilliseconds = 5000;

  std::vector<std::string> Keywords;
  std::vector<std::string> Values;
  // The server may be on another machine and its certificate is not verified.
  bool Unverified = false;

  // connection: "host=... port=... dbname=... user=..." or a postgresql:// address, in code
  // page 936 as Option.ini holds it. A server on another machine must show a certificate that
  // verifies: where verifyServer is set, such a connection gets sslmode=verify-full, and a
  // string that asks for less is refused; otherwise its own sslmode stands. Raises
  // PostgresError with libpq's message when the string cannot be read, and when it holds a
  // password, which belongs in libpq's password file or the environment, never in Option.ini.
  static ConnectionParameters FromString(const std::string& connection, bool verifyServer);

  // The value given for the keyword; empty when none.
  std::string Value(const std::string& keyword) const;
};

// Which server and database the connection string names, for messages, code page 936:
// "PostgreSQL host=db1 port=5432 dbname=keydesk user=desk". Never the password.
std::string DescribeConnection(const ConnectionParameters& parameters);

}  // namespace keydesk
