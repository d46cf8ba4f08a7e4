#pragma once
// One RFC 2217 connection, without the socket: it turns received bytes into
// line data and state (the COM-PORT-OPTION agreement, the line settings the
// server reports, Clear To Send, flow control) and queues what must be sent
// back. The port feeds it what the socket gives and sends what it queues.
// Not thread-safe; a new session for every connection.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "port/telnet_options.hpp"
#include "port/telnet_reader.hpp"
#include "tavirel/line_settings.hpp"

namespace tavirel::port {

class Rfc2217Session {
 public:
  enum class Agreement { Pending, Agreed, Refused };

  /// The text we give when the server asks for our signature.
  static constexpr std::string_view kSignature = "tavirel";

  /// Queues the offers that open the connection.
  void Start();

  /// Decodes received bytes: line data is appended to `data`; negotiation
  /// answers are queued.
  void Receive(std::string_view wire, std::string& data);

  /// Takes everything queued for sending (empty when nothing is).
  std::string TakeOutgoing();

  /// Line data ready for the wire: IAC doubled, and CR followed by NUL while
  /// we do not send in binary.
  [[nodiscard]] std::string EncodeData(std::string_view data) const;

  /// Queues the four line settings and forgets what the server reported
  /// before; SettingsAnswered is false until it has answered all four.
  void RequestLineSettings(const LineSettings& settings);
  /// Queues the request to be told of Clear To Send and its changes only.
  void RequestModemStateMask();

  /// Whether the server has taken COM-PORT-OPTION.
  [[nodiscard]] Agreement ComPort() const;
  [[nodiscard]] bool SettingsAnswered() const;
  /// What the server reports against what was asked: empty when they match
  /// (or the answers are not all in), else a text such as "baud rate 19200
  /// instead of 9600".
  [[nodiscard]] std::string SettingsDifference(const LineSettings& asked) const;
  /// Clear To Send from the last modem state; empty before the first.
  [[nodiscard]] std::optional<bool> Cts() const { return cts_; }
  /// True while the server has asked us to stop sending.
  [[nodiscard]] bool SendingSuspended() const { return suspended_; }

 private:
  void OnEvent(telnet::Event event, std::string& data);
  void OnData(std::uint8_t byte, std::string& data);
  void OnComPort(const std::string& payload);
  void QueueCommand(std::uint8_t command, std::string_view value);

  telnet::Reader reader_;
  telnet::Options options_;
  std::string outgoing_;
  bool after_cr_ = false;  // the last data byte was CR (for CR NUL outside binary)
  // Values the server reported for SET-BAUDRATE .. SET-STOPSIZE (index 1..4).
  std::optional<std::uint32_t> reported_[5];
  std::optional<bool> cts_;
  bool suspended_ = false;
};

}  // namespace tavirel::port
