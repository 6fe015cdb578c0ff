#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace keydesk::test {

// How a NULL column reads in Rows and Scalar.
inline constexpr const char* kNull = "<null>";

// The test's own connection to a database file, independent of the store's.
class TestDb {
 public:
  explicit TestDb(const std::string& path, int flags = SQLITE_OPEN_READWRITE) {
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
    }
    sqlite3_busy_timeout(db_, 5000);
  }
  ~TestDb() { sqlite3_close(db_); }
  TestDb(const TestDb&) = delete;
  TestDb& operator=(const TestDb&) = delete;

  void Exec(const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (message != nullptr ? message : "");
    sqlite3_free(message);
  }

  // Every row as texts, NULL shown as kNull.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    char* message = nullptr;
    const int rc = sqlite3_exec(
        db_, sql.c_str(),
        [](void* out, int count, char** values, char**) {
          auto& result = *static_cast<std::vector<std::vector<std::string>>*>(out);
          result.emplace_back();
          for (int i = 0; i < count; ++i) {
            result.back().push_back(values[i] != nullptr ? values[i] : kNull);
          }
          return 0;
        },
        &rows, &message);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (message != nullptr ? message : "");
    sqlite3_free(message);
    return rows;
  }

  std::string Scalar(const std::string& sql) {
    const auto rows = Rows(sql);
    if (rows.empty() || rows.front().empty()) return kNull;
    return rows.front().front();
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace keydesk::test
