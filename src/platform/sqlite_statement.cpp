#include "platform/sqlite_statement.h"

#include <sqlite3.h>

#include <memory>

#include "platform/code_page.h"
#include "platform/paths.h"

namespace keydesk {
namespace {

// What the commonest failures mean, for the clerk who reads them in a box or a warning.
struct CodeMeaning {
  int Code;
  const char* Meaning;
};
constexpr CodeMeaning kMeanings[] = {
    {SQLITE_CANTOPEN, "打不开：文件不存在，或者当前用户不能读写它和它所在的文件夹"},
    {SQLITE_PERM, "当前用户没有权限"},
    {SQLITE_READONLY, "只能读、不能写：文件或文件夹是只读的"},
    {SQLITE_BUSY, "正被另一个程序使用，请稍后再试"},
    {SQLITE_LOCKED, "正被另一个程序使用，请稍后再试"},
    {SQLITE_FULL, "磁盘已满"},
    {SQLITE_IOERR, "读写磁盘出错"},
    {SQLITE_CORRUPT, "文件已损坏"},
    {SQLITE_NOTADB, "不是数据库文件，或者已损坏"},
};

// The connection's message belongs to its last failed call; without a connection (out of
// memory at open) only the code's own text is left. The file and, for the common failures,
// their meaning in Chinese come first; SQLite's own words stay in brackets.
DatabaseError MakeError(sqlite3* db, int rc, std::string_view suffix = {}) {
  std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  message.append(suffix);
  const char* file = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
  for (const CodeMeaning& meaning : kMeanings) {
    if (meaning.Code != (rc & 0xFF)) continue;
    const std::string where = file != nullptr && *file != '\0' ? std::string(file) + " " : "";
    message = "数据库 " + where + meaning.Meaning + "（" + message + "）";
    break;
  }
  return DatabaseError(rc & 0xFF, AnsiFromUtf8(message));
}

[[noreturn]] void Raise(sqlite3* db, int rc) { throw MakeError(db, rc); }

bool Failed(int rc) { return rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE; }

}  // namespace

SqliteConnection::SqliteConnection(const std::string& fileName, int flags) {
  const std::string utf8Name = Utf8FromPath(fileName);
  const int rc = sqlite3_open_v2(utf8Name.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    // sqlite3_open_v2 hands back a handle even on failure; it carries the message.
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> failed(db_, &sqlite3_close);
    db_ = nullptr;
    throw MakeError(failed.get(), rc, ": " + utf8Name);
  }
  sqlite3_extended_result_codes(db_, 0);
}

SqliteConnection::~SqliteConnection() {
  // Every statement is finalised by its own object first, so the close cannot be refused.
  sqlite3_close(db_);
}

void SqliteConnection::Execute(const std::string& sql) {
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (Failed(rc)) Raise(db_, rc);
}

std::optional<std::string> SqliteConnection::QueryText(const std::string& sql) {
  SqliteStatement statement(*this, sql);
  if (!statement.Step()) return std::nullopt;
  return statement.ColumnText(0);
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
  const int rc = sqlite3_busy_timeout(db_, milliseconds);
  if (Failed(rc)) Raise(db_, rc);
}

int64_t SqliteConnection::LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

int64_t SqliteConnection::Changes() const { return sqlite3_changes64(db_); }

bool SqliteConnection::HasMoved() const {
  int moved = 0;
  const int rc = sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved);
  // Windows' file layer cannot tell, and needs not: an open database file cannot be deleted
  // or renamed there.
  if (rc == SQLITE_NOTFOUND) return false;
  if (Failed(rc)) Raise(db_, rc);
  return moved != 0;
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, std::string_view sql)
    : db_(connection.Handle()) {
  const int rc =
      sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr);
  if (Failed(rc)) Raise(db_, rc);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

int SqliteStatement::ParameterIndex(const char* name) const {
  const int index = sqlite3_bind_parameter_index(statement_, name);
  if (index == 0) {
    throw DatabaseError(SQLITE_RANGE, std::string("no such parameter: ") + name);
  }
  return index;
}

void SqliteStatement::Check(int rc) const {
  if (Failed(rc)) Raise(db_, rc);
}

void SqliteStatement::BindText(const char* name, std::string_view text) {
  // A null pointer would bind NULL; an empty text must stay an empty text.
  const char* data = text.data() != nullptr ? text.data() : "";
  Check(sqlite3_bind_text64(statement_, ParameterIndex(name), data, text.size(), SQLITE_TRANSIENT,
                            SQLITE_UTF8));
}

void SqliteStatement::BindInt(const char* name, int32_t value) {
  Check(sqlite3_bind_int(statement_, ParameterIndex(name), value));
}

void SqliteStatement::BindInt64(const char* name, int64_t value) {
  Check(sqlite3_bind_int64(statement_, ParameterIndex(name), value));
}

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(statement_);
  Check(rc);
  return rc == SQLITE_ROW;
}

void SqliteStatement::Execute() {
  while (Step()) {
  }
}

std::optional<std::string> SqliteStatement::ColumnText(int column) const {
  if (sqlite3_column_type(statement_, column) != SQLITE_TEXT) return std::nullopt;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  if (text == nullptr) return std::nullopt;  // out of memory while converting
  return std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

}  // namespace keydesk
