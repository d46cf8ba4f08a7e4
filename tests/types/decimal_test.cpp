// The one decimal module: JSON numbers as written, exact scaling that never
// rounds, and the plain text amounts are compared by.
#include "tavirel/decimal.hpp"

#include <gtest/gtest.h>

namespace tavirel::decimal {
namespace {

TEST(JsonNumbers, ExponentsBecomePlainDigitsAsWritten) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.50", "1.50"},  {"-0.5", "-0.5"},         {"12", "12"},          {"1.5e2", "150"},
      {"1.5E+2", "150"}, {"15e-1", "1.5"},         {"-2E-3", "-0.002"},   {"1e0", "1"},
      {"0.01e2", "1"},   {"123.456e1", "1234.56"}, {"5e-7", "0.0000005"}, {"1.50e1", "15.0"},
      {"1.5e0", "1.5"},  {"-0.5E1", "-5"},         {"2E+0", "2"},         {"0.50", "0.50"},
  };
  for (const auto& [json, plain] : cases) {
    EXPECT_EQ(JsonNumberAsWritten(json).value_or("(none)"), plain) << json;
    const auto number = ParseJsonNumber(json);
    ASSERT_TRUE(number) << json;
    EXPECT_EQ(ToPlainText(*number), ToPlainText(*Parse(plain))) << json;
  }
  // JSON's grammar exactly, and nothing beyond 10^400.
  for (const char* bad : {"1e401", "1e-401", "01", "+1", ".5", "1.", "1e", "- 1", " 1", "1,5",
                          "0x10", "", "-", "1.5.2"}) {
    EXPECT_FALSE(JsonNumberAsWritten(bad)) << bad;
    EXPECT_FALSE(ParseJsonNumber(bad)) << bad;
  }
  EXPECT_TRUE(JsonNumberAsWritten("1e400"));
}

TEST(ScaleExact, TakesZerosBeyondTheScaleButNeverRounds) {
  struct Case {
    const char* text;
    int decimals;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"1.50", 2, 150},
      {"1.5", 2, 150},
      {"1.500", 2, 150},
      {"1.505", 2, std::nullopt},
      {"0.001", 2, std::nullopt},
      {"-3", 2, -300},
      {"12", 0, 12},
      {"12.0", 0, 12},
      {"12.5", 0, std::nullopt},
      {"0", 2, 0},
      {"92233720368547758.07", 2, INT64_MAX},
      {"92233720368547758.08", 2, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaleExact(*Parse(c.text), c.decimals), c.value) << c.text;
}

}  // namespace
}  // namespace tavirel::decimal
