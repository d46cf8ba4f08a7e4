#pragma once
// The journal's connections to its file: one that writes, in batches, and
// readers of their own.
//
// Writes are committed in groups: a thread that writes while another's
// commit is flushing queues its work; the next commit carries every work
// that queued meanwhile, one flush for all of them. SQLite lets one
// connection write at a time, whole commits with their flush included, so
// connections of their own would leave the workers of several registers
// waiting one flush each, in turn; grouped, they share it. Each work runs
// in a savepoint of its own: one that throws is undone alone and its
// exception goes back to its thread; a commit that fails fails every work
// of its group (none of them was written).
//
// Reads take a connection of their own (made when none is idle): they see
// what was committed, and never wait for a flush.
//
// The lock is held to hand work and connections over, never across SQLite's
// work or a flush. Thread-safe.
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sqlite_db.hpp"

namespace tavirel::documents {

class JournalConnections {
 public:
  /// Opens the writing connection and runs `setup` on it (schema, pragmas).
  /// `grouped` false commits each work alone (kept to measure the two).
  /// Throws JournalError.
  JournalConnections(const std::string& path, bool empty_is_new, bool grouped,
                     const std::function<void(Database&)>& setup);
  ~JournalConnections();
  JournalConnections(const JournalConnections&) = delete;
  JournalConnections& operator=(const JournalConnections&) = delete;

  [[nodiscard]] const std::string& Path() const { return writer_.Path(); }

  /// Runs `work` in a write transaction, grouped with the works of other
  /// threads; returns once it is committed (flushed when `durable`, or
  /// when another work of its group is). Throws what `work` threw, or the
  /// commit's JournalError.
  void Write(bool durable, const std::function<void(Database&)>& work);
  /// Runs `work` on a reading connection no other thread uses meanwhile.
  void Read(const std::function<void(Database&)>& work);

 private:
  struct Work {
    const std::function<void(Database&)>* run;
    bool durable;
    std::exception_ptr error;
    bool done = false;
  };
  void Commit(const std::vector<Work*>& group) noexcept;

  Database writer_;
  bool grouped_;
  std::mutex mutex_;
  std::condition_variable committed_;
  std::vector<Work*> queued_;
  bool committing_ = false;
  std::vector<std::unique_ptr<Database>> idle_readers_;
};

}  // namespace tavirel::documents
