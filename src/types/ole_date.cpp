#include "tavirel/ole_date.hpp"

#include <cmath>
#include <cstdint>

#include "tavirel/decimal.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
// The range of the Automation date: 1 January 100 to 31 December 9999.
constexpr double kBeforeFirstDay = -657'435.0;
constexpr double kPastLastDay = 2'958'466.0;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1 January 1970 in the proleptic Gregorian calendar (after Howard
// Hinnant's days_from_civil); month 1..12, day 1..31.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = FloorDiv(year, 400);
  const auto year_of_era = year - era * 400;
  const int shifted_month = month > 2 ? month - 3 : month + 9;
  const std::int64_t day_of_year = (153 * shifted_month + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146'097 + day_of_era - 719'468;
}

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

// The inverse of DaysFromCivil.
constexpr CivilDate CivilFromDays(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = FloorDiv(days, 146'097);
  const auto day_of_era = days - era * 146'097;
  const auto year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const auto day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const auto shifted_month = (5 * day_of_year + 2) / 153;
  const auto day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const auto month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  return {year_of_era + era * 400 + (month <= 2), month, day};
}

constexpr std::int64_t kEpoch = DaysFromCivil(1899, 12, 30);
static_assert(kEpoch == -25'569);

void AppendPadded(std::string& out, std::int64_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  out += digits;
}

}  // namespace

OleDate OleDate::FromParts(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t months = std::int64_t{year} * 12 + (month - 1);
  const std::int64_t whole_year = FloorDiv(months, 12);
  const auto month_of_year = static_cast<int>(months - whole_year * 12 + 1);
  std::int64_t days =
      DaysFromCivil(whole_year, month_of_year, 1) - kEpoch + (std::int64_t{day} - 1);

  std::int64_t seconds =
      std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + std::int64_t{second};
  days += FloorDiv(seconds, kSecondsPerDay);
  seconds -= FloorDiv(seconds, kSecondsPerDay) * kSecondsPerDay;

  // Before the epoch the day count is negative and the time still counts forward.
  const double fraction = static_cast<double>(seconds) / kSecondsPerDay;
  const auto whole_days = static_cast<double>(days);
  return OleDate(days >= 0 ? whole_days + fraction : whole_days - fraction);
}

DateParts OleDate::Parts() const {
  if (!(value_ > kBeforeFirstDay && value_ < kPastLastDay)) {
    throw ConversionError("the value " + decimal::ShortestText(value_) +
                          " is outside the range of Date (years 100 to 9999)");
  }
  const double whole = std::trunc(value_);
  auto days = static_cast<std::int64_t>(whole);
  std::int64_t seconds = std::llround(std::fabs(value_ - whole) * kSecondsPerDay);
  if (seconds == kSecondsPerDay) {
    ++days;
    seconds = 0;
  }
  const CivilDate date = CivilFromDays(days + kEpoch);
  DateParts parts;
  parts.year = static_cast<int>(date.year);
  parts.month = date.month;
  parts.day = date.day;
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  return parts;
}

std::string OleDate::ToIsoString() const {
  const DateParts parts = Parts();
  std::string text;
  AppendPadded(text, parts.year, 4);
  text += '-';
  AppendPadded(text, parts.month, 2);
  text += '-';
  AppendPadded(text, parts.day, 2);
  text += 'T';
  AppendPadded(text, parts.hour, 2);
  text += ':';
  AppendPadded(text, parts.minute, 2);
  text += ':';
  AppendPadded(text, parts.second, 2);
  return text;
}

}  // namespace tavirel
