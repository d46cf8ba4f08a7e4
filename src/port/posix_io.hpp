#pragma once
// Non-blocking reads, bounded writes and short waits on an open terminal.
// Every hang-up surfaces as a SerialError naming the device, never as an
// endless wait or a spin.
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace tavirel::port {

/// Reads what is there, at most `size` bytes; 0 when nothing waits. Throws
/// SerialError when the device hung up (read gives 0 or EIO) or fails.
std::size_t ReadAvailable(int fd, char* data, std::size_t size, const std::string& device);

/// Bytes the terminal holds that have not been read yet (FIONREAD); 0 when
/// the device cannot tell, as after a hang-up: the next read reports that,
/// after what was already read has been handed out.
int BytesQueued(int fd);

/// Bytes the terminal holds that have not been read yet, asked without
/// reading (cheaper than an empty read, which also flushes the terminal's
/// pending input work). Throws SerialError when the device hung up or fails.
int BytesWaiting(int fd, const std::string& device);

/// Writes every byte, waiting for room when the terminal's buffer is full,
/// for at most `budget` in all. Throws SerialError on hang-up, I/O error or
/// when the budget runs out.
void WriteAll(int fd, std::string_view bytes, std::chrono::milliseconds budget,
              const std::string& device);

enum class Readiness { Timeout, Readable, HungUp, Interrupted };

/// What a wait set watches the device for.
enum class Watch {
  Input,    // input, a hang-up or an error
  HangUps,  // a hang-up or an error only: input arriving wakes nobody
};

/// An epoll set watching `fd` as `watch` says and `wake_fd` (an eventfd) for
/// a wake-up: made once per open, so each wait registers nothing. Throws
/// SerialError.
int MakeWaitSet(int fd, int wake_fd, const std::string& device, Watch watch = Watch::Input);

/// Waits at most `slice` on a wait set for input, or for `wake_fd` to be
/// signalled, which it then resets: Interrupted. HungUp when the device
/// reports a hang-up or an error condition (input received before it may
/// still wait).
Readiness WaitOnSet(int wait_set, int wake_fd, std::chrono::milliseconds slice,
                    const std::string& device);

/// A non-blocking eventfd for waking WaitOnSet. Throws SerialError.
int MakeWakeFd();

/// Signals `wake_fd`: one write(2), so it may run in a signal handler; errno
/// is kept as it was.
void SignalWakeFd(int wake_fd) noexcept;

/// Clear To Send on the modem lines; true on a device without modem lines
/// (a pseudo-terminal), and `modem_lines` then becomes false so the caller
/// need not ask again. Throws SerialError on hang-up or failure.
bool CtsAsserted(int fd, const std::string& device, bool& modem_lines);

}  // namespace tavirel::port
