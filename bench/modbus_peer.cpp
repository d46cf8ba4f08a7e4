#include "modbus_peer.hpp"

#include <modbus/modbus.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <thread>

#include "pty_peer.hpp"

namespace tavirel::bench {
namespace {

// 13 + 2 x 39 = 91 bytes out; 5 + 2 x 38 = 81 bytes back.
constexpr int kWriteRegisters = 39;
constexpr int kReadRegisters = 38;

}  // namespace

struct ModbusPeer::State {
  PtyPair pty;
  modbus_t* server = nullptr;
  modbus_t* client = nullptr;
  modbus_mapping_t* mapping = nullptr;
  std::atomic<int> delay_ms{0};
  std::atomic<bool> stop{false};
  std::thread thread;

  void Serve() {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    while (!stop) {
      const int rc = modbus_receive(server, query);
      if (rc <= 0) continue;  // the indication timeout: look at the stop flag
      if (const int ms = delay_ms; ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      modbus_reply(server, query, rc, mapping);
    }
  }
};

ModbusPeer::ModbusPeer() : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.server = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);
  s.client = modbus_new_rtu(s.pty.SlavePath().c_str(), 9600, 'N', 8, 1);
  s.mapping = modbus_mapping_new(0, 0, 128, 0);
  if (s.server == nullptr || s.client == nullptr || s.mapping == nullptr)
    throw std::runtime_error("libmodbus: cannot make the contexts");
  modbus_set_slave(s.server, 1);
  modbus_set_socket(s.server, s.pty.Master());
  modbus_set_indication_timeout(s.server, 0, 200000);
  if (modbus_connect(s.client) != 0)
    throw std::runtime_error(std::string("libmodbus: cannot open the pty: ") +
                             modbus_strerror(errno));
  modbus_set_slave(s.client, 1);
  modbus_set_response_timeout(s.client, 30, 0);
  s.thread = std::thread([&s] { s.Serve(); });
}

ModbusPeer::~ModbusPeer() {
  State& s = *state_;
  s.stop = true;
  s.thread.join();
  modbus_close(s.client);
  modbus_free(s.client);
  modbus_set_socket(s.server, -1);  // the pty pair closes its master itself
  modbus_free(s.server);
  modbus_mapping_free(s.mapping);
}

void ModbusPeer::SetReplyDelay(std::chrono::milliseconds delay) {
  state_->delay_ms = static_cast<int>(delay.count());
}

void ModbusPeer::Exchange() {
  uint16_t out[kWriteRegisters];
  uint16_t in[kReadRegisters];
  for (int i = 0; i < kWriteRegisters; ++i) out[i] = static_cast<uint16_t>(i * 257);
  if (modbus_write_and_read_registers(state_->client, 0, kWriteRegisters, out, 0, kReadRegisters,
                                      in) != kReadRegisters) {
    throw std::runtime_error(std::string("libmodbus exchange failed: ") + modbus_strerror(errno));
  }
}

}  // namespace tavirel::bench
