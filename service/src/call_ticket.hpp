#pragma once
// A member call waiting its turn in a register's queue, and the request
// waiting for its answer. A request that gives up before the call starts
// withdraws it (it never reaches the register); once started, a call is
// always carried to its end.
//
// Thread safety: shared by one request thread and the register's worker.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>

namespace tavirel::service {

class CallTicket {
 public:
  explicit CallTicket(std::string op) : op_(std::move(op)) {}

  /// The JSON OP, as the request gave it.
  [[nodiscard]] const std::string& Op() const { return op_; }

  enum class Result { Answered, Failed, Withdrawn };
  /// Waits for the answer. When the call has not started by `start_deadline`,
  /// it is withdrawn and Withdrawn returned.
  Result Wait(std::chrono::steady_clock::time_point start_deadline) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, start_deadline, [&] { return state_ != State::Waiting; })) {
      state_ = State::Withdrawn;
      return Result::Withdrawn;
    }
    changed_.wait(lock, [&] { return state_ == State::Answered || state_ == State::Failed; });
    return state_ == State::Answered ? Result::Answered : Result::Failed;
  }
  /// The answer object (Answered) as JSON text.
  [[nodiscard]] std::string Answer() const {
    std::lock_guard lock(mutex_);
    return answer_;
  }
  /// What ended the call (Failed).
  [[nodiscard]] std::exception_ptr Error() const {
    std::lock_guard lock(mutex_);
    return error_;
  }

  // ---- The worker's side ---------------------------------------------------
  /// Marks the call started; false when it was withdrawn (skip it).
  bool Begin() {
    std::lock_guard lock(mutex_);
    if (state_ != State::Waiting) return false;
    state_ = State::Running;
    changed_.notify_all();
    return true;
  }
  void Finish(std::string answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
    state_ = State::Answered;
    changed_.notify_all();
  }
  /// Ends the call (started or not) with an error.
  void Fail(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (state_ == State::Withdrawn) return;
    error_ = std::move(error);
    state_ = State::Failed;
    changed_.notify_all();
  }

 private:
  enum class State { Waiting, Running, Answered, Failed, Withdrawn };
  const std::string op_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::Waiting;
  std::string answer_;
  std::exception_ptr error_;
};

}  // namespace tavirel::service
