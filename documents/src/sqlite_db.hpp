#pragma once
// A thin owner of an SQLite connection and its statements, each prepared
// once per connection and kept: every failure becomes a JournalError naming
// the file and saying what went wrong in words (the disk is full, the file is
// damaged, ...).
//
// Not thread-safe: one thread at a time per Database (the journal locks).
#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::documents {

class Database {
 public:
  /// Opens the file, or creates it readable and writable by its owner alone
  /// when it does not exist. A symbolic link is refused, and so is an empty
  /// file unless `empty_is_new` (an empty file where a journal was expected
  /// is a journal lost, not a new one). Throws JournalError.
  Database(const std::string& path, bool empty_is_new);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  /// Runs statements without results.
  void Exec(const char* sql);
  /// Throws the JournalError for the connection's last failure, `what`
  /// naming the work that failed.
  [[noreturn]] void Fail(std::string_view what) const;
  [[nodiscard]] sqlite3* Handle() const { return db_; }
  [[nodiscard]] const std::string& Path() const { return path_; }
  /// True when this connection made the file.
  [[nodiscard]] bool Created() const { return created_; }

  /// Whether the commits that follow wait for the disk (synchronous=FULL,
  /// the level a connection starts at) or not (NORMAL). The pragma runs only
  /// when the level changes: parsing it costs as much as a small transaction.
  void CommitsDurable(bool durable);

  /// The statement for `sql`, prepared on first use and kept by the text's
  /// address (string literals and static tables are found at once; a text
  /// at a reused address is compared and prepared again when it differs).
  sqlite3_stmt* Prepared(const char* sql);

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
  bool created_ = false;
  bool relaxed_ = false;  // left at synchronous=NORMAL by a transaction
  std::map<const char*, sqlite3_stmt*> statements_;
};

/// One use of a prepared statement: bindings start cleared, and the
/// statement is reset when the query ends.
class Query {
 public:
  Query(Database& db, const char* sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Bind(int index, std::string_view text);
  Query& Bind(int index, std::int64_t value);
  Query& Bind(int index, std::optional<std::int64_t> value);
  /// True while a row is there to read.
  bool Step();
  /// Runs a statement without results.
  void Run();
  [[nodiscard]] std::string Text(int column) const;
  [[nodiscard]] std::int64_t Integer(int column) const;
  [[nodiscard]] std::optional<std::int64_t> OptionalInteger(int column) const;
  [[nodiscard]] bool IsNull(int column) const;

 private:
  Database& db_;
  sqlite3_stmt* stmt_;
};

/// BEGIN IMMEDIATE ... COMMIT, rolled back when left by an exception. A
/// transaction that is not `durable` commits without waiting for the disk
/// (WAL at synchronous=NORMAL): a crash of the process loses nothing, a power
/// loss may take it back together with every later commit, and the next
/// durable commit flushes it. The connection keeps the level until a
/// transaction asks for the other (Database::CommitsDurable).
class Transaction {
 public:
  explicit Transaction(Database& db, bool durable = true);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool done_ = false;
};

}  // namespace tavirel::documents
