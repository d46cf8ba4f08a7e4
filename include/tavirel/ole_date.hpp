#pragma once
// The Automation date: days since 30 December 1899, the time of day as the
// fraction. Dates before the epoch carry a negative day count with a positive
// time fraction (-1.25 is 29 December 1899, 06:00), as the Automation type does.
#include <compare>
#include <string>

#include "tavirel/export.hpp"

namespace tavirel {

/// A date and time by its calendar parts; the default is the epoch.
struct TAVIREL_API DateParts {
  int year = 1899;  ///< four digits
  int month = 12;   ///< 1 to 12
  int day = 30;     ///< 1 to 31
  int hour = 0;     ///< 0 to 23
  int minute = 0;   ///< 0 to 59
  int second = 0;   ///< 0 to 59
  friend bool operator==(const DateParts&, const DateParts&) = default;
};

/// A value type: copy freely, share between threads.
class TAVIREL_API OleDate {
 public:
  /// The epoch, 30 December 1899 00:00.
  constexpr OleDate() = default;
  /// The date of that Automation value.
  constexpr explicit OleDate(double value) : value_(value) {}

  /// Builds a date from parts that may lie outside their ranges: month 13 is
  /// January of the next year, month 0 December of the year before, day 0 the
  /// last day of the month before, day 32 of a 31-day month the first of the
  /// next; hours above 23 and minutes above 59 carry likewise.
  static OleDate FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0);

  /// The calendar parts, rounded to the nearest second.
  [[nodiscard]] DateParts Parts() const;
  /// The Automation value: days since the epoch, time as the fraction.
  [[nodiscard]] constexpr double value() const { return value_; }
  /// "YYYY-MM-DDTHH:MM:SS".
  [[nodiscard]] std::string ToIsoString() const;

  /// Ordered by the value.
  friend constexpr auto operator<=>(OleDate, OleDate) = default;

 private:
  double value_ = 0.0;
};

}  // namespace tavirel
