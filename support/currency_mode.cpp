#include "tavirel/support/currency_mode.hpp"

#include <charconv>
#include <string>

#include "tavirel/result_codes.hpp"

namespace tavirel::support {

std::optional<std::int32_t> ParseCurrencyMode(std::string_view text, bool numbers) {
  if (text == "euro") return TVL_EUROSETTINGS_EURO;
  if (text == "lire") return TVL_EUROSETTINGS_LIRE;
  if (!numbers) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string CurrencyModeName(std::int32_t mode) {
  if (mode == TVL_EUROSETTINGS_EURO) return "euro";
  if (mode == TVL_EUROSETTINGS_LIRE) return "lire";
  return std::to_string(mode);
}

}  // namespace tavirel::support
