#pragma once
// One register's worker: a thread and a FIFO queue, so the register sees one
// document at a time while other registers work in parallel. It opens the
// register and reopens it with backoff when the port fails, hangs up or the
// register does not answer; documents wait in the queue meanwhile (every one
// is in the journal before it is queued, so a restart finds them again).
//
// The journal decides each document's state; the worker only reads where a
// run left it:
//   queued, uncertain   the register was out of reach: the document stays
//                       first in line and the register is reopened after the
//                       backoff (which a successful open does not reset: only
//                       a document that ends does)
//   needs-attention     when it holds the register (a receipt left open, or
//                       stopped on paper out), the queue of documents stops
//                       and the register's status says why, until the
//                       document is settled (Settle); member calls still run
//   closed, voided, failed   its waiters are woken
//
// Thread safety: every public member may be called from any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "call_ticket.hpp"
#include "completions.hpp"
#include "config.hpp"
#include "event_hub.hpp"
#include "log.hpp"
#include "metrics.hpp"
#include "register_driver.hpp"
#include "tavirel/clock.hpp"
#include "tavirel/documents/journal.hpp"

namespace tavirel::service {

/// A new document could not be queued: the queue holds `queue_length` already.
class QueueFullError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};
/// The worker stops (SIGTERM): nothing new is queued.
class StoppingError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

enum class RegisterState { Opening, Open, Unavailable, Stopped };
/// "opening", "open", "unavailable", "stopped".
std::string_view RegisterStateName(RegisterState state);

/// A document that holds its register until an operator settles it.
struct Attention {
  std::string key;
  std::string reason;
  std::string kind;  // the failure's kind ("paper-out", "receipt-open", ...); "" when none
  /// The register's refusal that stopped it, when one did.
  std::optional<std::int32_t> error_code;
  std::string error_text;
  std::optional<std::string> paid;  // what the receipt took before it stopped
  std::optional<std::string> left;  // what is left to pay on it
};

struct RegisterStatus {
  RegisterConfig config;
  RegisterState state = RegisterState::Opening;
  std::string reason;                  // why it is not open ("" when open)
  std::optional<std::int32_t> serial;  // its fiscal serial, once read
  std::size_t queue_length = 0;        // waiting, not counting the one running
  std::optional<std::string> running;  // the key on the register now
  std::optional<Attention> attention;  // the queue waits for this document
  std::string last_error;              // the last failure, kept until another
  int failures = 0;                    // failures in a row (openings, documents out of reach)
  /// The register refused a document because its day must be closed first;
  /// a closed fiscal closure clears it.
  bool closure_due = false;
  /// When the last fiscal closure the journal knows of closed (UTC), and the
  /// hours from it to the moment of this status; absent when none is known.
  std::optional<std::chrono::system_clock::time_point> last_closure;
  std::optional<double> hours_since_closure;
  bool simulated = false;  // a built-in simulated register
};

/// What an operator's action on a document did.
struct Settled {
  documents::JournalEntry entry;  // as the journal holds it now
  bool runs = false;              // queued again to carry the decision out
};

struct WorkerContext {
  documents::Journal& journal;
  EventHub& events;
  Metrics& metrics;
  Completions& completions;
  Log& log;
  std::shared_ptr<Clock> clock;  // the backoff's (steady clock when null)
  /// The wall clock of the hours since the last closure (the system's when empty).
  std::function<std::chrono::system_clock::time_point()> wall;
  std::size_t queue_length = 1000;
};

struct Submission {
  documents::Admitted admitted;  // what the journal made of it
  bool queued = false;           // newly put in the queue by this submission
};

class RegisterWorker {
 public:
  RegisterWorker(RegisterConfig config, std::unique_ptr<RegisterDriver> driver,
                 WorkerContext context);
  /// Stops (letting the document in progress finish) and joins.
  ~RegisterWorker();
  RegisterWorker(const RegisterWorker&) = delete;
  RegisterWorker& operator=(const RegisterWorker&) = delete;

  /// Takes up the journal's unfinished documents of this register (damaged
  /// rows are logged and left), then starts the thread. Throws JournalError.
  void Start();

  /// Admits `document` in the journal for this register and queues it when
  /// the journal says so; a key it already holds is answered as it stands.
  /// Throws QueueFullError, StoppingError, RegisterMismatchError (another
  /// register's key), KeyConflictError (same key, other content) or
  /// JournalError.
  Submission Submit(const documents::Document& document);

  /// Queues a member call (a JSON OP) behind the documents already queued
  /// (ahead of them while a document holds the register). Throws
  /// QueueFullError or StoppingError.
  std::shared_ptr<CallTicket> SubmitCall(std::string op);

  [[nodiscard]] RegisterStatus Status() const;

  /// Carries out an operator's decision for a document of this register
  /// that needs attention (Journal::Settle): settled by hand it ends at once;
  /// otherwise it is put first in line and run with the decision, and the
  /// queue resumes. Throws JournalError when it does not need attention.
  Settled Settle(const std::string& key, const documents::Settlement& settlement);
  /// Cancels a queued document of this register (Journal::Cancel) and takes
  /// it out of the queue. Returns the entry as it is now: any status but
  /// cancelled means it had started. Throws JournalError for an unknown key.
  documents::JournalEntry Cancel(const std::string& key, std::string_view by);
  /// Why a document of this register that waits for its turn waits, when
  /// it is not simply its turn: "" otherwise.
  [[nodiscard]] std::string WaitingReason() const;
  /// The built-in simulated register, or nullptr for a real one.
  [[nodiscard]] sim::SimulatedRegister* Simulator() const { return driver_->Simulator(); }
  [[nodiscard]] const RegisterConfig& Config() const { return config_; }

  /// Makes the thread look at the clock again (after a test moved it).
  void Wake();
  /// Takes nothing new; the document in progress finishes; the thread ends.
  void RequestStop();
  /// Ends the wait of the operation in progress at once (a second stop signal).
  void CancelWait() noexcept;
  /// Waits for the thread to end.
  void Join();

 private:
  struct Job {
    std::optional<documents::Document> document;  // a document, or
    std::shared_ptr<CallTicket> call;             // a member call
    [[nodiscard]] const std::string& Key() const { return document->key; }
  };
  void Loop();
  std::optional<Job> NextJob();  // under the lock
  void TryOpen();
  // Why the register went out of reach, when it did: the job runs again.
  using Lost = std::optional<std::string>;
  Lost Execute(const Job& job);
  Lost RunDocument(const documents::Document& document);
  void Ended(const documents::Outcome& outcome, bool resolved_at_open);
  void RunCall(CallTicket& call);
  void FailWaitingCalls();
  void SetUnavailable(const std::string& reason);
  void ReadLastClosure();
  void PublishStatus();
  void PublishDocument(const std::string& key, std::string_view state,
                       const documents::Outcome* outcome);
  void WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point when);

  const RegisterConfig config_;
  std::unique_ptr<RegisterDriver> driver_;
  WorkerContext context_;
  std::shared_ptr<Clock> clock_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> pending_;  // in queue order
  std::set<std::string> pending_keys_;
  RegisterStatus status_;
  bool open_ = false;
  bool stopping_ = false;
  Clock::time_point next_attempt_{};
  std::thread thread_;
};

}  // namespace tavirel::service
