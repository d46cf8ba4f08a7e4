#include "tavirel/currency.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

#include "tavirel/errors.hpp"
#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct ParseRow {
  const char* text;
  std::int64_t raw;
};

TEST(CurrencyParse, PlainDecimalNumbers) {
  const ParseRow rows[] = {
      {"1.50", 15'000},
      {"-12.345", -123'450},
      {"+3", 30'000},
      {"0.0001", 1},
      {".5", 5'000},
      {"5.", 50'000},
      {"  7  ", 70'000},
      {"\t7\t", 70'000},
      {"-0", 0},
      {"000012.5000000", 125'000},
      {"0.00005", 1},  // the fifth decimal rounds half away from zero
      {"0.00004999", 0},
      {"-0.00005", -1},
      {"1.23456", 12'346},
      {"1.23454999", 12'345},
      {"922337203685477.5807", kMax},
      {"922337203685477.58074", kMax},
      {"-922337203685477.5808", kMin},
  };
  testing::UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(Currency::Parse(row.text).raw(), row.raw) << '"' << row.text << '"';
    }
  });
}

TEST(CurrencyParse, RejectsAnythingButAPlainDecimalNamingTheText) {
  const char* texts[] = {
      "",
      " ",
      "abc",
      "1,5",
      "1.234.5",
      "1.000,50",
      "1e5",
      "1E5",
      "12 5",
      "--1",
      "+-1",
      "0x10",
      ".",
      "-",
      "1 000",
      "1'000",
      "five",
      "1.5€",
      "€1.5",
      "inf",
      "nan",
      "922337203685477.5808",   // one past the largest
      "922337203685477.58075",  // rounds past the largest
      "-922337203685477.5809",
      "99999999999999999999",
  };
  for (const char* text : texts) {
    try {
      static_cast<void>(Currency::Parse(text));
      ADD_FAILURE() << '"' << text << "\" was accepted";
    } catch (const ConversionError& error) {
      EXPECT_NE(std::string(error.what()).find('"' + std::string(text) + '"'), std::string::npos)
          << error.what();
    }
  }
}

struct TextRow {
  std::int64_t raw;
  const char* text;
};

TEST(CurrencyToString, ShortestExactText) {
  const TextRow rows[] = {
      {15'000, "1.5"},
      {125'000'000, "12500"},
      {-1, "-0.0001"},
      {0, "0"},
      {10'000, "1"},
      {-5'000, "-0.5"},
      {123'450, "12.345"},
      {1, "0.0001"},
      {kMax, "922337203685477.5807"},
      {kMin, "-922337203685477.5808"},
  };
  testing::UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(Currency::FromRaw(row.raw).ToString(), row.text) << row.raw;
    }
  });
}

TEST(CurrencyToString, ParsesBackToTheSameValue) {
  std::mt19937_64 random(20'011'231);
  for (int i = 0; i < 2'000; ++i) {
    // Spread over every magnitude, not just the large ones.
    const auto raw = static_cast<std::int64_t>(random()) >> (random() % 64);
    const Currency value = Currency::FromRaw(raw);
    ASSERT_EQ(Currency::Parse(value.ToString()), value) << value.ToString();
  }
}

struct FloatRow {
  float value;
  std::int64_t raw;
};

TEST(CurrencyFromFloat, TakesTheShortestDecimalForm) {
  const FloatRow rows[] = {
      {0.285F, 2'850},    {1.0005F, 10'005},
      {0.1F, 1'000},      {12345.678F, 123'456'780},
      {1.00005F, 10'001}, {-1.00005F, -10'001},
      {1e-5F, 0},         {5e-5F, 1},
      {-0.0F, 0},         {9e14F, 9'000'000'000'000'000'000},
  };
  testing::UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(Currency::FromFloat(row.value).raw(), row.raw) << row.value;
    }
  });
}

TEST(CurrencyFromFloat, RefusesNonFiniteAndOutOfRange) {
  for (const float value :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(), 1e15F, -1e15F}) {
    EXPECT_THROW(static_cast<void>(Currency::FromFloat(value)), ConversionError) << value;
  }
}

TEST(CurrencyFromDouble, TakesTheShortestDecimalForm) {
  EXPECT_EQ(Currency::FromDouble(0.1).raw(), 1'000);
  EXPECT_EQ(Currency::FromDouble(2.675).raw(), 26'750);
  EXPECT_EQ(Currency::FromDouble(1.00005).raw(), 10'001);
  EXPECT_EQ(Currency::FromDouble(-1.00005).raw(), -10'001);
  EXPECT_EQ(Currency::FromDouble(922337203685477.5).raw(), 9'223'372'036'854'775'000);
  EXPECT_THROW(static_cast<void>(Currency::FromDouble(1e300)), ConversionError);
  EXPECT_THROW(static_cast<void>(Currency::FromDouble(std::nan(""))), ConversionError);
}

struct RoundRow {
  const char* value;
  int decimals;
  std::int64_t units;
};

TEST(CurrencyRoundedUnits, HalvesAwayFromZero) {
  const RoundRow rows[] = {
      {"12.345", 2, 1'235},
      {"12.344", 2, 1'234},
      {"-12.345", 2, -1'235},
      {"-12.344", 2, -1'234},
      {"12.5", 0, 13},
      {"-12.5", 0, -13},
      {"12.4999", 0, 12},
      {"0.0005", 3, 1},
      {"-0.0005", 3, -1},
      {"1.2345", 4, 12'345},
      {"0", 2, 0},
      {"922337203685477.5807", 0, 922'337'203'685'478},
      {"-922337203685477.5808", 0, -922'337'203'685'478},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Currency::Parse(row.value).RoundedUnits(row.decimals), row.units)
        << row.value << " to " << row.decimals;
  }
  EXPECT_THROW(static_cast<void>(Currency::FromUnits(1).RoundedUnits(5)), std::out_of_range);
  EXPECT_THROW(static_cast<void>(Currency::FromUnits(1).RoundedUnits(-1)), std::out_of_range);
}

}  // namespace
}  // namespace tavirel
