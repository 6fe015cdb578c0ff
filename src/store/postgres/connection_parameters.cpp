#include "store/postgres/connection_parameters.h"

#include <libpq-fe.h>

#include <array>
#include <memory>

#include "platform/code_page.h"
#include "store/postgres/pg_connection.h"
#include "store/postgres/server_reach.h"

namespace keydesk {
namespace {

// The one sslmode that checks both the certificate's authority and the server's name.
constexpr const char* kVerifiedMode = "verify-full";

// What the description names, in this order.
constexpr std::array<const char*, 5> kDescribed = {"host", "hostaddr", "port", "dbname", "user"};

struct FreeOptions {
  void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};

void Set(ConnectionParameters& parameters, const std::string& keyword, const std::string& value) {
  for (size_t i = 0; i < parameters.Keywords.size(); ++i) {
    if (parameters.Keywords[i] == keyword) {
      parameters.Values[i] = value;
      return;
    }
  }
  parameters.Keywords.push_back(keyword);
  parameters.Values.push_back(value);
}

}  // namespace

ConnectionParameters ConnectionParameters::FromString(const std::string& connection,
                                                      bool verifyServer) {
  char* error = nullptr;
  std::unique_ptr<PQconninfoOption, FreeOptions> options(
      PQconninfoParse(Utf8FromAnsi(connection).c_str(), &error));
  if (options == nullptr) {
    std::string message = error != nullptr ? error : "out of memory";
    PQfreemem(error);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
      message.pop_back();
    }
    throw PostgresError("", AnsiFromUtf8(message));
  }

  ConnectionParameters parameters;
  // Only what the string gave has a value; the rest are libpq's defaults.
  for (const PQconninfoOption* option = options.get(); option->keyword != nullptr; ++option) {
    if (option->val != nullptr) Set(parameters, option->keyword, option->val);
  }
  for (const char* secret : {"password", "sslpassword"}) {
    if (!parameters.Value(secret).empty()) {
      throw PostgresError("", std::string("Option.ini [Store] Connection holds a ") + secret +
                                  ", which never goes into Option.ini: keep the password in "
                                  "libpq's password file (PGPASSFILE, or pgpass.conf in "
                                  "%APPDATA%\\postgresql on Windows, ~/.pgpass on Linux) or in "
                                  "PGPASSWORD, and take it out of the connection string");
    }
  }
  if (ReachesAnotherMachine(parameters)) {
    const std::string mode = parameters.Value("sslmode");
    if (verifyServer && mode.empty()) {
      Set(parameters, "sslmode", kVerifiedMode);
    } else if (verifyServer && mode != kVerifiedMode) {
      throw PostgresError(
          "", AnsiFromUtf8("Option.ini [Store] Connection: sslmode=" + mode +
                           " does not verify the server's certificate, so a machine "
                           "between this desk and the server could read and change the "
                           "store; use sslmode=verify-full (the default) with the "
                           "server's certificate authority in root.crt or sslrootcert=, "
                           "or set [Store] VerifyServer=0 to connect unverified"));
    }
    parameters.Unverified = parameters.Value("sslmode") != kVerifiedMode;
  }
  if (parameters.Value("connect_timeout").empty()) {
    Set(parameters, "connect_timeout", std::to_string(kConnectTimeoutSeconds));
  }
  std::string serverOptions = parameters.Value("options");
  if (serverOptions.find("statement_timeout") == std::string::npos) {
    if (!serverOptions.empty()) serverOptions += " ";
    serverOptions += "-c statement_timeout=" + std::to_string(kStatementTimeoutMilliseconds);
    Set(parameters, "options", serverOptions);
  }
  // Texts are converted to UTF-8 by the store, whatever the server's own encoding.
  Set(parameters, "client_encoding", "UTF8");
  if (parameters.Value("application_name").empty()) {
    Set(parameters, "application_name", "keydesk");
  }
  return parameters;
}

std::string ConnectionParameters::Value(const std::string& keyword) const {
  for (size_t i = 0; i < Keywords.size(); ++i) {
    if (Keywords[i] == keyword) return Values[i];
  }
  return {};
}

std::string DescribeConnection(const ConnectionParameters& parameters) {
  std::string description = "PostgreSQL";
  for (const char* keyword : kDescribed) {
    const std::string value = parameters.Value(keyword);
    if (!value.empty()) description += std::string(" ") + keyword + "=" + value;
  }
  return AnsiFromUtf8(description);
}

}  // namespace keydesk
