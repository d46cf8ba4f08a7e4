#pragma once
// The text of the port box: when it counts as a number and how it becomes
// the control's 16-bit COMPort.
#include <cstdint>
#include <string_view>

#include "tavirel/errors.hpp"

namespace tavirel::qt {

/// A numeric port text that is no 16-bit whole number ("70000", "1.5").
class PortNumberError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

/// True for a plain decimal number: blanks around it, an optional sign,
/// digits with at most one decimal point ("12", " -3 ", "2.0", ".5").
/// Empty text, letters and anything else are not numeric.
bool IsNumericPortText(std::string_view text);

/// The port number of a numeric text. Throws PortNumberError quoting the
/// text when it has a fraction or lies outside -32768..32767.
std::int16_t PortNumberFromText(std::string_view text);

}  // namespace tavirel::qt
