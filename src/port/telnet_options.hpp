#pragma once
// Telnet option negotiation for one connection: which options each side has
// in effect, and the answers a peer's WILL/WONT/DO/DONT call for. Each side
// of each option keeps one of four states (no, yes, asked for yes, asked for
// no), so an answer is sent only when the state changes and two peers never
// loop on acknowledgements. Not thread-safe; one per connection.
#include <array>
#include <cstdint>
#include <string>

namespace tavirel::port::telnet {

/// What we do about one option. An option without a policy is refused on
/// both sides.
struct OptionPolicy {
  std::uint8_t option;
  bool ask_local;      // we offer it (WILL) when the connection starts
  bool ask_remote;     // we ask the peer for it (DO) when the connection starts
  bool accept_local;   // we agree when the peer asks us (DO)
  bool accept_remote;  // we agree when the peer offers (WILL)
};

class Options {
 public:
  enum class Q : std::uint8_t { No, Yes, WantYes, WantNo };

  /// The options of the network port: binary both ways (frames hold bytes
  /// above 127), suppress-go-ahead accepted, COM-PORT-OPTION offered by us.
  /// Everything else, echo above all, is refused.
  static const std::array<OptionPolicy, 3>& Policies();

  /// The offers and requests of the start of a connection.
  std::string Start();

  /// Handles a peer's WILL, WONT, DO or DONT; returns the answer to send
  /// (empty when none is due).
  std::string Receive(std::uint8_t verb, std::uint8_t option);

  /// The state of our side (local) or the peer's side (remote) of `option`.
  [[nodiscard]] Q Local(std::uint8_t option) const { return local_[option]; }
  [[nodiscard]] Q Remote(std::uint8_t option) const { return remote_[option]; }

 private:
  std::array<Q, 256> local_{};
  std::array<Q, 256> remote_{};
};

}  // namespace tavirel::port::telnet
