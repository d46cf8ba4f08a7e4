#pragma once
// The journal: where every document is recorded, by its key, from the moment
// it is admitted to its outcome, in one SQLite database (WAL) that survives a
// killed process and a power loss. It is the single source of truth about
// documents and the one owner of their life: the runner and the service ask
// it, and restate none of its rules.
//
// THE STATES of a document are the values of Status (outcome.hpp), stored by
// name: queued, running, uncertain, needs-attention, closed, voided, failed,
// expired, cancelled.
//
// THE TRANSITIONS, each made by one function of this class and nowhere else:
//
//   T1  (no key)   -> queued      Admit   a key the journal has not seen
//   T2  failed     -> queued      Admit   the same content sent again
//   T3  queued     -> running     Start   on the register that runs it (its serial bound)
//   T4  uncertain  -> running     Start   on that same register only, to be resolved
//   T5  running    -> running     Start   left in flight by a stopped process: resumed
//                                 Record  a step's reply and/or the next step in flight
//   T6  running    -> closed | voided | failed | uncertain | needs-attention
//                                 Finish  the runner's outcome
//   T7  running    -> queued      Finish  nothing went out: the register was out of reach
//   T8  needs-attention -> uncertain
//                                 Settle  an operator's retry, pay-the-rest or void: the next
//                                         run reads the register first, then carries it out
//   T9  needs-attention -> closed | voided | failed
//                                 Settle  an operator settled it by hand, with a note
//   T10 queued     -> expired     Expire  its expires_at passed before it started (by the
//                                         journal's clock): nothing is sent
//   T11 queued     -> cancelled   Cancel  withdrawn before it started: nothing was sent
//
//   Admit answers every other state from the journal without a transition:
//   queued, running and uncertain are pending (their turn comes), closed,
//   voided, failed, expired, cancelled and needs-attention are answered with
//   their outcome.
//
// THE INVARIANTS:
//   I1  A key holds one content (compared after amounts are normalised:
//       "1.5" and "1.50" are one amount); other content under it is refused
//       with KeyConflictError, and nothing is written.
//   I2  A key belongs to the register name it was admitted for; it is
//       refused under another name with RegisterMismatchError.
//   I3  A step's row is written, marked in flight, and flushed to the disk
//       before its request goes out (Record, and Start with the first step).
//   I4  Running and uncertain documents carry the fiscal serial of the
//       register they started on; only that register resumes them.
//   I5  Closed, voided, failed, expired and cancelled are final: nothing is sent for them again
//       (a failed one sent again is a new run, T2). Needs-attention waits for
//       an operator: nothing is sent for it by itself.
//   I6  The outcome is written once, by Finish; the steps are rows, written as
//       they go; neither is re-serialised at every step.
//   I7  A finish need not wait for the disk: one lost to a power loss leaves
//       its last step in flight, which the next run settles by a reading, as
//       after a crash (docs/documents.md, "Durability").
//
// Thread safety: one Journal may be shared by any number of threads (one
// worker per register, say). Reads (Lookup, Unfinished, InFlight) use
// connections of their own and never wait for a flush; the writes of
// several threads are committed in groups, one flush for all the writes
// that came while the previous commit was flushing (journal_connections.hpp),
// and no lock is held across a flush. Several processes may open the same
// file; SQLite's locks order their writes.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {

/// What the journal holds about one key.
struct JournalEntry {
  std::string key;
  Document document;
  std::string content_hash;            // ContentHash(document)
  std::string register_name;           // the queue it was admitted for
  std::optional<std::int32_t> serial;  // the register's fiscal serial, once started
  Status status = Status::Queued;
  /// The last outcome written for it (with its steps): present once it ended,
  /// or stopped uncertain or needing attention; absent while queued or
  /// running (a failed one sent again is queued without it).
  std::optional<Outcome> outcome;
  std::int64_t sequence = 0;  // admission order, increasing
};

/// What Admit did.
enum class Admission {
  Queued,    // T1 or T2: now queued, waiting for its turn
  Pending,   // queued, running or uncertain already: its turn comes (or came)
  Answered,  // closed, voided, failed or needs-attention: `entry.outcome` answers it
  NoRoom,    // it would have been queued, but there was no room: nothing was written
};

struct Admitted {
  Admission admission = Admission::Queued;
  JournalEntry entry;
};

/// What Start found.
enum class StartKind {
  Fresh,   // nothing was sent for this key before: run it from its first step
  Resume,  // steps were sent before (left in flight or uncertain): resolve it
  Ended,   // ended meanwhile (another process): `entry.outcome` is the answer
};

struct StartResult {
  StartKind kind = StartKind::Fresh;
  Status from = Status::Queued;           // the state it was started from
  std::optional<Settlement> instruction;  // an operator's, to carry out (T8)
  JournalEntry entry;
  std::vector<StepRecord> steps;  // what was sent before (Resume)
  bool last_in_flight = false;    // the last step has no reply recorded
  std::string progress;           // the runner's state as it last wrote it (Resume)
};

/// One write of the runner, in one transaction: the steps that changed since
/// its last write (replies that came, readings made, the next step about to
/// go out) and its own state.
struct StepUpdate {
  std::size_t from = 0;           // the index of `steps.front()` among the document's steps
  std::vector<StepRecord> steps;  // written anew from `from` on
  bool in_flight = false;         // the last of `steps` is going out now (I3)
  std::string progress;           // the runner's state (opaque JSON); "" leaves it
  [[nodiscard]] bool empty() const { return steps.empty() && progress.empty(); }
};

/// One document of a listing: what a status screen shows of it.
struct ListedDocument {
  std::string key;
  Status status = Status::Queued;
  std::string register_name;
  std::string type;     // the document's "type": "receipt", "report", ...
  std::string updated;  // its last change, UTC: "YYYY-MM-DD HH:MM:SS"
  std::int64_t sequence = 0;
};

/// Which documents to list, newest admitted first.
struct ListQuery {
  std::optional<Status> status;
  std::string register_name;           // "" : every register
  std::string since;                   // "" or "YYYY-MM-DD HH:MM:SS" (UTC): changed at or after it
  std::optional<std::int64_t> before;  // the cursor: admitted before this sequence
  std::size_t limit = 50;
};

struct ListPage {
  std::vector<ListedDocument> documents;
  /// The cursor of the next page (ListQuery::before), absent on the last.
  std::optional<std::int64_t> next;
};

/// A register's last fiscal closure the journal knows of.
struct ClosureMark {
  std::int64_t sequence = 0;
  std::string updated;  // when it closed, UTC: "YYYY-MM-DD HH:MM:SS"
};

/// A row the journal cannot read (its document or outcome does not read):
/// left as it is, reported, and skipped by the queue.
struct DamagedEntry {
  std::string key;
  std::string problem;
};

/// The unfinished documents of a register, for a worker that starts.
struct UnfinishedEntries {
  std::vector<JournalEntry>
      entries;  // queued, running, uncertain, needs-attention: admission order
  std::vector<DamagedEntry> damaged;
};

struct JournalOptions {
  /// An existing empty file is taken as a new journal (--new-journal);
  /// otherwise it is refused: an empty file where a journal was expected
  /// means the journal was lost.
  bool empty_is_new = false;
  /// The wall clock expires_at is compared with, in milliseconds since
  /// 1970 UTC (the system clock when empty).
  std::function<std::int64_t()> now_ms;
  /// Writes of several threads that come while a commit is flushing share
  /// the next commit and its flush. False commits each alone, in turn: kept
  /// to measure the two.
  bool group_commit = true;
};

class Journal {
 public:
  /// The schema this build writes (PRAGMA user_version).
  static constexpr int kSchemaVersion = 5;

  /// Opens the database at `path` (its folder must exist), or creates it
  /// owner-only; a journal of an earlier schema is brought up to date in
  /// one transaction. Throws JournalError naming the file: a symbolic link,
  /// an empty file (see JournalOptions), a newer schema (with its version),
  /// a damaged file.
  explicit Journal(const std::string& path, JournalOptions options = {});
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  [[nodiscard]] const std::string& Path() const;

  /// T1, T2: admits `document` for the register named `register_name`: a
  /// new key (or a failed one sent again) is queued, unless `room` is false;
  /// a known key is answered as it stands. The admission does not wait for
  /// the disk: the start flushes it with the first step, and a caller that
  /// tells someone the key is queued before it starts calls Flush first.
  /// Throws KeyConflictError (I1), RegisterMismatchError (I2),
  /// DamagedRowError for a row it cannot read, JournalError.
  Admitted Admit(const Document& document, std::string_view register_name, bool room = true);
  /// Makes the key's admission, and every write before it, durable: for an
  /// answer that says the key is queued. One flush.
  void Flush(std::string_view key);
  /// The key's entry, or nothing when the journal has never seen it. Throws
  /// DamagedRowError, JournalError.
  std::optional<JournalEntry> Lookup(std::string_view key);
  /// The documents of a register that are not final, in admission order:
  /// what a worker takes up after a restart.
  UnfinishedEntries Unfinished(std::string_view register_name);
  /// The running and uncertain documents started on the register with this
  /// fiscal serial (I4), in admission order.
  std::vector<JournalEntry> InFlight(std::int32_t serial);

  /// T3, T4, T5: takes `document` to run it on the register `serial`, in one
  /// durable transaction. A queued key becomes running, with `first` (its
  /// first steps: the start rides on the first step's commit, I3); a running
  /// or uncertain one is resumed (only on its own register: else
  /// RegisterMismatchError) and `first` is not written. Throws
  /// KeyConflictError for other content and JournalError when the key is not
  /// admitted or needs attention.
  StartResult Start(const Document& document, std::int32_t serial, const StepUpdate& first = {});
  /// T5: writes a step's reply and/or the next step in flight, durably.
  void Record(std::string_view key, const StepUpdate& update);
  /// T6, T7: writes the outcome (its status is the new state) with the
  /// runner's last update, in one transaction that does not wait for the disk
  /// (I7). A queued outcome (T7) takes the key back to the queue: its steps
  /// are cleared, nothing having gone out.
  void Finish(std::string_view key, const Outcome& outcome, const StepUpdate& last = {});

  /// T10: a queued document whose expires_at has passed becomes expired,
  /// durably, and its outcome is returned; nothing for one that has not
  /// expired, has none, or is not queued. Throws KeyConflictError for other
  /// content, JournalError.
  std::optional<Outcome> Expire(const Document& document);

  /// T8, T9: an operator's decision for a document that needs attention.
  /// Retry, PayRest and Void make it uncertain with the decision kept, so its
  /// next run reads the register first and then carries the decision out (a
  /// refused step may then go out again: the operator chose it);
  /// MarkSettled ends it as `settled_as` (closed, voided or failed) at once,
  /// the register untouched. The outcome records the settlement. Durable.
  /// Returns the entry as it is now. Throws JournalError when the key does
  /// not need attention, DocumentError for a MarkSettled to another state.
  JournalEntry Settle(std::string_view key, const Settlement& settlement);

  /// T10: cancels a queued document (nothing of it was sent), durably, with
  /// an outcome saying who cancelled it. Returns the entry as it is now: a
  /// key in any other state is left as it is (its status tells the caller
  /// why nothing changed). Throws JournalError when the key is unknown.
  JournalEntry Cancel(std::string_view key, std::string_view by);

  /// A page of documents matching `query`, newest admitted first, through an
  /// index (never a scan of the whole journal). The cursor is the admission
  /// sequence, so pages stay stable while documents are admitted.
  ListPage List(const ListQuery& query);

  /// The register's last closed "fiscal-closure" report, or nothing.
  std::optional<ClosureMark> LastClosure(std::string_view register_name);
  /// The receipts of the register that ended closed or voided after the
  /// admission `after_sequence`, in admission order (damaged rows skipped).
  std::vector<JournalEntry> ReceiptsAfter(std::string_view register_name,
                                          std::int64_t after_sequence);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// The journal's default place: $XDG_STATE_HOME/tavirel/journal.db, or
/// ~/.local/state/tavirel/journal.db when XDG_STATE_HOME is unset or empty
/// (JournalError when neither it nor HOME is set); on Windows
/// %LOCALAPPDATA%/tavirel/journal.db (JournalError when LOCALAPPDATA is unset).
std::string DefaultJournalPath();

}  // namespace tavirel::documents
