#pragma once
// The currency mode as the programs' options and configuration write it:
// "euro" or "lire" (and, for the command line, any number, which the control
// stores and refuses to encode amounts in).
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavirel::support {

/// TVL_EUROSETTINGS_EURO for "euro", TVL_EUROSETTINGS_LIRE for "lire", the
/// number for a whole number when `numbers` is true; empty otherwise.
std::optional<std::int32_t> ParseCurrencyMode(std::string_view text, bool numbers);

/// "euro", "lire", or the number.
std::string CurrencyModeName(std::int32_t mode);

}  // namespace tavirel::support
