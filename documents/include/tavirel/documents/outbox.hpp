#pragma once
// The journal's outbox: what a document's life tells the outside world, kept
// in the journal's own file until whoever carries it (the fleet's broker
// link) says it arrived. Rows are written by the journal's database itself,
// in the very transaction that changes a document's state, so a state that
// is in the journal is in the outbox too, whatever process dies when.
//
// Rows are made only while the outbox is enabled (a service that carries
// them enables it); Disable stops them and drops those waiting.
//
// Thread safety: one Outbox per thread (it holds its own connection to the
// file); several Outboxes and Journals may share the file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavirel::documents {

/// What a row is about.
enum class OutboxKind {
  StateChange,  // a document changed state (admitted, started, ended, ...)
  Closure,      // a daily fiscal closure was printed: its outcome carries the totals
};

struct OutboxRow {
  std::int64_t id = 0;  // increasing: the order they were made in
  OutboxKind kind = OutboxKind::StateChange;
  std::string key;
  std::string register_name;
  std::string state;                   // the state's name ("queued", "closed", "expired", ...)
  std::optional<std::string> outcome;  // the outcome's JSON, when the state has one
  std::string made;                    // UTC, "YYYY-MM-DDTHH:MM:SS.SSSZ"
};

class Outbox {
 public:
  /// Opens the journal at `path`, which a Journal has opened (and brought up
  /// to date) before. Throws JournalError.
  explicit Outbox(const std::string& path);
  ~Outbox();
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  /// Rows are made from now on (idempotent). Durable.
  void Enable();
  /// No rows from now on; those waiting are dropped. Durable.
  void Disable();
  /// Up to `limit` rows with an id above `after`, oldest first.
  std::vector<OutboxRow> After(std::int64_t after, std::size_t limit);
  /// The rows arrived: they are removed, in one transaction (unknown ids
  /// are ignored).
  void Remove(const std::vector<std::int64_t>& ids);
  /// Rows waiting.
  std::size_t Size();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// "state" or "closure".
const char* OutboxKindName(OutboxKind kind);

}  // namespace tavirel::documents
