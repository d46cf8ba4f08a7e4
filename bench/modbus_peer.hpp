#pragma once
// libmodbus RTU as a measuring peer: a server thread on the master of a pty
// pair and a client on its slave, exchanging messages of a sale line's size.
// Only this benchmark links libmodbus; the driver never does.
#include <chrono>
#include <memory>

namespace tavirel::bench {

class ModbusPeer {
 public:
  /// A client and a server that answers each request at once.
  ModbusPeer();
  /// From the next request on, the server answers after `delay`.
  void SetReplyDelay(std::chrono::milliseconds delay);
  ~ModbusPeer();
  ModbusPeer(const ModbusPeer&) = delete;
  ModbusPeer& operator=(const ModbusPeer&) = delete;
  /// One write-and-read-registers call: a 91-byte request, an 81-byte reply.
  void Exchange();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavirel::bench
