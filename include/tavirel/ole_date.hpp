#pragma once
// The Automation date: days since 30 December 1899, the time of day as the
// fraction. Dates before the epoch carry a negative day count with a positive
// time fraction (-1.25 is 29 December 1899, 06:00), as the Automation type does.
#include <compare>
#include <string>

#include "tavirel/export.hpp"

namespace tavirel {

struct TAVIREL_API DateParts {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const DateParts&, const DateParts&) = default;
};

class TAVIREL_API OleDate {
 public:
  constexpr OleDate() = default;
  constexpr explicit OleDate(double value) : value_(value) {}

  /// Builds a date from parts that may lie outside their ranges: month 13 is
  /// January of the next year, month 0 December of the year before, day 0 the
  /// last day of the month before, day 32 of a 31-day month the first of the
  /// next; hours above 23 and minutes above 59 carry likewise.
  static OleDate FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0);

  /// The calendar parts, rounded to the nearest second.
  [[nodiscard]] DateParts Parts() const;
  [[nodiscard]] constexpr double value() const { return value_; }
  /// "YYYY-MM-DDTHH:MM:SS".
  [[nodiscard]] std::string ToIsoString() const;

  friend constexpr auto operator<=>(OleDate, OleDate) = default;

 private:
  double value_ = 0.0;
};

}  // namespace tavirel
