#pragma once
// Line parameters parsed once from the text "baud,parity,data,stop".
#include <string>
#include <string_view>

#include "tavirel/export.hpp"

namespace tavirel {

/// The parity bit; the value is the letter of the settings text.
enum class Parity : char { None = 'n', Even = 'e', Odd = 'o', Mark = 'm', Space = 's' };
/// Stop bits: 1, 1.5 or 2.
enum class StopBits { One, OneAndHalf, Two };

/// A plain value: copy and share it freely.
struct TAVIREL_API LineSettings {
  int baud = 9600;                     ///< bits per second, a standard rate
  Parity parity = Parity::None;        ///< parity bit
  int data_bits = 8;                   ///< 5 to 8
  StopBits stop_bits = StopBits::One;  ///< stop bits

  /// Parses "9600,n,8,1": a standard rate (110 ... 4000000), parity n/e/o/m/s
  /// in either case, data bits 5-8, stop bits 1, 1.5 or 2. Throws
  /// SettingsError quoting the text when it is malformed or unsupported.
  static LineSettings Parse(std::string_view text);
  /// Canonical text, lower-case parity: "9600,n,8,1".
  [[nodiscard]] std::string ToString() const;
  /// Bits on the wire per character: start + data + parity + stop.
  [[nodiscard]] double BitsPerCharacter() const;

  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

}  // namespace tavirel
