#include "port/win_overlapped.hpp"

#include <algorithm>
#include <cstring>

namespace tavirel::port {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

DWORD WaitTime(milliseconds left) {
  return static_cast<DWORD>(std::clamp<milliseconds::rep>(left.count(), 0, INFINITE - 1));
}

// Cancels one pending operation and waits until the device let it go, so
// its buffer and OVERLAPPED may be reused or freed.
void CancelAndWait(HANDLE device, OVERLAPPED& overlapped) noexcept {
  ::CancelIoEx(device, &overlapped);
  DWORD count = 0;
  ::GetOverlappedResult(device, &overlapped, &count, TRUE);
}

[[noreturn]] void ThrowWriteTimedOut(const std::string& name, milliseconds budget) {
  throw SerialError("writing to serial port " + name + " timed out after " +
                        std::to_string(budget.count()) + " ms",
                    std::make_error_code(std::errc::timed_out));
}

}  // namespace

ComReader::ComReader() : event_(MakeEvent(true)) {}

bool ComReader::Finish(BOOL done, DWORD count, const std::string& name) {
  if (!done) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE || error == ERROR_IO_PENDING) return false;
    // A read whose span ran out: wine reports it as an error, with what it
    // read before (often nothing) in the count.
    if (error != ERROR_TIMEOUT) {
      pending_ = false;
      ThrowComError("cannot read from", name, error);
    }
  }
  pending_ = false;
  begin_ = 0;
  end_ = count;
  return true;
}

void ComReader::Start(HANDLE device, const std::string& name) {
  if (pending_ || !Empty()) return;
  begin_ = end_ = 0;
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_.Get();
  ::ResetEvent(event_.Get());
  pending_ = true;
  const BOOL done =
      ::ReadFile(device, data_.data(), static_cast<DWORD>(data_.size()), nullptr, &overlapped_);
  const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
  if (error == ERROR_IO_PENDING) return;
  if (done || error == ERROR_TIMEOUT) return Collect(device, name);  // finished at once
  pending_ = false;
  ThrowComError("cannot read from", name, error);
}

void ComReader::Collect(HANDLE device, const std::string& name) {
  if (!pending_) return;
  DWORD count = 0;
  const BOOL done = ::GetOverlappedResult(device, &overlapped_, &count, FALSE);
  Finish(done, count, name);
}

void ComReader::Cancel(HANDLE device) noexcept {
  if (pending_) CancelAndWait(device, overlapped_);
  pending_ = false;
  begin_ = end_ = 0;
}

RxWatcher::RxWatcher() : event_(MakeEvent(true)) {}

void RxWatcher::Arm(HANDLE device, const std::string& name) {
  if (pending_) return;
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_.Get();
  ::ResetEvent(event_.Get());
  mask_ = 0;
  if (::WaitCommEvent(device, &mask_, &overlapped_)) {
    ::SetEvent(event_.Get());  // fired at once: the waiter sees it and reads
    return;
  }
  const DWORD error = ::GetLastError();
  if (error != ERROR_IO_PENDING) ThrowComError("cannot watch for input on", name, error);
  pending_ = true;
}

void RxWatcher::Collect(HANDLE device, const std::string& name) {
  if (!pending_) return;
  DWORD unused = 0;
  if (::GetOverlappedResult(device, &overlapped_, &unused, FALSE)) {
    pending_ = false;
    return;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_IO_INCOMPLETE) return;
  pending_ = false;
  ThrowComError("cannot watch for input on", name, error);
}

void RxWatcher::Cancel(HANDLE device) noexcept {
  if (pending_) CancelAndWait(device, overlapped_);
  pending_ = false;
}

std::size_t ComReader::TakeInto(char* out, std::size_t size) {
  const std::size_t n = std::min(size, Held());
  std::memcpy(out, data_.data() + begin_, n);
  begin_ += n;
  return n;
}

void WriteAllOverlapped(HANDLE device, HANDLE event, std::string_view bytes, milliseconds budget,
                        const std::string& name) {
  const auto deadline = Clock::now() + budget;
  while (!bytes.empty()) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    ::ResetEvent(event);
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    if (!::WriteFile(device, bytes.data(), size, nullptr, &overlapped)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_IO_PENDING) ThrowComError("cannot write to", name, error);
    }
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    if (::WaitForSingleObject(event, WaitTime(left)) != WAIT_OBJECT_0) {
      CancelAndWait(device, overlapped);
      ThrowWriteTimedOut(name, budget);
    }
    DWORD written = 0;
    if (!::GetOverlappedResult(device, &overlapped, &written, FALSE))
      ThrowComError("cannot write to", name, ::GetLastError());
    // A device that takes nothing, again and again, is out of time too.
    if (written == 0 && Clock::now() >= deadline) ThrowWriteTimedOut(name, budget);
    bytes.remove_prefix(written);
  }
}

}  // namespace tavirel::port
