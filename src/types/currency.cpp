#include "tavirel/currency.hpp"

#include <array>
#include <stdexcept>

#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

constexpr int kDecimals = 4;
constexpr std::array<std::int64_t, kDecimals + 1> kPowersOfTen = {1, 10, 100, 1'000, 10'000};

Currency FromDigits(const decimal::Digits& number, const std::string& shown) {
  const auto raw = decimal::ScaleRounded(number, kDecimals);
  if (!raw) throw ConversionError("the value " + shown + " is out of the range of Currency");
  return Currency::FromRaw(*raw);
}

template <typename Float>
Currency FromFloating(Float value) {
  const auto number = decimal::Shortest(value);
  const std::string shown = decimal::ShortestText(value);
  if (!number) throw ConversionError("the value " + shown + " cannot be a Currency");
  return FromDigits(*number, shown);
}

// The magnitude of a raw value without overflow, even for the most negative one.
std::uint64_t Magnitude(std::int64_t raw) {
  return raw < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(raw)
                 : static_cast<std::uint64_t>(raw);
}

}  // namespace

Currency Currency::Parse(std::string_view text) {
  const auto number = decimal::Parse(text);
  const std::string quoted = "\"" + std::string(text) + "\"";
  if (!number) throw ConversionError("the text " + quoted + " is not a Currency value");
  return FromDigits(*number, quoted);
}

Currency Currency::FromFloat(float value) { return FromFloating(value); }
Currency Currency::FromDouble(double value) { return FromFloating(value); }

std::int64_t Currency::RoundedUnits(int decimals) const {
  if (decimals < 0 || decimals > kDecimals) {
    throw std::out_of_range("Currency::RoundedUnits takes 0 to 4 decimals");
  }
  const std::int64_t divisor = kPowersOfTen[static_cast<std::size_t>(kDecimals - decimals)];
  const std::int64_t quotient = raw_ / divisor;
  const std::int64_t remainder = raw_ % divisor;
  // Half away from zero: |remainder| * 2 >= divisor (no overflow: |remainder| < 10,000).
  if (remainder * 2 >= divisor) return quotient + 1;
  if (remainder * 2 <= -divisor) return quotient - 1;
  return quotient;
}

std::string Currency::ToString() const {
  const std::uint64_t magnitude = Magnitude(raw_);
  std::string text = std::to_string(magnitude / kScale);
  std::string fraction = std::to_string(magnitude % kScale);
  fraction.insert(0, static_cast<std::size_t>(kDecimals) - fraction.size(), '0');
  fraction.erase(fraction.find_last_not_of('0') + 1);
  if (!fraction.empty()) text += "." + fraction;
  return raw_ < 0 ? "-" + text : text;
}

}  // namespace tavirel
