#include "register_worker.hpp"

#include <algorithm>
#include <cstdio>

#include "api_json.hpp"
#include "backoff.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::service {
namespace {

using documents::Outcome;
using documents::Status;

std::string Reason(const Outcome& outcome) {
  if (!outcome.failed_step || outcome.failed_step->reason.empty()) {
    return "the register could not be reached";
  }
  return outcome.failed_step->reason;
}

// What the status says of a document that holds the register.
Attention AttentionOf(const Outcome& outcome) {
  Attention attention;
  attention.key = outcome.key;
  attention.reason = Reason(outcome);
  if (const auto& step = outcome.failed_step) {
    attention.kind = step->kind;
    if (step->printer_error != 0) {
      attention.error_code = step->printer_error;
      attention.error_text = step->printer_text;
    }
  }
  attention.paid = outcome.paid;
  attention.left = outcome.due;
  return attention;
}

// A document stopped on paper out stops its register's queue even when it
// left nothing open: the next one would stop on the same paper.
bool HoldsRegister(const Outcome& outcome) {
  return outcome.status == Status::NeedsAttention &&
         (outcome.holds_register ||
          (outcome.failed_step && outcome.failed_step->kind == "paper-out"));
}

bool IsClosure(const documents::Document& document) {
  return document.type == documents::DocumentType::Report && document.report == "fiscal-closure";
}

// The journal's "YYYY-MM-DD HH:MM:SS" (UTC); nothing when it does not read.
std::optional<std::chrono::system_clock::time_point> UtcTime(const std::string& text) {
  int y = 0;
  unsigned mo = 0, d = 0;
  int h = 0, mi = 0, sec = 0;
  if (std::sscanf(text.c_str(), "%d-%u-%u %d:%d:%d", &y, &mo, &d, &h, &mi, &sec) != 6) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{mo},
                                         std::chrono::day{d}};
  if (!date.ok()) return std::nullopt;
  return std::chrono::sys_days{date} + std::chrono::hours(h) + std::chrono::minutes(mi) +
         std::chrono::seconds(sec);
}

// Where the register is out of reach: the document waits for it.
bool OutOfReach(Status status) {
  return status == Status::Queued || status == Status::Running || status == Status::Uncertain;
}

// A port failure ends the register's availability; other errors end the call only.
bool PortFailure(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const SerialError&) {
    return true;
  } catch (const CancelledError&) {
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::string_view RegisterStateName(RegisterState state) {
  switch (state) {
    case RegisterState::Opening: return "opening";
    case RegisterState::Open: return "open";
    case RegisterState::Unavailable: return "unavailable";
    case RegisterState::Stopped: return "stopped";
  }
  return "unknown";
}

RegisterWorker::RegisterWorker(RegisterConfig config, std::unique_ptr<RegisterDriver> driver,
                               WorkerContext context)
    : config_(std::move(config)),
      driver_(std::move(driver)),
      context_(context),
      clock_(context.clock ? context.clock : std::make_shared<SteadyClock>()) {
  if (!context_.wall) context_.wall = [] { return std::chrono::system_clock::now(); };
  status_.config = config_;
  status_.simulated = driver_->Simulator() != nullptr;
}

RegisterWorker::~RegisterWorker() {
  RequestStop();
  Join();
}

void RegisterWorker::Start() {
  const auto unfinished = context_.journal.Unfinished(config_.name);
  for (const auto& damaged : unfinished.damaged) {
    context_.log.Error("journal-row-damaged", {{"journal", context_.journal.Path()},
                                               {"key", damaged.key},
                                               {"register", config_.name},
                                               {"problem", damaged.problem}});
  }
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : unfinished.entries) {
      if (entry.status == Status::NeedsAttention) {
        if (entry.outcome && HoldsRegister(*entry.outcome) && !status_.attention) {
          status_.attention = AttentionOf(*entry.outcome);
        }
        continue;
      }
      if (pending_keys_.insert(entry.key).second) pending_.push_back(Job{entry.document, nullptr});
    }
    status_.queue_length = pending_.size();
  }
  ReadLastClosure();
  if (!unfinished.entries.empty()) {
    context_.log.Info("documents-taken-up", {{"register", config_.name},
                                             {"count", std::to_string(unfinished.entries.size())}});
  }
  thread_ = std::thread([this] { Loop(); });
}

Submission RegisterWorker::Submit(const documents::Document& document) {
  bool room = false;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw StoppingError("register \"" + config_.name + "\" is stopping");
    room = pending_.size() < context_.queue_length;
  }
  Submission result{context_.journal.Admit(document, config_.name, room), false};
  switch (result.admitted.admission) {
    case documents::Admission::NoRoom:
      throw QueueFullError("the queue of register \"" + config_.name + "\" is full (" +
                           std::to_string(context_.queue_length) + " waiting)");
    case documents::Admission::Answered: return result;
    case documents::Admission::Queued:
    case documents::Admission::Pending: break;
  }
  std::lock_guard lock(mutex_);
  if (status_.running != document.key && pending_keys_.insert(document.key).second) {
    pending_.push_back(Job{document, nullptr});
    status_.queue_length = pending_.size();
    result.queued = true;
    // Under the lock, so "queued" is told before the worker can tell "running".
    PublishDocument(document.key, "queued", nullptr);
    changed_.notify_all();
  }
  return result;
}

std::shared_ptr<CallTicket> RegisterWorker::SubmitCall(std::string op) {
  auto ticket = std::make_shared<CallTicket>(std::move(op));
  std::lock_guard lock(mutex_);
  if (stopping_) throw StoppingError("register \"" + config_.name + "\" is stopping");
  if (pending_.size() >= context_.queue_length) {
    throw QueueFullError("the queue of register \"" + config_.name + "\" is full");
  }
  pending_.push_back(Job{std::nullopt, ticket});
  status_.queue_length = pending_.size();
  changed_.notify_all();
  return ticket;
}

RegisterStatus RegisterWorker::Status() const {
  RegisterStatus status;
  {
    std::lock_guard lock(mutex_);
    status = status_;
  }
  if (status.last_closure) {
    const std::chrono::duration<double, std::ratio<3600>> since =
        context_.wall() - *status.last_closure;
    status.hours_since_closure = since.count();
  }
  return status;
}

void RegisterWorker::ReadLastClosure() {
  const auto mark = context_.journal.LastClosure(config_.name);
  std::lock_guard lock(mutex_);
  if (mark) status_.last_closure = UtcTime(mark->updated);
}

Settled RegisterWorker::Settle(const std::string& key, const documents::Settlement& settlement) {
  Settled result{context_.journal.Settle(key, settlement), false};
  const documents::JournalEntry& entry = result.entry;
  {
    std::lock_guard lock(mutex_);
    if (status_.attention && status_.attention->key == key) status_.attention.reset();
    // T8: the decision is carried out by the next run, first in line.
    if (entry.status == Status::Uncertain) {
      if (status_.running != key && pending_keys_.insert(key).second) {
        pending_.push_front(Job{entry.document, nullptr});
      }
      status_.queue_length = pending_.size();
      result.runs = true;
      changed_.notify_all();
    }
  }
  context_.log.Info("document-settled",
                    {{"key", key},
                     {"register", config_.name},
                     {"action", documents::SettlementActionName(settlement.action)},
                     {"by", settlement.by},
                     {"note", settlement.note},
                     {"status", documents::StatusName(entry.status)}});
  PublishStatus();
  PublishDocument(key, documents::StatusName(entry.status),
                  result.runs ? nullptr : (entry.outcome ? &*entry.outcome : nullptr));
  if (!result.runs) context_.completions.Signal(key);
  return result;
}

documents::JournalEntry RegisterWorker::Cancel(const std::string& key, std::string_view by) {
  documents::JournalEntry entry;
  {
    // Under the lock, the worker cannot take it meanwhile; the journal
    // decides all the same (only a queued key is cancelled).
    std::lock_guard lock(mutex_);
    if (status_.running == key) {
      if (auto running = context_.journal.Lookup(key)) return *running;
    }
    entry = context_.journal.Cancel(key, by);
    if (entry.status != Status::Cancelled) return entry;
    if (pending_keys_.erase(key) > 0) {
      std::erase_if(pending_, [&](const Job& j) { return j.document && j.Key() == key; });
      status_.queue_length = pending_.size();
    }
  }
  context_.log.Info("document-cancelled",
                    {{"key", key}, {"register", config_.name}, {"by", std::string(by)}});
  PublishStatus();
  PublishDocument(key, "cancelled", entry.outcome ? &*entry.outcome : nullptr);
  context_.completions.Signal(key);
  return entry;
}

std::string RegisterWorker::WaitingReason() const {
  std::lock_guard lock(mutex_);
  if (status_.state == RegisterState::Unavailable) {
    return "the register is unavailable: " + status_.reason;
  }
  if (status_.state == RegisterState::Stopped) return "the service is stopping";
  if (status_.attention) {
    if (status_.attention->kind == "paper-out") {
      return "the register is out of paper (document " + status_.attention->key +
             "): refill it, then POST /v1/registers/" + config_.name + "/paper-refilled";
    }
    return "the register waits for document " + status_.attention->key +
           ", which needs attention: " + status_.attention->reason;
  }
  return "";
}

void RegisterWorker::Wake() {
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

void RegisterWorker::RequestStop() {
  std::lock_guard lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
}

void RegisterWorker::CancelWait() noexcept { driver_->CancelWait(); }

void RegisterWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

std::optional<RegisterWorker::Job> RegisterWorker::NextJob() {
  // While a document holds the register, only member calls go to it.
  const auto next = status_.attention ? std::find_if(pending_.begin(), pending_.end(),
                                                     [](const Job& j) { return j.call != nullptr; })
                                      : pending_.begin();
  if (next == pending_.end()) return std::nullopt;
  Job job = std::move(*next);
  pending_.erase(next);
  return job;
}

void RegisterWorker::Loop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!open_) {
      if (clock_->Now() < next_attempt_) {
        WaitUntil(lock, next_attempt_);
        continue;
      }
      lock.unlock();
      TryOpen();
      lock.lock();
      continue;
    }
    std::optional<Job> job = NextJob();
    if (!job) {
      changed_.wait(lock);
      continue;
    }
    if (job->document) {
      pending_keys_.erase(job->Key());
      status_.running = job->Key();
    }
    status_.queue_length = pending_.size();
    lock.unlock();
    const Lost lost = Execute(*job);
    lock.lock();
    status_.running.reset();
    if (lost) {  // the job stays first in line, and is counted there before the status tells
      if (job->document) pending_keys_.insert(job->Key());
      pending_.push_front(std::move(*job));
      status_.queue_length = pending_.size();
      lock.unlock();
      SetUnavailable(*lost);
      lock.lock();
    }
  }
  status_.state = RegisterState::Stopped;
  status_.reason = "the service is stopping";
  lock.unlock();
  FailWaitingCalls();
  driver_->Close();
  PublishStatus();
}

void RegisterWorker::WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point when) {
  // The clock may be a test's: look at it again at least every 50 ms, and at once on Wake.
  const auto left = when - clock_->Now();
  changed_.wait_for(
      lock, std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(50)));
}

void RegisterWorker::TryOpen() {
  {
    std::lock_guard lock(mutex_);
    status_.state = RegisterState::Opening;
  }
  PublishStatus();
  OpenedRegister opened;
  try {
    opened = driver_->Open();
  } catch (const std::exception& e) {
    driver_->Close();
    SetUnavailable(e.what());
    return;
  }
  {
    std::lock_guard lock(mutex_);
    open_ = true;
    status_.state = RegisterState::Open;
    status_.reason.clear();
    status_.serial = opened.serial;
  }
  context_.log.Info("register-opened", {{"register", config_.name},
                                        {"device", config_.device},
                                        {"serial", std::to_string(opened.serial)}});
  PublishStatus();
  for (const auto& outcome : opened.resolved) {
    if (OutOfReach(outcome.status)) continue;  // still first in line
    {
      std::lock_guard lock(mutex_);
      if (pending_keys_.erase(outcome.key) > 0) {
        std::erase_if(pending_, [&](const Job& j) { return j.document && j.Key() == outcome.key; });
        status_.queue_length = pending_.size();
      }
    }
    context_.metrics.DocumentFinished(config_.name, documents::StatusName(outcome.status), {});
    Ended(outcome, true);
  }
}

void RegisterWorker::SetUnavailable(const std::string& reason) {
  std::chrono::milliseconds delay{};
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    status_.state = RegisterState::Unavailable;
    status_.reason = reason;
    status_.last_error = reason;
    ++status_.failures;
    delay = ReopenDelay(status_.failures);
    next_attempt_ = clock_->Now() + delay;
  }
  context_.log.Warning("register-unavailable", {{"register", config_.name},
                                                {"reason", reason},
                                                {"retry_in_ms", std::to_string(delay.count())}});
  PublishStatus();
}

RegisterWorker::Lost RegisterWorker::Execute(const Job& job) {
  if (job.document) return RunDocument(*job.document);
  RunCall(*job.call);
  return std::nullopt;
}

RegisterWorker::Lost RegisterWorker::RunDocument(const documents::Document& document) {
  const std::string& key = document.key;
  PublishStatus();  // printing
  PublishDocument(key, "running", nullptr);
  const auto started = clock_->Now();
  Outcome outcome;
  try {
    outcome = driver_->Run(document);
  } catch (const documents::RegisterMismatchError& e) {
    // Only the register it started on can resolve it: set it aside here.
    {
      std::lock_guard lock(mutex_);
      status_.last_error = e.what();
    }
    context_.log.Error("document-set-aside",
                       {{"key", key}, {"register", config_.name}, {"reason", e.what()}});
    context_.completions.Signal(key);
    return std::nullopt;
  } catch (const documents::JournalError& e) {
    return std::string("the journal failed: ") + e.what();
  } catch (const std::exception& e) {
    driver_->Close();
    return std::string(e.what());
  }
  if (OutOfReach(outcome.status)) {
    // The journal keeps it queued or uncertain, so a restart finds it too.
    driver_->Close();
    return Reason(outcome);
  }
  context_.metrics.DocumentFinished(config_.name, documents::StatusName(outcome.status),
                                    clock_->Now() - started);
  if (IsClosure(document) && outcome.status == Status::Closed) {
    {
      std::lock_guard lock(mutex_);
      status_.closure_due = false;
    }
    ReadLastClosure();
  }
  Ended(outcome, false);
  return std::nullopt;
}

void RegisterWorker::Ended(const Outcome& outcome, bool resolved_at_open) {
  const std::string_view status = documents::StatusName(outcome.status);
  const bool holds = HoldsRegister(outcome);
  const bool closure_due = outcome.failed_step && outcome.failed_step->kind == "closure-due";
  {
    std::lock_guard lock(mutex_);
    status_.failures = 0;  // the register answered to the end of a document
    if (holds) status_.attention = AttentionOf(outcome);
    if (closure_due) status_.closure_due = true;
  }
  const char* event = resolved_at_open ? "document-recovered" : "document-ended";
  if (outcome.status == Status::NeedsAttention) {
    context_.log.Warning("document-needs-attention", {{"key", outcome.key},
                                                      {"register", config_.name},
                                                      {"holds_register", holds ? "true" : "false"},
                                                      {"reason", Reason(outcome)}});
  } else if (outcome.status == Status::Closed) {
    context_.log.Info(event,
                      {{"key", outcome.key}, {"register", config_.name}, {"status", status}});
  } else {
    context_.log.Info(event, {{"key", outcome.key},
                              {"register", config_.name},
                              {"status", status},
                              {"reason", Reason(outcome)}});
  }
  PublishStatus();  // printing ends; it may need attention or a closure
  PublishDocument(outcome.key, status, &outcome);
  context_.completions.Signal(outcome.key);
}

void RegisterWorker::RunCall(CallTicket& call) {
  if (!call.Begin()) return;  // withdrawn by its request
  const auto started = clock_->Now();
  try {
    call.Finish(driver_->Call(call.Op()));
    std::lock_guard lock(mutex_);
    status_.failures = 0;
  } catch (...) {
    const auto error = std::current_exception();
    call.Fail(error);
    if (PortFailure(error)) {
      driver_->Close();
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        SetUnavailable(e.what());
      }
    }
  }
  context_.metrics.CallFinished(config_.name, clock_->Now() - started);
}

void RegisterWorker::FailWaitingCalls() {
  std::deque<Job> left;
  {
    std::lock_guard lock(mutex_);
    left.swap(pending_);
    pending_keys_.clear();
    status_.queue_length = 0;
  }
  const auto stopping = std::make_exception_ptr(
      StoppingError("register \"" + config_.name + "\" stopped before the call's turn"));
  for (auto& job : left) {
    if (job.call) job.call->Fail(stopping);
  }
}

void RegisterWorker::PublishStatus() {
  context_.events.Publish("register", StatusJson(Status()).dump());
}

void RegisterWorker::PublishDocument(const std::string& key, std::string_view state,
                                     const documents::Outcome* outcome) {
  context_.events.Publish("document", DocumentEventJson(key, config_.name, state, outcome).dump());
}

}  // namespace tavirel::service
