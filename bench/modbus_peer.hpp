#pragma once
// libmodbus RTU as a measuring peer: a server thread on the master of a pty
// pair and a client on its slave, exchanging messages of a sale line's size.
// Only this benchmark links libmodbus; the driver never does.
#include <chrono>

namespace tavirel::bench {

struct ModbusRound {
  double cpu_seconds_per_exchange = 0;  // of the client's thread
  double exchanges_per_second = 0;
  double cpu_seconds_per_wall_second = 0;
};

/// One round of `exchanges` write-and-read-registers calls (a 91-byte
/// request, an 81-byte reply), the server answering after `reply_delay`.
class ModbusPeer {
 public:
  explicit ModbusPeer(std::chrono::milliseconds reply_delay = {});
  ~ModbusPeer();
  ModbusPeer(const ModbusPeer&) = delete;
  ModbusPeer& operator=(const ModbusPeer&) = delete;
  ModbusRound Run(int exchanges);

 private:
  struct State;
  State* state_;
};

}  // namespace tavirel::bench
