#include "register_worker.hpp"

#include <algorithm>
#include <array>

#include "api_json.hpp"
#include "backoff.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::service {
namespace {

using documents::Outcome;
using documents::Status;

// Ends of a step that say the register was out of reach, not that it refused:
// the document waits for the register instead of ending.
constexpr std::array<std::string_view, 3> kUnreachableEnds = {"hang-up", "cancelled",
                                                              "interrupted"};
constexpr std::array<std::int16_t, 2> kUnreachableResults = {OP_ERR_NOCOLL, OP_ERR_PORTCLOSE};

bool Unreachable(const documents::FailedStep& step) {
  const bool by_end = std::find(kUnreachableEnds.begin(), kUnreachableEnds.end(),
                                step.result_name) != kUnreachableEnds.end();
  const bool by_code =
      step.result && std::find(kUnreachableResults.begin(), kUnreachableResults.end(),
                               *step.result) != kUnreachableResults.end();
  return by_end || by_code;
}

std::string Reason(const Outcome& outcome) {
  if (!outcome.failed_step) return "the register could not be reached";
  const auto& step = *outcome.failed_step;
  return step.reason.empty() ? "the register could not be reached (" + step.result_name + ")"
                             : step.reason;
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
  status_.config = config_;
}

RegisterWorker::~RegisterWorker() {
  RequestStop();
  Join();
}

void RegisterWorker::Start() {
  const auto unfinished = context_.store.Unfinished(config_.name);
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : unfinished) {
      if (pending_keys_.insert(entry.key).second) pending_.push_back(Job{entry.key, nullptr});
    }
    status_.queue_length = pending_.size();
  }
  thread_ = std::thread([this] { Loop(); });
}

Submission RegisterWorker::Submit(const documents::Document& document) {
  const auto existing = context_.store.Lookup(document.key);
  // A failed document sent again runs again: it takes a place in the queue.
  const bool takes_place =
      !existing || (existing->state == documents::EntryState::Finished && existing->outcome &&
                    existing->outcome->status == Status::Failed);
  if (existing && existing->register_name != config_.name) {
    throw OtherRegisterError("key \"" + document.key + "\" was sent to register \"" +
                             existing->register_name + "\"");
  }
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw StoppingError("register \"" + config_.name + "\" is stopping");
    if (takes_place && pending_.size() >= context_.queue_length) {
      throw QueueFullError("the queue of register \"" + config_.name + "\" is full (" +
                           std::to_string(context_.queue_length) + " waiting)");
    }
  }
  Submission result{context_.store.Enqueue(document, config_.name), false};
  if (result.entry.register_name != config_.name) {  // queued elsewhere meanwhile
    throw OtherRegisterError("key \"" + document.key + "\" was sent to register \"" +
                             result.entry.register_name + "\"");
  }
  if (result.entry.state == documents::EntryState::Finished) return result;
  std::lock_guard lock(mutex_);
  if (status_.running != document.key && pending_keys_.insert(document.key).second) {
    pending_.push_back(Job{document.key, nullptr});
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
  pending_.push_back(Job{{}, ticket});
  status_.queue_length = pending_.size();
  changed_.notify_all();
  return ticket;
}

RegisterStatus RegisterWorker::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
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
    if (pending_.empty()) {
      changed_.wait(lock);
      continue;
    }
    Job job = std::move(pending_.front());
    pending_.pop_front();
    if (job.call == nullptr) {
      pending_keys_.erase(job.key);
      status_.running = job.key;
    }
    status_.queue_length = pending_.size();
    lock.unlock();
    const Lost lost = Execute(job);
    lock.lock();
    status_.running.reset();
    if (lost) {  // the job stays first in line, and is counted there before the status tells
      if (job.call == nullptr) pending_keys_.insert(job.key);
      pending_.push_front(std::move(job));
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
  try {
    OpenedRegister opened = driver_->Open();
    {
      std::lock_guard lock(mutex_);
      open_ = true;
      status_.state = RegisterState::Open;
      status_.reason.clear();
      status_.serial = opened.serial;
      status_.failures = 0;
    }
    PublishStatus();
    for (const auto& outcome : opened.resolved) {
      context_.metrics.DocumentFinished(config_.name, documents::StatusName(outcome.status), {});
      PublishDocument(outcome.key, documents::StatusName(outcome.status), &outcome);
      context_.completions.Signal(outcome.key);
    }
  } catch (const std::exception& e) {
    driver_->Close();
    SetUnavailable(e.what());
  }
}

void RegisterWorker::SetUnavailable(const std::string& reason) {
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    status_.state = RegisterState::Unavailable;
    status_.reason = reason;
    status_.last_error = reason;
    ++status_.failures;
    next_attempt_ = clock_->Now() + ReopenDelay(status_.failures);
  }
  PublishStatus();
}

RegisterWorker::Lost RegisterWorker::Execute(const Job& job) {
  if (!job.call) return RunDocument(job.key);
  RunCall(*job.call);
  return std::nullopt;
}

RegisterWorker::Lost RegisterWorker::RunDocument(const std::string& key) {
  std::optional<documents::JournalEntry> entry;
  try {
    entry = context_.store.Lookup(key);
  } catch (const std::exception& e) {
    return std::string("the journal failed: ") + e.what();
  }
  if (!entry || entry->state == documents::EntryState::Finished) {
    context_.completions.Signal(key);
    return std::nullopt;
  }
  PublishDocument(key, "running", nullptr);
  const auto started = clock_->Now();
  Outcome outcome;
  try {
    outcome = driver_->Run(entry->document);
  } catch (const documents::RegisterMismatchError& e) {
    // Only the register it started on can resolve it: set it aside here.
    std::lock_guard lock(mutex_);
    status_.last_error = e.what();
    context_.completions.Signal(key);
    return std::nullopt;
  } catch (const std::exception& e) {
    driver_->Close();
    return std::string(e.what());
  }
  for (const auto& step : outcome.steps) context_.metrics.Result(step.result_name);
  const bool failed_unreachable =
      outcome.status == Status::Failed && outcome.failed_step && Unreachable(*outcome.failed_step);
  try {
    bool unresolved = false;
    if (outcome.status == Status::Uncertain) {
      const auto now = context_.store.Lookup(key);
      unresolved = now && now->state != documents::EntryState::Finished;
    }
    if (failed_unreachable || unresolved) {
      // Kept in the journal as queued or running, so a restart finds it too.
      if (failed_unreachable) context_.store.Enqueue(entry->document, config_.name);
      driver_->Close();
      return Reason(outcome);
    }
  } catch (const std::exception& e) {
    return std::string("the journal failed: ") + e.what();
  }
  context_.metrics.DocumentFinished(config_.name, documents::StatusName(outcome.status),
                                    clock_->Now() - started);
  PublishDocument(key, documents::StatusName(outcome.status), &outcome);
  context_.completions.Signal(key);
  return std::nullopt;
}

void RegisterWorker::RunCall(CallTicket& call) {
  if (!call.Begin()) return;  // withdrawn by its request
  const auto started = clock_->Now();
  try {
    call.Finish(driver_->Call(call.Op()));
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
