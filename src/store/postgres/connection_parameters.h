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

  // connection: "host=... port=... dbname=... user=..." or a postgresql:// address, in code
  // page 936 as Option.ini holds it. Raises PostgresError with libpq's message when the
  // string cannot be read.
  static ConnectionParameters FromString(const std::string& connection);

  // The value given for the keyword; empty when none.
  std::string Value(const std::string& keyword) const;
};

// Which server and database the connection string names, for messages, code page 936:
// "PostgreSQL host=db1 port=5432 dbname=keydesk user=desk". Never the password.
std::string DescribeConnection(const ConnectionParameters& parameters);

}  // namespace keydesk
