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

/// Writes every byte, waiting for room when the terminal's buffer is full,
/// for at most `budget` in all. Throws SerialError on hang-up, I/O error or
/// when the budget runs out.
void WriteAll(int fd, std::string_view bytes, std::chrono::milliseconds budget,
              const std::string& device);

enum class Readiness { Timeout, Readable, HungUp, Interrupted };

/// Waits at most `slice` for input on `fd`, or for `wake_fd` (an eventfd;
/// -1 for none) to be signalled, which it then resets: Interrupted. HungUp
/// when the device reports a hang-up or an error condition (input received
/// before it may still wait).
Readiness PollReadable(int fd, int wake_fd, std::chrono::milliseconds slice,
                       const std::string& device);

/// A non-blocking eventfd for waking PollReadable. Throws SerialError.
int MakeWakeFd();

/// Signals `wake_fd`: one write(2), so it may run in a signal handler; errno
/// is kept as it was.
void SignalWakeFd(int wake_fd) noexcept;

/// Clear To Send on the modem lines; true on a device without modem lines
/// (a pseudo-terminal). Throws SerialError on hang-up or failure.
bool CtsAsserted(int fd, const std::string& device);

}  // namespace tavirel::port
