#pragma once
// One register's worker: a thread and a FIFO queue, so the register sees one
// document at a time while other registers work in parallel. It opens the
// register and reopens it with backoff when the port fails, hangs up or the
// register does not answer; documents wait in the queue meanwhile (every one
// is in the journal before it is queued, so a restart finds them again).
//
// Thread safety: every public member may be called from any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "call_ticket.hpp"
#include "completions.hpp"
#include "config.hpp"
#include "document_store.hpp"
#include "event_hub.hpp"
#include "metrics.hpp"
#include "register_driver.hpp"
#include "tavirel/clock.hpp"

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
/// The key was queued for another register; the message names it.
class OtherRegisterError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

enum class RegisterState { Opening, Open, Unavailable, Stopped };
/// "opening", "open", "unavailable", "stopped".
std::string_view RegisterStateName(RegisterState state);

struct RegisterStatus {
  RegisterConfig config;
  RegisterState state = RegisterState::Opening;
  std::string reason;                  // why it is not open ("" when open)
  std::optional<std::int32_t> serial;  // its fiscal serial, once read
  std::size_t queue_length = 0;        // waiting, not counting the one running
  std::optional<std::string> running;  // the key on the register now
  std::string last_error;              // the last failure, kept until another
  int failures = 0;                    // failed opening attempts in a row
};

struct WorkerContext {
  DocumentStore& store;
  EventHub& events;
  Metrics& metrics;
  Completions& completions;
  std::shared_ptr<Clock> clock;  // the backoff's (steady clock when null)
  std::size_t queue_length = 1000;
};

struct Submission {
  documents::JournalEntry entry;  // as the journal holds it now
  bool queued = false;            // newly put in the queue by this submission
};

class RegisterWorker {
 public:
  RegisterWorker(RegisterConfig config, std::unique_ptr<RegisterDriver> driver,
                 WorkerContext context);
  /// Stops (letting the document in progress finish) and joins.
  ~RegisterWorker();
  RegisterWorker(const RegisterWorker&) = delete;
  RegisterWorker& operator=(const RegisterWorker&) = delete;

  /// Queues the journal's unfinished documents of this register, then starts
  /// the thread. Throws JournalError.
  void Start();

  /// Records `document` in the journal and queues it, unless the journal
  /// already holds its key: then its state is returned as it is (a finished
  /// one is never run again). Throws QueueFullError, StoppingError,
  /// OtherRegisterError, KeyConflictError (same key, other content) or
  /// JournalError.
  Submission Submit(const documents::Document& document);

  /// Queues a member call (a JSON OP) behind the documents already queued.
  /// Throws QueueFullError or StoppingError.
  std::shared_ptr<CallTicket> SubmitCall(std::string op);

  [[nodiscard]] RegisterStatus Status() const;
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
    std::string key;                   // a document, or
    std::shared_ptr<CallTicket> call;  // a member call
  };
  void Loop();
  void TryOpen();
  // Why the register went out of reach, when it did: the job runs again.
  using Lost = std::optional<std::string>;
  Lost Execute(const Job& job);
  Lost RunDocument(const std::string& key);
  void RunCall(CallTicket& call);
  void FailWaitingCalls();
  void SetUnavailable(const std::string& reason);
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
