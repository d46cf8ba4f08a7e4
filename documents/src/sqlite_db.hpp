#pragma once
// A thin owner of an SQLite connection and its statements: every failure
// becomes a JournalError naming the file and what SQLite said.
#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::documents {

class Database {
 public:
  /// Opens or creates the file. Throws JournalError.
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  /// Runs statements without results.
  void Exec(const char* sql);
  [[noreturn]] void Fail(std::string_view what) const;
  [[nodiscard]] sqlite3* Handle() const { return db_; }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
};

class Statement {
 public:
  Statement(Database& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::optional<std::int64_t> value);
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
  sqlite3_stmt* stmt_ = nullptr;
};

/// BEGIN IMMEDIATE ... COMMIT, rolled back when left by an exception.
class Transaction {
 public:
  explicit Transaction(Database& db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool done_ = false;
};

}  // namespace tavirel::documents
