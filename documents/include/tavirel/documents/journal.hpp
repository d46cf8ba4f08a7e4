#pragma once
// The journal: where every document is recorded, by its key, from the moment
// it is queued to its outcome, in one SQLite database (WAL, synchronous
// FULL) that survives a killed process. It is the single source of truth
// about documents: each step's state is written before the step's request
// goes out and after its reply, and nothing is reported done that it does
// not hold.
//
// Thread safety: one Journal may be shared by any number of threads (one
// worker per register, say); every member locks it for its own work. Several
// processes may open the same file; SQLite's locks order their writes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {

enum class EntryState {
  Queued,    // recorded, nothing sent yet
  Running,   // started on a register; unfinished (in flight, or uncertain)
  Finished,  // its outcome is final: running it again replays the outcome
};

/// "queued", "running", "finished".
std::string_view EntryStateName(EntryState state);

/// What the journal holds about one key.
struct JournalEntry {
  std::string key;
  Document document;
  std::string content_hash;            // ContentHash(document)
  std::string register_name;           // the queue it was recorded for
  std::optional<std::int32_t> serial;  // the register's fiscal serial, once started
  EntryState state = EntryState::Queued;
  /// Finished: the outcome. Running: the last outcome reported for it (an
  /// uncertain one), if any. A failed outcome is kept but does not finish
  /// the key: nothing happened, so it may be run again.
  std::optional<Outcome> outcome;
  std::int64_t sequence = 0;  // queue order, increasing
};

/// What Start found.
enum class StartKind {
  Fresh,   // nothing was sent for this key before: run it from its first step
  Resume,  // steps were sent before (left in flight or uncertain): resolve it
  Replay,  // finished: `entry.outcome` is the answer
};

struct StartResult {
  StartKind kind = StartKind::Fresh;
  JournalEntry entry;
  std::vector<StepRecord> steps;  // what was sent before (Resume)
  bool last_in_flight = false;    // the last step has no reply recorded
  std::string progress;           // the runner's state as it last wrote it (Resume)
};

/// One write of the runner: a step's reply and/or the next step about to go
/// out, with the runner's state, in one transaction.
struct StepUpdate {
  std::optional<std::size_t> done_index;  // the step whose reply came ...
  std::optional<StepRecord> done;         // ... and what it was
  std::optional<StepRecord> sending;      // appended, marked in flight
  std::string progress;                   // the runner's state (opaque JSON)
};

class Journal {
 public:
  /// Opens or creates the database at `path` (its folder must exist). Throws
  /// JournalError naming the file.
  explicit Journal(const std::string& path);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  [[nodiscard]] const std::string& Path() const;

  // ---- For a queue of documents (the service) ----------------------------
  /// Records `document` as queued for the register named `register_name`,
  /// durably, before it runs. A key already held with the same content is
  /// left as it is and returned (a failed one is queued again); with other
  /// content it throws KeyConflictError.
  JournalEntry Enqueue(const Document& document, std::string_view register_name);
  /// The key's entry, or nothing when the journal has never seen it.
  std::optional<JournalEntry> Lookup(std::string_view key);
  /// The queued and running documents of a register, in queue order: what a
  /// worker runs after a restart.
  std::vector<JournalEntry> Unfinished(std::string_view register_name);
  /// The running documents started on the register with this fiscal serial.
  std::vector<JournalEntry> InFlight(std::int32_t serial);

  // ---- For the runner ----------------------------------------------------------
  /// Takes `document` to run it on the register `serial`, in one
  /// transaction: a new or queued key becomes running on that register; a
  /// running one is resumed (only on the same register: otherwise throws
  /// RegisterMismatchError); a finished one is replayed. Other content under
  /// the key throws KeyConflictError.
  StartResult Start(const Document& document, std::string_view register_name, std::int32_t serial);
  /// Writes a step's reply and/or the next step in flight, durably.
  void Record(std::string_view key, const StepUpdate& update);
  /// Writes the outcome, with the runner's last update in the same
  /// transaction. Closed, voided and final uncertain outcomes finish the
  /// key; a failed one frees it to run again; an uncertain one (`final`
  /// false) leaves it running, to be resolved by the next run.
  void Finish(std::string_view key, const Outcome& outcome, bool final,
              const StepUpdate& last = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// The journal's default place: $XDG_STATE_HOME/tavirel/journal.db, or
/// ~/.local/state/tavirel/journal.db when XDG_STATE_HOME is unset or empty
/// (JournalError when neither it nor HOME is set); on Windows
/// %LOCALAPPDATA%\tavirel\journal.db (JournalError when LOCALAPPDATA is unset).
std::string DefaultJournalPath();

}  // namespace tavirel::documents
