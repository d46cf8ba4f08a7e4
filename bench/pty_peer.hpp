#pragma once
// A pseudo-terminal pair in raw mode, and a far end that answers on its
// master: for each request (each ETX it reads) an ACK and a fixed reply
// frame, at once or after a delay. The same peer serves the driver and the
// bare floor, so both see the same line and the same bytes.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace tavirel::bench {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;
  [[nodiscard]] int Master() const { return master_; }
  [[nodiscard]] const std::string& SlavePath() const { return slave_path_; }

 private:
  int master_ = -1;
  int keep_slave_ = -1;  // keeps the terminal's settings between openers
  std::string slave_path_;
};

class Responder {
 public:
  /// Answers on `master` until destroyed, at once.
  Responder(int master, std::string reply);
  /// From the next request on, the reply comes `delay` after the ACK.
  void SetReplyDelay(std::chrono::milliseconds delay) {
    delay_ms_ = static_cast<int>(delay.count());
  }
  ~Responder();
  Responder(const Responder&) = delete;
  Responder& operator=(const Responder&) = delete;

 private:
  void Run();
  int master_;
  std::string reply_;
  std::atomic<int> delay_ms_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

/// A sale line's reply frame (81 bytes: a 74-character payload), with a right
/// checksum.
std::string SaleLineReplyFrame();

/// A request of a sale line's size (92 bytes, ending in ETX) for the bare floor.
std::string BareRequest();

}  // namespace tavirel::bench
