#pragma once
// One string names a port everywhere (command line, studio, service, tests):
//   /dev/ttyUSB0, /dev/pts/4, ...     a local terminal device
//   tcp://HOST:PORT                   a raw TCP port of a device server
//   rfc2217://HOST:PORT[?cts=ignore]  a Telnet COM-port (RFC 2217) port
// HOST is a name, an IPv4 address or an IPv6 address in brackets.
#include <chrono>
#include <memory>
#include <string_view>

#include "tavirel/export.hpp"
#include "tavirel/serial_port.hpp"

namespace tavirel {

/// Time limits of the network ports. Every wait of a network port is
/// bounded by one of these or by the caller's own slice.
struct TAVIREL_API NetworkPortOptions {
  /// Resolving and connecting, in PortOpen.
  std::chrono::milliseconds connect_timeout{3000};
  /// The Telnet answers of an RFC 2217 server after connecting or after a
  /// change of Settings: agreeing to the COM-port option and confirming the
  /// four line settings.
  std::chrono::milliseconds negotiation_timeout{3000};
  /// Handing one Output to the connection (and, on RFC 2217, waiting for a
  /// server that asked us to stop sending). A write that does not finish in
  /// time drops the connection.
  std::chrono::milliseconds write_timeout{3000};
};

/// Makes the port `name` names, closed. Thread-safety: the function is
/// reentrant; the port it returns is used from one thread at a time, except
/// Interrupt (any thread, or a signal handler).
///
/// A device path gives the POSIX terminal port. `tcp://` gives a port that
/// carries bytes as they are: the device server's own configuration decides
/// the line settings, and there are no modem lines (Clear To Send counts as
/// asserted, as on a pseudo-terminal). `rfc2217://` negotiates Telnet binary
/// mode and the COM-port option, sends the line settings of Settings (at
/// PortOpen and at every change while open, refused with SettingsError when
/// the server sets other values) and follows Clear To Send from the server's
/// modem-state notifications (asserted until the first one arrives). With
/// `?cts=ignore` the modem state is neither asked for nor followed: for a
/// server whose line has no CTS wired, which reports it low for ever.
///
/// On a network port a connection that is lost (closed by the server,
/// reset, or silent past the keep-alive probes) is a SerialError naming the
/// port at the next call that needs the line, once the bytes received
/// before it have been taken; the port is closed then, and the next
/// PortOpen(true) connects again.
///
/// Throws SettingsError quoting `name` when it is empty, of an unknown kind
/// ("ftp://..."), or a malformed network address. Connection failures are
/// SerialErrors raised by PortOpen, naming the port.
TAVIREL_API std::unique_ptr<SerialPort> MakePort(std::string_view name,
                                                 const NetworkPortOptions& options = {});

}  // namespace tavirel
