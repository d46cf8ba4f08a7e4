// Parsing and printing of the line settings text "baud,parity,data,stop".
//
// Decisions:
// - Blanks (spaces, tabs) around a field are ignored: "9600, n, 8, 1" is the
//   same as "9600,n,8,1". A field that is empty or only blanks, or that holds
//   a blank inside ("96 00"), is malformed.
// - Rates are those a POSIX terminal can set on Linux, from 110 up (see
//   kSupportedRates). 14400, 28800, 56000, 128000 and 256000, which other
//   systems offer, have no termios speed and are refused by name.
// - Stop bits 1.5 are accepted; the POSIX port sends them as 2 (termios has
//   no 1.5; a 16550 UART itself makes 1.5 of "2" when the data bits are 5).
#include "tavirel/line_settings.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "port/quoted.hpp"
#include "port/supported_rates.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using port::Quoted;

[[noreturn]] void Fail(std::string_view text, const std::string& why) {
  throw SettingsError("line settings " + Quoted(text) + ": " + why +
                      " (expected \"baud,parity,data,stop\", e.g. \"9600,n,8,1\")");
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view field) {
  while (!field.empty() && IsBlank(field.front())) field.remove_prefix(1);
  while (!field.empty() && IsBlank(field.back())) field.remove_suffix(1);
  return field;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto comma = text.find(',');
    fields.push_back(Trim(text.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    text.remove_prefix(comma + 1);
  }
}

// A whole field of decimal digits; false for anything else, including
// values that do not fit an int.
bool ParseNumber(std::string_view field, int& value) {
  if (field.empty() ||
      !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc{} && end == field.data() + field.size();
}

std::string RateList() {
  std::string list;
  for (int rate : port::kSupportedRates) {
    if (!list.empty()) list += ", ";
    list += std::to_string(rate);
  }
  return list;
}

int ParseBaud(std::string_view text, std::string_view field) {
  int baud = 0;
  if (!ParseNumber(field, baud)) Fail(text, "the baud rate " + Quoted(field) + " is not a number");
  if (!port::IsSupportedRate(baud)) {
    Fail(text, "the baud rate " + std::to_string(baud) +
                   " is not supported here (supported: " + RateList() + ")");
  }
  return baud;
}

struct ParityLetter {
  char letter;
  Parity parity;
};
constexpr std::array<ParityLetter, 5> kParityLetters{{{'n', Parity::None},
                                                      {'e', Parity::Even},
                                                      {'o', Parity::Odd},
                                                      {'m', Parity::Mark},
                                                      {'s', Parity::Space}}};

Parity ParseParity(std::string_view text, std::string_view field) {
  if (field.size() == 1) {
    const char lower =
        field[0] >= 'A' && field[0] <= 'Z' ? static_cast<char>(field[0] - 'A' + 'a') : field[0];
    for (const auto& row : kParityLetters) {
      if (row.letter == lower) return row.parity;
    }
  }
  Fail(text, "the parity " + Quoted(field) + " is not one of n, e, o, m, s");
}

int ParseDataBits(std::string_view text, std::string_view field) {
  int bits = 0;
  if (!ParseNumber(field, bits) || bits < 5 || bits > 8) {
    Fail(text, "the data bits " + Quoted(field) + " are not 5, 6, 7 or 8");
  }
  return bits;
}

struct StopBitsText {
  std::string_view text;
  StopBits stop_bits;
  double bits;
};
constexpr std::array<StopBitsText, 3> kStopBits{
    {{"1", StopBits::One, 1.0}, {"1.5", StopBits::OneAndHalf, 1.5}, {"2", StopBits::Two, 2.0}}};

StopBits ParseStopBits(std::string_view text, std::string_view field) {
  for (const auto& row : kStopBits) {
    if (row.text == field) return row.stop_bits;
  }
  Fail(text, "the stop bits " + Quoted(field) + " are not 1, 1.5 or 2");
}

const StopBitsText& StopBitsRow(StopBits stop_bits) {
  return *std::find_if(kStopBits.begin(), kStopBits.end(),
                       [stop_bits](const StopBitsText& row) { return row.stop_bits == stop_bits; });
}

}  // namespace

LineSettings LineSettings::Parse(std::string_view text) {
  const auto fields = SplitFields(text);
  if (fields.size() != 4) {
    Fail(text, "needs 4 comma-separated fields, has " + std::to_string(fields.size()));
  }
  LineSettings settings;
  settings.baud = ParseBaud(text, fields[0]);
  settings.parity = ParseParity(text, fields[1]);
  settings.data_bits = ParseDataBits(text, fields[2]);
  settings.stop_bits = ParseStopBits(text, fields[3]);
  return settings;
}

std::string LineSettings::ToString() const {
  return std::to_string(baud) + ',' + static_cast<char>(parity) + ',' + std::to_string(data_bits) +
         ',' + std::string(StopBitsRow(stop_bits).text);
}

double LineSettings::BitsPerCharacter() const {
  const double parity_bits = parity == Parity::None ? 0.0 : 1.0;
  return 1.0 + data_bits + parity_bits + StopBitsRow(stop_bits).bits;
}

}  // namespace tavirel
