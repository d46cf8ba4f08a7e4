#include "sqlite_db.hpp"

#include <cstring>

#include "journal_file.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

// The system's errno behind the connection's last I/O error, as its VFS
// keeps it (SQLite itself reports some writes that failed for room as a
// plain I/O error).
int LastSystemError(sqlite3* db) {
  if (const int known = sqlite3_system_errno(db); known != 0) return known;
  sqlite3_vfs* vfs = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK || !vfs) {
    return 0;
  }
  return vfs->xGetLastError != nullptr ? vfs->xGetLastError(vfs, 0, nullptr) : 0;
}

// What SQLite's codes mean to the person reading the message. A write that
// failed for room is said so whatever code it came back with.
std::string Explain(int code, const char* sqlite_text, int system_errno = 0) {
  const int primary = code & 0xff;
  if (primary == SQLITE_IOERR || primary == SQLITE_FULL) {
    if (auto room = RoomProblem(system_errno)) return *room;
  }
  switch (primary) {
    case SQLITE_FULL: return "the disk is full";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return std::string("the file is damaged or not a journal (") + sqlite_text + ")";
    case SQLITE_READONLY: return "the file cannot be written (read-only)";
    case SQLITE_CANTOPEN: return std::string("cannot open the file (") + sqlite_text + ")";
    case SQLITE_BUSY: return "another process holds the journal locked";
    default: return sqlite_text;
  }
}

}  // namespace

Database::Database(const std::string& path, bool empty_is_new) : path_(path) {
  created_ = PrepareJournalFile(path, empty_is_new);
  const int rc =
      sqlite3_open_v2(path.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = Explain(rc, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    sqlite3_close(db_);
    db_ = nullptr;
    throw JournalError("journal " + path + ": cannot open: " + message);
  }
  sqlite3_extended_result_codes(db_, 1);
  // Another process writing (a second host on the same journal) is waited for.
  sqlite3_busy_timeout(db_, 10'000);
}

Database::~Database() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void Database::Fail(std::string_view what) const {
  throw JournalError(
      "journal " + path_ + ": " + std::string(what) + ": " +
      Explain(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_), LastSystemError(db_)));
}

void Database::Exec(const char* sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    const std::string message = Explain(sqlite3_extended_errcode(db_),
                                        error ? error : sqlite3_errstr(rc), LastSystemError(db_));
    sqlite3_free(error);
    throw JournalError("journal " + path_ + ": " + message);
  }
}

sqlite3_stmt* Database::Prepared(const char* sql) {
  const auto found = statements_.find(sql);
  // The address finds it; the text confirms it, so a buffer reused for
  // another statement never runs the one prepared before.
  if (found != statements_.end()) {
    if (std::strcmp(sqlite3_sql(found->second), sql) == 0) return found->second;
    sqlite3_finalize(found->second);
    statements_.erase(found);
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
    Fail("prepare");
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

Query::Query(Database& db, const char* sql) : db_(db), stmt_(db.Prepared(sql)) {
  sqlite3_clear_bindings(stmt_);
}

Query::~Query() { sqlite3_reset(stmt_); }

Query& Query::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    db_.Fail("bind");
  }
  return *this;
}

Query& Query::Bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Query& Query::Bind(int index, std::optional<std::int64_t> value) {
  if (!value) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.Fail("bind");
    return *this;
  }
  return Bind(index, *value);
}

bool Query::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail("write");
}

void Query::Run() {
  while (Step()) {
  }
}

std::string Query::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
              : std::string();
}

std::int64_t Query::Integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::optional<std::int64_t> Query::OptionalInteger(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Integer(column);
}

bool Query::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

void Database::CommitsDurable(bool durable) {
  if (durable != relaxed_) return;  // already at that level
  // Outside a transaction: the level holds for the commits that follow.
  Exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
  relaxed_ = !durable;
}

Transaction::Transaction(Database& db, bool durable) : db_(db) {
  db_.CommitsDurable(durable);
  // Prepared once per connection: a receipt opens ten transactions. (The
  // pragma is not: it takes effect when prepared.)
  Query(db_, "BEGIN IMMEDIATE").Run();
}

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  Query(db_, "COMMIT").Run();
  done_ = true;
}

}  // namespace tavirel::documents
