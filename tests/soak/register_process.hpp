#pragma once
// The simulated register as `tavirel sim` in a child process of its own, so
// the soak's memory figures are the host's and the driver's alone. Its
// console (standard input) arms fault switches and reports what the line saw;
// its journal (standard output) is read by a thread as it prints, and its
// paper record says what it finished.
#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/line_engine.hpp"

namespace tavirel::soak {

/// What the register saw and holds at the end of a run.
struct RegisterReport {
  sim::LineStats stats;
  int receipts = 0;              // closed fiscal receipts on the paper
  int voided_receipts = 0;       // voided receipts on the paper
  long long net = 0;             // what the closed receipts came to, in cents
  std::vector<long> closed_ids;  // receipt ids of the journal's closed receipts
  std::vector<long> voided_ids;  // and of its voided ones
  int unreadable_documents = 0;  // receipts without exactly one id
};

class RegisterProcess {
 public:
  /// Starts the register with these switches and seed; call before any thread.
  RegisterProcess(const std::vector<sim::FaultSwitch>& faults, std::uint64_t seed);
  /// Stops it (SIGTERM to this child only) and removes its paper.
  ~RegisterProcess();
  RegisterProcess(const RegisterProcess&) = delete;
  RegisterProcess& operator=(const RegisterProcess&) = delete;

  [[nodiscard]] const std::string& Device() const { return device_; }
  /// Arms one more switch (a once-switch fires on the next command).
  void Arm(const sim::FaultSwitch& entry);
  RegisterReport Report();

 private:
  std::string Ask(const std::string& command);
  void ReadOutput();
  void TakeJournalLine(const std::string& text);
  void ReadPaper(RegisterReport& report) const;

  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  std::string dir_;
  std::string device_;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable answered_;
  std::deque<std::string> answers_;    // console answers, in order
  bool ended_ = false;                 // its output closed
  std::vector<std::string> document_;  // journal lines of the document being printed
  std::vector<long> closed_ids_;
  std::vector<long> voided_ids_;
  int unreadable_ = 0;
};

}  // namespace tavirel::soak
