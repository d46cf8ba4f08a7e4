#pragma once
// The serial component on a TCP connection to a device server: raw bytes, or
// Telnet with the COM-port option (RFC 2217). Made by MakePort from a
// tcp:// or rfc2217:// name (see tavirel/port_factory.hpp for the
// behaviour). Used from one thread at a time; Interrupt from any thread or a
// signal handler.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "port/tcp_endpoint.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel::port {

struct NetworkAddress {
  enum class Protocol { Raw, Rfc2217 };
  Protocol protocol = Protocol::Raw;
  Endpoint endpoint;
  bool follow_cts = true;  // RFC 2217 only
  std::string name;        // as the user wrote it, for messages
};

class NetworkSerialPort final : public SerialPort {
 public:
  NetworkSerialPort(NetworkAddress address, NetworkPortOptions options);
  ~NetworkSerialPort() override;

  void PortOpen(bool open) override;
  [[nodiscard]] bool PortOpen() const override;
  [[nodiscard]] bool CTSHolding() override;
  [[nodiscard]] int InBufferCount() override;
  std::string Input() override;
  std::size_t TakeInput(char* data, std::size_t size) override;
  void Output(std::string_view bytes) override;
  void WaitForInput(std::chrono::milliseconds slice) override;
  /// For `count` above 1: a wait that the socket ends only once `count`
  /// bytes have come (SO_RCVLOWAT), or the connection ended, or at the
  /// latest after their time at the port's settings plus a grace.
  void WaitForBytes(std::chrono::milliseconds slice, std::size_t count) override;
  void Interrupt() noexcept override;
  [[nodiscard]] std::string Settings() const override;
  void Settings(const std::string& text) override;
  [[nodiscard]] std::int16_t CommPort() const override;
  void CommPort(std::int16_t port) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavirel::port
