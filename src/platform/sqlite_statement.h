#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/errors.h"

struct sqlite3;
struct sqlite3_stmt;

namespace keydesk {

// An error reported by SQLite. The message is SQLite's own text, in code page 936.
class DatabaseError : public Error {
 public:
  DatabaseError(int code, const std::string& message) : Error(message), code_(code) {}
  // SQLite's primary result code (SQLITE_BUSY, SQLITE_CONSTRAINT ...).
  int Code() const { return code_; }

 private:
  int code_;
};

// One SQLite connection, closed when the object goes away. Every SQLite failure becomes a
// DatabaseError here, so callers deal with exceptions only.
//
// Not thread-safe: the owner serialises its use.
class SqliteConnection {
 public:
  // Opens fileName (a path, see paths.h) with the sqlite3_open_v2 flags. Raises DatabaseError whose
  // message is SQLite's, followed by ": " and the file name.
  SqliteConnection(const std::string& fileName, int flags);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  sqlite3* Handle() const { return db_; }

  // Runs statements that take no parameters; rows they give are ignored.
  void Execute(const std::string& sql);
  // The first column of the first row of a statement without parameters, as text; none when
  // there is no row or the value is NULL.
  std::optional<std::string> QueryText(const std::string& sql);
  void SetBusyTimeout(int milliseconds);
  // Rows changed by the last completed insert, update or delete.
  int64_t Changes() const;
  // The rowid of the row the last insert on this connection made.
  int64_t LastInsertRowId() const;
  // True when the file was deleted or renamed since it was opened, so that writes would land
  // in a file nobody can find any more. Always false on Windows, which does not let either
  // happen to an open database file.
  bool HasMoved() const;

 private:
  sqlite3* db_ = nullptr;
};

// One prepared statement, finalised when the object goes away, so no state of one use
// carries into the next. Parameters are bound by their names, prefix included (":RoomNo").
//
// Not thread-safe, like its connection.
class SqliteStatement {
 public:
  SqliteStatement(SqliteConnection& connection, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Text is bound as given; callers hand UTF-8.
  void BindText(const char* name, std::string_view text);
  void BindInt(const char* name, int32_t value);
  void BindInt64(const char* name, int64_t value);

  // Steps once: true with a row to read, false when the statement has finished.
  bool Step();
  // Runs a statement that gives no rows to completion.
  void Execute();

  // The column of the current row as text; none for NULL and for values that are not text.
  std::optional<std::string> ColumnText(int column) const;

 private:
  int ParameterIndex(const char* name) const;
  void Check(int rc) const;

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

}  // namespace keydesk
