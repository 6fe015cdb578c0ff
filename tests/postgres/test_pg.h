#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace keydesk::test {

// How a NULL column reads in Rows and Scalar.
inline constexpr const char* kPgNull = "<null>";

// The test's own connection to a database, with libpq directly, independent of the store's.
class TestPg {
 public:
  explicit TestPg(const std::string& connection)
      : connection_(PQconnectdb(connection.c_str()), &PQfinish) {
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
      throw std::runtime_error("cannot connect: " + std::string(PQerrorMessage(connection_.get())));
    }
  }

  void Exec(const std::string& sql, const std::vector<std::string>& parameters = {}) {
    Run(sql, parameters);
  }

  // Every row as texts, NULL shown as kPgNull.
  std::vector<std::vector<std::string>> Rows(const std::string& sql,
                                             const std::vector<std::string>& parameters = {}) {
    const std::unique_ptr<PGresult, decltype(&PQclear)> result = Run(sql, parameters);
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < PQntuples(result.get()); ++r) {
      rows.emplace_back();
      for (int c = 0; c < PQnfields(result.get()); ++c) {
        rows.back().push_back(PQgetisnull(result.get(), r, c) ? kPgNull
                                                              : PQgetvalue(result.get(), r, c));
      }
    }
    return rows;
  }

  std::string Scalar(const std::string& sql, const std::vector<std::string>& parameters = {}) {
    const auto rows = Rows(sql, parameters);
    if (rows.empty() || rows.front().empty()) return kPgNull;
    return rows.front().front();
  }

 private:
  std::unique_ptr<PGresult, decltype(&PQclear)> Run(const std::string& sql,
                                                    const std::vector<std::string>& parameters) {
    std::vector<const char*> values;
    for (const std::string& parameter : parameters) values.push_back(parameter.c_str());
    std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(connection_.get(), sql.c_str(), static_cast<int>(values.size()), nullptr,
                     values.data(), nullptr, nullptr, 0),
        &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    EXPECT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        << sql << ": " << PQresultErrorMessage(result.get());
    return result;
  }

  std::unique_ptr<PGconn, decltype(&PQfinish)> connection_;
};

}  // namespace keydesk::test
