#include "sqlite_db.hpp"

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

Database::Database(const std::string& path) : path_(path) {
  const int rc =
      sqlite3_open_v2(path.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw JournalError("journal " + path + ": cannot open: " + message);
  }
  // Another process writing (a second host on the same journal) is waited for.
  sqlite3_busy_timeout(db_, 10'000);
}

Database::~Database() { sqlite3_close(db_); }

void Database::Fail(std::string_view what) const {
  throw JournalError("journal " + path_ + ": " + std::string(what) + ": " + sqlite3_errmsg(db_));
}

void Database::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw JournalError("journal " + path_ + ": " + message);
  }
}

Statement::Statement(Database& db, const char* sql) : db_(db) {
  if (sqlite3_prepare_v2(db.Handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) db.Fail("prepare");
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK) {
    db_.Fail("bind");
  }
  return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_.Fail("bind");
  return *this;
}

Statement& Statement::Bind(int index, std::optional<std::int64_t> value) {
  if (!value) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) db_.Fail("bind");
    return *this;
  }
  return Bind(index, *value);
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.Fail("step");
}

void Statement::Run() {
  while (Step()) {
  }
}

std::string Statement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
              : std::string();
}

std::int64_t Statement::Integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::optional<std::int64_t> Statement::OptionalInteger(int column) const {
  if (IsNull(column)) return std::nullopt;
  return Integer(column);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Database& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (!done_) sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

}  // namespace tavirel::documents
