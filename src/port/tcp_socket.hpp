#pragma once
// A TCP connection to a device server: connecting within a time limit,
// non-blocking reads, writes bounded in time, and waits that a wake-up pipe
// can cut short. A lost connection is a result here, not an exception, so
// the port can close itself before it reports it.
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "port/socket_handle.hpp"
#include "port/tcp_endpoint.hpp"

namespace tavirel::port {

/// Connects to `endpoint` (each address the host name has, in turn) within
/// `timeout` in all. The socket is non-blocking, sends small writes at once
/// (no Nagle delay) and probes an idle peer, so a device server that
/// vanished without closing is found. Throws SerialError naming `name` when
/// the name does not resolve, every address refuses, or the time runs out.
Socket ConnectTcp(const Endpoint& endpoint, std::chrono::milliseconds timeout,
                  const std::string& name);

struct ReadResult {
  std::size_t size = 0;  // bytes read; 0 when nothing waits or the connection is gone
  bool lost = false;     // the peer closed or the connection failed
  int error = 0;         // the system error of a failed connection; 0 after an orderly close
};

/// Reads what is there, at most `size` bytes, without waiting. Throws
/// SerialError only for faults of the caller's own (a bad descriptor).
ReadResult ReadTcp(NativeSocket fd, char* data, std::size_t size, const std::string& name);

enum class WriteResult { Done, Lost, TimedOut };

/// Writes every byte before `deadline`, waiting for room as needed. Never
/// raises SIGPIPE.
WriteResult WriteTcp(NativeSocket fd, std::string_view bytes,
                     std::chrono::steady_clock::time_point deadline, int& error);

/// Makes a wait for input on `fd` end only once `bytes` have come (or the
/// connection ended): SO_RCVLOWAT, best effort.
void SetReceiveLowWater(NativeSocket fd, int bytes);

enum class Wakeup { Timeout, Readable, Woken };

/// Waits at most `wait` for `fd` to be readable (or closed: a read then
/// tells) or, when `wake_fd` is not kNoSocket, for it to be readable.
Wakeup WaitReadable(NativeSocket fd, NativeSocket wake_fd, std::chrono::milliseconds wait,
                    const std::string& name);

}  // namespace tavirel::port
