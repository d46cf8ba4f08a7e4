#pragma once
// The clients the driver benchmarks compare, each on the slave of a pty
// pair whose master a Responder answers (pty_peer.hpp): the driver as a host
// uses it, the bare write and blocking read, and the protocol's own floor.
#include <memory>
#include <string>

#include "tavirel/tavirel_control.hpp"

namespace tavirel::bench {

/// The driver as a host uses it: a control on the device, euro mode, no
/// yield handler unless asked; one sale line per exchange.
class DriverClient {
 public:
  DriverClient(const std::string& device, bool yield_handler);
  /// One opReparto; throws unless it returns OP_OK.
  void SaleLine();

 private:
  std::unique_ptr<TavirelControl> control_;
};

/// The floor: the same bytes written, and the reply read with blocking reads.
class BareClient {
 public:
  explicit BareClient(const std::string& device);
  ~BareClient();
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;
  void Exchange();

 private:
  int fd_ = -1;
  std::string request_;
};

/// The protocol's own floor: the system calls an exchange of this protocol
/// needs, done bare (the leftover check before the send, the write, a wait
/// that a cancel can end, the read, the ACK), without any of the driver's work.
class ProtocolFloorClient {
 public:
  explicit ProtocolFloorClient(const std::string& device);
  ~ProtocolFloorClient();
  ProtocolFloorClient(const ProtocolFloorClient&) = delete;
  ProtocolFloorClient& operator=(const ProtocolFloorClient&) = delete;
  void Exchange();

 private:
  int fd_ = -1;
  int wake_ = -1;
  int set_ = -1;
  std::string request_;
};

}  // namespace tavirel::bench
