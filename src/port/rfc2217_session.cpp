// Decisions:
// - We ask for binary both ways and offer COM-PORT-OPTION; the line settings
//   and the modem-state mask are the only COM-PORT commands we send. A
//   request to change DTR or RTS is never sent: servers whose line has no
//   modem lines drop the connection over it.
// - The modem-state mask asks for CTS and its change only: nothing else of
//   the line is read by the driver.
// - A value the server reports that does not fit its command (a short or
//   long payload) is ignored, as is any command we do not use.
#include "port/rfc2217_session.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "port/telnet_codes.hpp"

namespace tavirel::port {
namespace {

namespace cp = telnet::comport;
using telnet::Options;

struct Code {
  std::uint8_t value;
  const char* name;
};
// Parity and stop size codes of COM-PORT-OPTION, with their names for messages.
constexpr std::array<std::pair<Parity, Code>, 5> kParityCodes = {{
    {Parity::None, {1, "none"}},
    {Parity::Odd, {2, "odd"}},
    {Parity::Even, {3, "even"}},
    {Parity::Mark, {4, "mark"}},
    {Parity::Space, {5, "space"}},
}};
constexpr std::array<std::pair<StopBits, Code>, 3> kStopCodes = {{
    {StopBits::One, {1, "1"}},
    {StopBits::Two, {2, "2"}},
    {StopBits::OneAndHalf, {3, "1.5"}},
}};

template <typename Table, typename Key>
Code Lookup(const Table& table, Key key) {
  for (const auto& [k, code] : table)
    if (k == key) return code;
  return {0, "?"};
}

template <typename Table>
std::string NameOf(const Table& table, std::uint32_t value) {
  for (const auto& entry : table)
    if (entry.second.value == value) return entry.second.name;
  return "code " + std::to_string(value);
}

std::string BigEndian32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::uint32_t ReadBigEndian(std::string_view bytes) {
  std::uint32_t v = 0;
  for (char c : bytes) v = (v << 8) | static_cast<std::uint8_t>(c);
  return v;
}

// The reported value of a settings answer, when the payload has its size.
std::optional<std::uint32_t> SettingValue(std::uint8_t command, std::string_view value) {
  const std::size_t size = command == cp::kSetBaudRate ? 4 : 1;
  if (value.size() != size) return std::nullopt;
  return ReadBigEndian(value);
}

}  // namespace

void Rfc2217Session::Start() { outgoing_ += options_.Start(); }

std::string Rfc2217Session::TakeOutgoing() { return std::exchange(outgoing_, {}); }

void Rfc2217Session::Receive(std::string_view wire, std::string& data) {
  for (char c : wire) OnEvent(reader_.Feed(static_cast<std::uint8_t>(c)), data);
}

void Rfc2217Session::OnEvent(telnet::Event event, std::string& data) {
  using Kind = telnet::Event::Kind;
  switch (event.kind) {
    case Kind::Data: OnData(event.byte, data); break;
    case Kind::Negotiation: outgoing_ += options_.Receive(event.verb, event.option); break;
    case Kind::Subnegotiation:
      if (event.option == telnet::kComPort && options_.Local(telnet::kComPort) == Options::Q::Yes)
        OnComPort(event.payload);
      break;
    case Kind::Command:
    case Kind::None: break;
  }
}

void Rfc2217Session::OnData(std::uint8_t byte, std::string& data) {
  const bool binary = options_.Remote(telnet::kBinary) == Options::Q::Yes;
  // Outside binary a CR travels as CR NUL; the NUL is not data.
  const bool stuffing = !binary && after_cr_ && byte == 0;
  after_cr_ = byte == '\r';
  if (!stuffing) data.push_back(static_cast<char>(byte));
}

void Rfc2217Session::OnComPort(const std::string& payload) {
  if (payload.empty()) return;
  const auto code = static_cast<std::uint8_t>(payload[0]);
  const std::string_view value = std::string_view(payload).substr(1);
  if (code < cp::kServerOffset) return;  // only the server's codes come this way
  const std::uint8_t command = code - cp::kServerOffset;
  if (command >= cp::kSetBaudRate && command <= cp::kSetStopSize) {
    if (auto v = SettingValue(command, value)) reported_[command] = v;
  } else if (command == cp::kNotifyModemState && value.size() == 1) {
    cts_ = (static_cast<std::uint8_t>(value[0]) & cp::kCts) != 0;
  } else if (command == cp::kFlowControlSuspend) {
    suspended_ = true;
  } else if (command == cp::kFlowControlResume) {
    suspended_ = false;
  } else if (command == cp::kSignature && value.empty()) {
    QueueCommand(cp::kSignature, kSignature);
  }
}

void Rfc2217Session::QueueCommand(std::uint8_t command, std::string_view value) {
  using namespace telnet;
  outgoing_ += {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kComPort),
                static_cast<char>(command)};
  outgoing_ += EscapeIac(value);
  outgoing_ += {static_cast<char>(kIac), static_cast<char>(kSe)};
}

void Rfc2217Session::RequestLineSettings(const LineSettings& s) {
  for (auto& r : reported_) r.reset();
  QueueCommand(cp::kSetBaudRate, BigEndian32(static_cast<std::uint32_t>(s.baud)));
  QueueCommand(cp::kSetDataSize, std::string(1, static_cast<char>(s.data_bits)));
  QueueCommand(cp::kSetParity,
               std::string(1, static_cast<char>(Lookup(kParityCodes, s.parity).value)));
  QueueCommand(cp::kSetStopSize,
               std::string(1, static_cast<char>(Lookup(kStopCodes, s.stop_bits).value)));
}

void Rfc2217Session::RequestModemStateMask() {
  QueueCommand(cp::kSetModemStateMask, std::string(1, static_cast<char>(cp::kCts | cp::kDeltaCts)));
}

Rfc2217Session::Agreement Rfc2217Session::ComPort() const {
  switch (options_.Local(telnet::kComPort)) {
    case Options::Q::Yes: return Agreement::Agreed;
    case Options::Q::WantYes: return Agreement::Pending;
    default: return Agreement::Refused;
  }
}

bool Rfc2217Session::SettingsAnswered() const {
  return std::all_of(reported_ + cp::kSetBaudRate, reported_ + cp::kSetStopSize + 1,
                     [](const auto& r) { return r.has_value(); });
}

std::string Rfc2217Session::SettingsDifference(const LineSettings& asked) const {
  if (!SettingsAnswered()) return {};
  std::string diff;
  const auto note = [&diff](const std::string& what, const std::string& got,
                            const std::string& want) {
    if (got == want) return;
    diff += (diff.empty() ? "" : ", ") + what + " " + got + " instead of " + want;
  };
  note("baud rate", std::to_string(*reported_[cp::kSetBaudRate]), std::to_string(asked.baud));
  note("data bits", std::to_string(*reported_[cp::kSetDataSize]), std::to_string(asked.data_bits));
  note("parity", NameOf(kParityCodes, *reported_[cp::kSetParity]),
       Lookup(kParityCodes, asked.parity).name);
  note("stop bits", NameOf(kStopCodes, *reported_[cp::kSetStopSize]),
       Lookup(kStopCodes, asked.stop_bits).name);
  return diff;
}

std::string Rfc2217Session::EncodeData(std::string_view data) const {
  std::string out = telnet::EscapeIac(data);
  if (options_.Local(telnet::kBinary) == Options::Q::Yes) return out;
  std::string stuffed;
  stuffed.reserve(out.size());
  for (char c : out) {
    stuffed.push_back(c);
    if (c == '\r') stuffed.push_back('\0');
  }
  return stuffed;
}

}  // namespace tavirel::port
