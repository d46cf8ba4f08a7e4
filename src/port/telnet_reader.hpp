#pragma once
// The receive side of a Telnet stream, one byte at a time: data bytes (a
// doubled IAC is one 0xFF), option negotiations, subnegotiations and other
// commands. Holds only the parse state between bytes, so a stream may be
// cut anywhere. Not thread-safe; one reader per connection.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel::port::telnet {

struct Event {
  enum class Kind { None, Data, Negotiation, Subnegotiation, Command };
  Kind kind = Kind::None;
  std::uint8_t byte = 0;    // Data: the byte; Command: the command code
  std::uint8_t verb = 0;    // Negotiation: WILL, WONT, DO or DONT
  std::uint8_t option = 0;  // Negotiation and Subnegotiation
  std::string payload;      // Subnegotiation: the bytes between option and IAC SE, unescaped
};

class Reader {
 public:
  /// A subnegotiation longer than this is dropped whole: no option we take
  /// part in needs more, and a peer must not make us hold an endless one.
  static constexpr std::size_t kMaxSubnegotiation = 256;

  /// Takes the next byte; returns what it completes (Kind::None when it only
  /// moves the parse on).
  Event Feed(std::uint8_t byte);

  /// True between a subnegotiation's start and its end.
  [[nodiscard]] bool InSubnegotiation() const;

 private:
  enum class State { Data, Iac, Option, SbOption, SbData, SbIac };
  Event AfterIac(std::uint8_t byte);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::uint8_t sb_option_ = 0;
  std::string sb_payload_;
  bool sb_overlong_ = false;
};

/// Doubles every IAC, so `data` crosses a Telnet connection unchanged.
std::string EscapeIac(std::string_view data);

}  // namespace tavirel::port::telnet
