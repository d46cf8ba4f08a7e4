#pragma once
// Calendar date and time of the register's own clock (no time zones: the
// register shows what it was set to).
#include <compare>
#include <cstdint>
#include <string>

namespace tavirel::sim {

struct CivilTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;

  /// Seconds since 1 January 1970, 00:00.
  [[nodiscard]] std::int64_t ToSeconds() const;
  static CivilTime FromSeconds(std::int64_t seconds);
  /// The reply's ten-character date field: DDMMYYHHMM.
  [[nodiscard]] std::string ReplyField() const;
  /// "07-12-2026 09:15" as the register prints it.
  [[nodiscard]] std::string Printed() const;

  friend auto operator<=>(const CivilTime&, const CivilTime&) = default;
};

/// True when day, month and year form a real calendar date.
bool IsCalendarDate(int year, int month, int day);

}  // namespace tavirel::sim
