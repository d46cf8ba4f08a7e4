// Decisions:
// - Received bytes wait in a buffer of the port, at most 64 KiB; beyond
//   that the socket is not read and TCP holds the server back.
// - One look at the socket reads at most 64 KiB of the wire, whether or not
//   any of it is data: a server that sends Telnet commands without end
//   (endless NOPs, a subnegotiation that never ends) cannot keep a wait
//   from looking at its limit or at a cancel.
// - A lost connection closes the socket at once but is reported only when
//   the bytes received before it have been taken, as on a local line: the
//   end of a reply that came just before the hang-up is not thrown away.
// - A write that cannot finish in time leaves part of a frame on the line
//   and a server that does not read: the connection is dropped.
#include "port/tcp_serial_port.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "port/quoted.hpp"
#include "port/receive_time.hpp"
#include "port/rfc2217_session.hpp"
#include "port/tcp_socket.hpp"
#include "port/tcp_wake_pipe.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/line_settings.hpp"

namespace tavirel::port {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::size_t kMaxBuffered = 64 * 1024;
constexpr std::size_t kChunk = 4096;

std::string LossReason(int error) {
  return error == 0 ? "the device server closed the connection"
                    : "the connection failed: " + SocketErrorText(error);
}

}  // namespace

struct NetworkSerialPort::State {
  NetworkAddress address;
  NetworkPortOptions options;
  WakePipe wake;
  Socket sock;
  std::unique_ptr<Rfc2217Session> session;  // while connected with RFC 2217
  std::string received;
  std::size_t taken = 0;
  std::string lost;  // why the connection went, until reported
  std::string settings_text = "9600,n,8,1";
  LineSettings settings;
  std::int16_t port = 1;
  int low_water = 1;  // the socket's SO_RCVLOWAT

  [[nodiscard]] const std::string& Name() const { return address.name; }
  [[nodiscard]] bool Rfc() const { return address.protocol == NetworkAddress::Protocol::Rfc2217; }
  [[nodiscard]] bool Connected() const { return sock.Valid(); }
  [[nodiscard]] std::size_t Buffered() const { return received.size() - taken; }

  char Take() {
    const char c = received[taken++];
    if (taken == received.size()) {
      received.clear();
      taken = 0;
    }
    return c;
  }

  void Close() {
    sock.Reset();
    session.reset();
    received.clear();
    taken = 0;
    lost.clear();
    low_water = 1;  // a new socket starts at one byte
  }

  // Waits that end at the first byte set it back; only a change costs a call.
  void LowWater(int bytes) {
    if (bytes == low_water || !Connected()) return;
    SetReceiveLowWater(sock.Get(), bytes);
    low_water = bytes;
  }

  // One wait on the socket and the wake-up pipe, and what it brought.
  void WaitOnce(milliseconds wait) {
    switch (WaitReadable(sock.Get(), wake.ReadFd(), wait, Name())) {
      case Wakeup::Woken: wake.Drain(); return;
      case Wakeup::Timeout: return;
      case Wakeup::Readable:
        ReadAll();
        if (Buffered() == 0) RequireConnection();
        return;
    }
  }

  void MarkLost(const std::string& why) {
    sock.Reset();
    session.reset();
    lost = "network port " + Name() + " hung up: " + why;
  }

  [[noreturn]] void ReportLoss() {
    const std::string message = lost;
    Close();
    throw SerialError(message);
  }

  // Throws when there is no connection: the loss when one is pending.
  void RequireConnection() {
    if (Connected()) return;
    if (!lost.empty()) ReportLoss();
    throw SerialError("network port " + Name() + " is not open");
  }

  // Sends what the session queued; a failure is a loss, reported later.
  void SendQueued() {
    if (!session || !Connected()) return;
    const std::string out = session->TakeOutgoing();
    if (out.empty()) return;
    int error = 0;
    const auto deadline = SteadyClock::now() + options.write_timeout;
    switch (WriteTcp(sock.Get(), out, deadline, error)) {
      case WriteResult::Done: return;
      case WriteResult::Lost: MarkLost(LossReason(error)); return;
      case WriteResult::TimedOut: MarkLost("the device server stopped reading"); return;
    }
  }

  // Reads one chunk; false when nothing came (or the connection went).
  bool ReadChunk() {
    if (!Connected() || Buffered() >= kMaxBuffered) return false;
    char chunk[kChunk];
    const ReadResult r = ReadTcp(sock.Get(), chunk, sizeof chunk, Name());
    if (r.lost) {
      MarkLost(LossReason(r.error));
      return false;
    }
    if (r.size == 0) return false;
    if (session) {
      session->Receive(std::string_view(chunk, r.size), received);
      SendQueued();
    } else {
      received.append(chunk, r.size);
    }
    return true;
  }

  void ReadAll() {
    for (std::size_t chunks = 0; chunks < kMaxBuffered / kChunk && ReadChunk(); ++chunks) {
    }
  }

  // Reads and waits until `done` holds; false when `deadline` passed first.
  // A lost connection is reported before `done` is asked (the session goes
  // with the connection); an Interrupt ends the wait as a cancel.
  bool PumpUntil(const std::function<bool()>& done, SteadyClock::time_point deadline) {
    for (;;) {
      ReadAll();
      if (!Connected()) RequireConnection();
      if (done()) return true;
      const auto left = std::chrono::ceil<milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) return false;
      LowWater(1);
      if (WaitReadable(sock.Get(), wake.ReadFd(), left, Name()) == Wakeup::Woken) {
        wake.Drain();
        throw CancelledError("network port " + Name() + ": the wait was cancelled", false);
      }
    }
  }

  void Write(std::string_view wire, SteadyClock::time_point deadline) {
    int error = 0;
    switch (WriteTcp(sock.Get(), wire, deadline, error)) {
      case WriteResult::Done: return;
      case WriteResult::Lost: MarkLost(LossReason(error)); ReportLoss();
      case WriteResult::TimedOut:
        Close();
        throw SerialError("writing to network port " + Name() + " timed out after " +
                          std::to_string(options.write_timeout.count()) +
                          " ms; the connection was dropped");
    }
  }

  void ConfirmSettings(const LineSettings& asked, const std::string& text) {
    const auto deadline = SteadyClock::now() + options.negotiation_timeout;
    session->RequestLineSettings(asked);
    SendQueued();
    if (!PumpUntil([this] { return session->SettingsAnswered(); }, deadline)) {
      throw SerialError("network port " + Name() +
                        ": the server did not confirm the line settings " + Quoted(text) +
                        " within " + std::to_string(options.negotiation_timeout.count()) + " ms");
    }
    const std::string difference = session->SettingsDifference(asked);
    if (!difference.empty()) {
      throw SettingsError("line settings " + Quoted(text) + " refused by network port " + Name() +
                          ": the server set " + difference);
    }
  }

  void Negotiate() {
    session = std::make_unique<Rfc2217Session>();
    session->Start();
    SendQueued();
    const auto deadline = SteadyClock::now() + options.negotiation_timeout;
    using Agreement = Rfc2217Session::Agreement;
    if (!PumpUntil([this] { return session->ComPort() != Agreement::Pending; }, deadline)) {
      throw SerialError("network port " + Name() +
                        ": no Telnet COM-port (RFC 2217) answer within " +
                        std::to_string(options.negotiation_timeout.count()) +
                        " ms; for a raw TCP port use tcp://");
    }
    if (session->ComPort() == Agreement::Refused) {
      throw SerialError("network port " + Name() +
                        ": the server refuses the Telnet COM-port option (RFC 2217); for a raw "
                        "TCP port use tcp://");
    }
    if (address.follow_cts) session->RequestModemStateMask();
    ConfirmSettings(settings, settings_text);
  }

  void Connect() {
    Close();
    wake.Drain();  // an Interrupt meant for an earlier wait
    sock = ConnectTcp(address.endpoint, options.connect_timeout, Name());
    if (!Rfc()) return;
    try {
      Negotiate();
    } catch (...) {
      Close();
      throw;
    }
  }
};

NetworkSerialPort::NetworkSerialPort(NetworkAddress address, NetworkPortOptions options)
    : state_(std::make_unique<State>()) {
  state_->address = std::move(address);
  state_->options = options;
}

NetworkSerialPort::~NetworkSerialPort() = default;

void NetworkSerialPort::PortOpen(bool open) {
  State& s = *state_;
  if (!open) {
    s.Close();
    return;
  }
  if (!s.Connected()) s.Connect();
}

bool NetworkSerialPort::PortOpen() const { return state_->Connected() || !state_->lost.empty(); }

bool NetworkSerialPort::CTSHolding() {
  State& s = *state_;
  // Reading first takes in the latest modem state and finds a lost connection
  // before the driver writes into it.
  s.ReadAll();
  if (!s.Connected()) {
    if (!s.lost.empty()) s.ReportLoss();
    return false;
  }
  if (!s.session || !s.address.follow_cts) return true;
  return s.session->Cts().value_or(true);
}

int NetworkSerialPort::InBufferCount() {
  State& s = *state_;
  s.ReadAll();
  if (s.Buffered() > 0) return static_cast<int>(s.Buffered());
  s.RequireConnection();
  return 0;
}

std::string NetworkSerialPort::Input() {
  State& s = *state_;
  if (s.Buffered() == 0) s.ReadChunk();
  if (s.Buffered() > 0) return std::string(1, s.Take());
  s.RequireConnection();
  return {};
}

std::size_t NetworkSerialPort::TakeInput(char* data, std::size_t size) {
  State& s = *state_;
  if (s.Buffered() == 0) s.ReadChunk();
  const std::size_t n = std::min(size, s.Buffered());
  if (n == 0) {
    s.RequireConnection();
    return 0;
  }
  std::memcpy(data, s.received.data() + s.taken, n);
  s.taken += n;
  if (s.taken == s.received.size()) {
    s.received.clear();
    s.taken = 0;
  }
  return n;
}

void NetworkSerialPort::Output(std::string_view bytes) {
  State& s = *state_;
  s.ReadAll();  // a connection the server closed is found here, not after the write
  if (!s.Connected() && !s.lost.empty()) s.ReportLoss();
  s.RequireConnection();
  const auto deadline = SteadyClock::now() + s.options.write_timeout;
  if (!s.session) return s.Write(bytes, deadline);
  if (!s.PumpUntil([&s] { return !s.session->SendingSuspended(); }, deadline)) {
    s.Close();
    throw SerialError("network port " + s.Name() + ": the server held sending off for " +
                      std::to_string(s.options.write_timeout.count()) +
                      " ms; the connection was dropped");
  }
  s.Write(s.session->EncodeData(bytes), deadline);
}

void NetworkSerialPort::WaitForInput(std::chrono::milliseconds slice) {
  State& s = *state_;
  if (s.Buffered() > 0) return;
  s.RequireConnection();
  s.LowWater(1);
  s.WaitOnce(slice);
}

void NetworkSerialPort::WaitForBytes(std::chrono::milliseconds slice, std::size_t count) {
  if (count <= 1) return WaitForInput(slice);
  State& s = *state_;
  if (s.Buffered() > 0) return;  // taken first, as by WaitForInput
  s.RequireConnection();
  // Telnet's escapes only add bytes on the wire, so the data is all there
  // by the time the socket holds `count`.
  s.LowWater(static_cast<int>(std::min<std::size_t>(count, kChunk)));
  s.WaitOnce(std::min(slice, ReceiveTime(s.settings, count)));
}

void NetworkSerialPort::Interrupt() noexcept { state_->wake.Signal(); }

std::string NetworkSerialPort::Settings() const { return state_->settings_text; }

void NetworkSerialPort::Settings(const std::string& text) {
  State& s = *state_;
  const LineSettings parsed = LineSettings::Parse(text);
  if (s.session && s.Connected()) {
    try {
      s.ConfirmSettings(parsed, text);
    } catch (const SettingsError&) {
      // Put back what the line had, so a refused change leaves it as it was.
      s.ConfirmSettings(s.settings, s.settings_text);
      throw;
    }
  }
  s.settings = parsed;
  s.settings_text = text;
}

std::int16_t NetworkSerialPort::CommPort() const { return state_->port; }

void NetworkSerialPort::CommPort(std::int16_t port) {
  State& s = *state_;
  // The name fixes the port; the number is kept for the host's settings only.
  if (port == s.port) return;
  if (s.Connected())
    throw SerialError("cannot change the port number to " + std::to_string(port) +
                      " while network port " + s.Name() + " is open");
  s.port = port;
}

}  // namespace tavirel::port
