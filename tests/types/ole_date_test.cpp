#include "tavirel/ole_date.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tavirel/errors.hpp"
#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

DateParts Parts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  return {year, month, day, hour, minute, second};
}

TEST(OleDate, KnownDayNumbers) {
  EXPECT_EQ(OleDate::FromParts(1899, 12, 30).value(), 0.0);
  EXPECT_EQ(OleDate::FromParts(1900, 1, 1).value(), 2.0);
  EXPECT_EQ(OleDate::FromParts(1970, 1, 1).value(), 25'569.0);
  EXPECT_EQ(OleDate::FromParts(2000, 1, 1).value(), 36'526.0);
  EXPECT_EQ(OleDate::FromParts(2000, 1, 1, 12).value(), 36'526.5);
  EXPECT_EQ(OleDate::FromParts(100, 1, 1).value(), -657'434.0);
  EXPECT_EQ(OleDate::FromParts(9999, 12, 31).value(), 2'958'465.0);
}

TEST(OleDate, LastMinuteOf2001) {
  const OleDate date = OleDate::FromParts(2001, 12, 31, 23, 59);
  EXPECT_DOUBLE_EQ(date.value(), 37'256.0 + 1'439.0 / 1'440.0);
  EXPECT_EQ(date.Parts(), Parts(2001, 12, 31, 23, 59));
  EXPECT_EQ(date.ToIsoString(), "2001-12-31T23:59:00");
}

struct CarryRow {
  const char* what;
  DateParts given;
  DateParts expected;
};

TEST(OleDate, PartsOutOfRangeCarry) {
  const CarryRow rows[] = {
      {"month 13", Parts(2001, 13, 1), Parts(2002, 1, 1)},
      {"month 0", Parts(2001, 0, 15), Parts(2000, 12, 15)},
      {"month 25", Parts(2001, 25, 1), Parts(2003, 1, 1)},
      {"month -1", Parts(2001, -1, 1), Parts(2000, 11, 1)},
      {"day 0", Parts(2001, 3, 0), Parts(2001, 2, 28)},
      {"day 0 of a leap March", Parts(2000, 3, 0), Parts(2000, 2, 29)},
      {"day 0 of January", Parts(2001, 1, 0), Parts(2000, 12, 31)},
      {"day 32 of January", Parts(2001, 1, 32), Parts(2001, 2, 1)},
      {"day 32 of December", Parts(2001, 12, 32), Parts(2002, 1, 1)},
      {"day 31 of April", Parts(2001, 4, 31), Parts(2001, 5, 1)},
      {"day 30 of February", Parts(2001, 2, 30), Parts(2001, 3, 2)},
      {"hour 24", Parts(2001, 5, 1, 24), Parts(2001, 5, 2)},
      {"hour 24 on New Year's Eve", Parts(2001, 12, 31, 24), Parts(2002, 1, 1)},
      {"minute 60", Parts(2001, 5, 1, 10, 60), Parts(2001, 5, 1, 11, 0)},
      {"minute 60 at 23h", Parts(2001, 5, 1, 23, 60), Parts(2001, 5, 2)},
      {"second 60", Parts(2001, 5, 1, 10, 59, 60), Parts(2001, 5, 1, 11, 0)},
      {"all zero in 2000", Parts(2000, 0, 0), Parts(1999, 11, 30)},
      {"largest two-digit fields", Parts(2099, 99, 99, 99, 99), Parts(2107, 6, 11, 4, 39)},
  };
  for (const auto& row : rows) {
    const DateParts& g = row.given;
    EXPECT_EQ(OleDate::FromParts(g.year, g.month, g.day, g.hour, g.minute, g.second).Parts(),
              row.expected)
        << row.what;
  }
}

TEST(OleDate, BeforeTheEpochTheTimeCountsForward) {
  EXPECT_EQ(OleDate(-1.25).Parts(), Parts(1899, 12, 29, 6));
  EXPECT_EQ(OleDate::FromParts(1899, 12, 29, 6).value(), -1.25);
  EXPECT_EQ(OleDate(-2.75).Parts(), Parts(1899, 12, 28, 18));
  EXPECT_EQ(OleDate::FromParts(1899, 12, 28, 18).value(), -2.75);
  // Between -1 and 0 the day is the epoch itself, as for the same positive value.
  EXPECT_EQ(OleDate(-0.5).Parts(), Parts(1899, 12, 30, 12));
  EXPECT_EQ(OleDate(-1.0).Parts(), Parts(1899, 12, 29));
}

TEST(OleDate, PartsRoundToTheNearestSecond) {
  constexpr double kSecond = 1.0 / 86'400;
  EXPECT_EQ(OleDate(0.5 + 0.4 * kSecond).Parts(), Parts(1899, 12, 30, 12));
  EXPECT_EQ(OleDate(0.5 + 0.6 * kSecond).Parts(), Parts(1899, 12, 30, 12, 0, 1));
  EXPECT_EQ(OleDate(1.0 - 0.2 * kSecond).Parts(), Parts(1899, 12, 31));
  EXPECT_EQ(OleDate(-1.0 - (1.0 - 0.2 * kSecond)).Parts(), Parts(1899, 12, 30));
  EXPECT_EQ(OleDate(36'526.0 + 59.6 * kSecond).Parts(), Parts(2000, 1, 1, 0, 1, 0));
}

TEST(OleDate, EveryDayReadsBackAndFollowsTheDayBefore) {
  double previous = OleDate::FromParts(1799, 12, 31).value();
  for (int year = 1800; year <= 2200; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 31; ++day) {
        const OleDate date = OleDate::FromParts(year, month, day, 13, 7, 9);
        const DateParts parts = date.Parts();
        if (parts.month != month) break;  // carried: past the month's last day
        ASSERT_EQ(parts, Parts(year, month, day, 13, 7, 9));
        ASSERT_EQ(std::trunc(date.value()) - std::trunc(previous), 1.0)
            << year << "-" << month << "-" << day;
        previous = date.value();
      }
    }
  }
}

TEST(OleDate, IsoText) {
  testing::UnderEachLocale([] {
    EXPECT_EQ(OleDate().ToIsoString(), "1899-12-30T00:00:00");
    EXPECT_EQ(OleDate::FromParts(2000, 0, 0).ToIsoString(), "1999-11-30T00:00:00");
    EXPECT_EQ(OleDate::FromParts(2029, 2, 3, 4, 5, 6).ToIsoString(), "2029-02-03T04:05:06");
    EXPECT_EQ(OleDate(-657'434.0).ToIsoString(), "0100-01-01T00:00:00");
    EXPECT_EQ(OleDate::FromParts(9999, 12, 31, 23, 59, 59).ToIsoString(), "9999-12-31T23:59:59");
  });
}

TEST(OleDate, ValuesOutsideTheDateRangeHaveNoParts) {
  for (const double value :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 2'958'466.0, -657'435.0, 1e300}) {
    EXPECT_THROW(static_cast<void>(OleDate(value).Parts()), ConversionError) << value;
    EXPECT_THROW(static_cast<void>(OleDate(value).ToIsoString()), ConversionError) << value;
  }
}

}  // namespace
}  // namespace tavirel
