#pragma once
// Overlapped reads and writes on an open communications device. A read is
// issued and left pending while nothing waits, so the port can wait for it
// together with its wake-up event; what it brings is held here and handed
// out in order.
#include <windows.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "port/win_comm.hpp"

namespace tavirel::port {

class ComReader {
 public:
  /// Throws SerialError when its event cannot be made.
  ComReader();
  ~ComReader() = default;
  ComReader(const ComReader&) = delete;
  ComReader& operator=(const ComReader&) = delete;

  /// Issues a read when none is pending and nothing is held. A read that
  /// finishes at once is taken in. Throws as ThrowComError does.
  void Start(HANDLE device, const std::string& name);
  /// Takes in a pending read that has finished; returns at once either way.
  /// A read that ended empty (its span ran out) is done with: the next Start
  /// issues another. Throws as ThrowComError does.
  void Collect(HANDLE device, const std::string& name);
  /// Cancels a pending read and waits for it to end (before the device
  /// closes or the buffer goes); drops what is held.
  void Cancel(HANDLE device) noexcept;

  /// Signalled when the pending read finishes.
  [[nodiscard]] HANDLE Event() const { return event_.Get(); }
  [[nodiscard]] bool Pending() const { return pending_; }
  /// True when the last read finished at once with nothing: the device
  /// returns what waits without waiting (Windows); wine keeps it pending
  /// until a byte comes instead.
  [[nodiscard]] bool FoundNothing() const { return !pending_ && Empty(); }

  [[nodiscard]] std::size_t Held() const { return end_ - begin_; }
  [[nodiscard]] bool Empty() const { return begin_ == end_; }
  char Take() { return data_[begin_++]; }
  std::size_t TakeInto(char* out, std::size_t size);

 private:
  // Ends a read that GetOverlappedResult reported; false while pending.
  bool Finish(BOOL done, DWORD count, const std::string& name);

  UniqueHandle event_;
  OVERLAPPED overlapped_{};
  std::array<char, 4096> data_{};
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool pending_ = false;
};

/// The arrival of a character (WaitCommEvent, EV_RXCHAR), for a device whose
/// reads do not wait: armed once, it stays pending across waits until a
/// character comes or the device closes.
class RxWatcher {
 public:
  /// Throws SerialError when its event cannot be made.
  RxWatcher();
  /// Arms the watch unless it is pending. Throws as ThrowComError does.
  void Arm(HANDLE device, const std::string& name);
  /// Ends a watch that fired. Throws as ThrowComError does.
  void Collect(HANDLE device, const std::string& name);
  /// Cancels a pending watch and waits for it to end.
  void Cancel(HANDLE device) noexcept;
  [[nodiscard]] HANDLE Event() const { return event_.Get(); }

 private:
  UniqueHandle event_;
  OVERLAPPED overlapped_{};
  DWORD mask_ = 0;
  bool pending_ = false;
};

/// Writes every byte, for at most `budget` in all, waiting on `event` (a
/// manual-reset event of the port's). A write that does not finish in time
/// is cancelled: SerialError with std::errc::timed_out. Other failures
/// throw as ThrowComError does.
void WriteAllOverlapped(HANDLE device, HANDLE event, std::string_view bytes,
                        std::chrono::milliseconds budget, const std::string& name);

}  // namespace tavirel::port
