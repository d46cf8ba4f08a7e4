#pragma once
// The simulated register on a pseudo-terminal, in a child process of its
// own, so the soak's memory figures are the host's and the driver's alone.
// The child takes one-line commands over a pipe: arm a fault switch, or
// report what it holds.
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/line_engine.hpp"

namespace tavirel::soak {

/// What the register saw and holds at the end of a run.
struct RegisterReport {
  sim::LineStats stats;
  int receipts = 0;              // closed fiscal receipts in the day's totals
  int voided_receipts = 0;       // voided receipts in the day's totals
  long long net = 0;             // what the closed receipts came to, in cents
  std::vector<long> closed_ids;  // receipt ids of the journal's closed receipts
  std::vector<long> voided_ids;  // and of its voided ones
  int unreadable_documents = 0;  // receipts without exactly one id
};

class RegisterProcess {
 public:
  /// Forks the register with these switches and seed; call before any thread.
  RegisterProcess(const std::vector<sim::FaultSwitch>& faults, std::uint64_t seed);
  ~RegisterProcess();
  RegisterProcess(const RegisterProcess&) = delete;
  RegisterProcess& operator=(const RegisterProcess&) = delete;

  [[nodiscard]] const std::string& Device() const { return device_; }
  /// Arms one more switch (a once-switch fires on the next command).
  void Arm(const sim::FaultSwitch& entry);
  RegisterReport Report();

 private:
  std::string Ask(const std::string& command);
  std::string ReadLine();

  pid_t pid_ = -1;
  int to_child_ = -1;
  std::FILE* from_child_ = nullptr;
  std::string device_;
};

}  // namespace tavirel::soak
