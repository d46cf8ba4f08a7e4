#pragma once
// The receive states of one call after its request went out: awaiting the
// ACK, receiving, complete.
#include <algorithm>
#include <string>
#include <string_view>

#include "link/frame.hpp"
#include "link/transaction.hpp"
#include "types/byte_scan.hpp"

namespace tavirel::link {

class ReplyAssembler {
 public:
  /// Assembles in a buffer of its own.
  ReplyAssembler() : buffer_(own_) {}
  /// Assembles in `buffer` (emptied first; its room is reused), which must
  /// outlive the assembler.
  explicit ReplyAssembler(std::string& buffer) : buffer_(buffer) { buffer_.clear(); }
  ReplyAssembler(const ReplyAssembler&) = delete;
  ReplyAssembler& operator=(const ReplyAssembler&) = delete;
  /// Takes one received character.
  void Take(char c) {
    if (!ack_seen_) {
      ack_seen_ = (c == kACK);  // anything before the ACK is discarded
      return;
    }
    if (c == kSTX) {
      buffer_.clear();
      buffer_.push_back(kSTX);
      discarding_ = false;
    } else if (c == kETX) {
      buffer_.push_back(kETX);
      etx_seen_ = true;
    } else if (!discarding_) {
      buffer_ += c;
      if (buffer_.size() > kMaxReplyLength) {  // a runaway line: drop it up to the next STX
        buffer_.clear();
        discarding_ = true;
      }
    }
  }
  /// Takes received characters up to and including an ETX; returns how
  /// many it took (the rest is left to the caller). The same as taking them
  /// one by one, with the runs between control characters appended whole.
  std::size_t Take(std::string_view chars) {
    const char* const begin = chars.data();
    const char* const end = begin + chars.size();
    const char* p = begin;
    while (p != end && !etx_seen_) {
      if (!ack_seen_ || discarding_) {
        Take(*p++);
        continue;
      }
      // A run of ordinary characters, at most up to the reply bound.
      const char* const limit =
          p + std::min<std::size_t>(end - p, kMaxReplyLength - buffer_.size());
      const char* q = p;
      for (;;) {  // STX and ETX lie below kETX + 1, as NUL and SOH, which are ordinary
        q += bytes::FindBelow({q, static_cast<std::size_t>(limit - q)}, kETX + 1);
        if (q == limit || *q == kSTX || *q == kETX) break;
        ++q;
      }
      if (q != p) buffer_.append(p, q);  // none when a control character comes first
      p = q;
      if (p != end) Take(*p++);  // a control character, or the one past the bound
    }
    return static_cast<std::size_t>(p - begin);
  }
  /// Forgets a completed reply that was not ours and receives again; the
  /// ACK stays seen.
  void Restart() {
    buffer_.clear();
    etx_seen_ = false;
    discarding_ = false;
  }
  [[nodiscard]] bool ack_seen() const { return ack_seen_; }
  [[nodiscard]] bool etx_seen() const { return etx_seen_; }
  [[nodiscard]] std::string& buffer() { return buffer_; }

 private:
  std::string own_;
  std::string& buffer_;
  bool ack_seen_ = false;
  bool etx_seen_ = false;
  bool discarding_ = false;
};

}  // namespace tavirel::link
