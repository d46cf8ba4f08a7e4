#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "fields/field_encoders.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/result_codes.hpp"
#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

using testing::UnderEachLocale;

struct DigitRow {
  std::int64_t value;
  int width;
  std::string field;
};

TEST(DigitField, PadsOnTheLeftAndNeverCuts) {
  const DigitRow rows[] = {
      {2002, 2, "2002"},  // a year in a two-digit field keeps all four digits
      {-5, 2, "-05"},     // the minus stands before the padded digits
      {0, 4, "0000"},      {7, 1, "7"},
      {1, 4, "0001"},      {1003, 4, "1003"},
      {12345, 4, "12345"}, {-1234, 2, "-1234"},
      {5, 0, "5"},         {std::numeric_limits<std::int64_t>::min(), 2, "-9223372036854775808"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(FormatDigitField(row.value, row.width), row.field)
          << row.value << " in width " << row.width;
    }
  });
}

TEST(IntegerQuantityField, CountsThousandths) {
  const DigitRow rows[] = {
      {3, 0, "0003000"}, {12, 0, "0012000"},  {12345, 0, "12345000"},
      {0, 0, "0000000"}, {-3, 0, "-0003000"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatIntegerQuantityField(static_cast<std::int16_t>(row.value)), row.field);
  }
  EXPECT_EQ(kUnitQuantity, "0001000");
  EXPECT_EQ(FormatIntegerQuantityField(1), kUnitQuantity);
}

struct AmountRow {
  const char* amount;
  std::int32_t mode;
  std::string field;
};

TEST(AmountField, WholeLireOrEuroCentsHalvesAwayFromZero) {
  const AmountRow rows[] = {
      {"12.50", TVL_EUROSETTINGS_EURO, "000001250"},
      {"12.50", TVL_EUROSETTINGS_LIRE, "000000013"},
      {"12500", TVL_EUROSETTINGS_LIRE, "000012500"},
      {"12500", TVL_EUROSETTINGS_EURO, "001250000"},
      {"1234567.89", TVL_EUROSETTINGS_EURO, "123456789"},
      {"0", TVL_EUROSETTINGS_LIRE, "000000000"},
      {"0", TVL_EUROSETTINGS_EURO, "000000000"},
      {"1500000000", TVL_EUROSETTINGS_LIRE, "1500000000"},
      {"-12.50", TVL_EUROSETTINGS_EURO, "-000001250"},
      {"-12.50", TVL_EUROSETTINGS_LIRE, "-000000013"},
      {"12.345", TVL_EUROSETTINGS_EURO, "000001235"},
      {"12.344", TVL_EUROSETTINGS_EURO, "000001234"},
      {"-12.345", TVL_EUROSETTINGS_EURO, "-000001235"},
      {"12.4999", TVL_EUROSETTINGS_LIRE, "000000012"},
      {"0.005", TVL_EUROSETTINGS_EURO, "000000001"},
      {"0.0049", TVL_EUROSETTINGS_EURO, "000000000"},
      {"922337203685477.5807", TVL_EUROSETTINGS_EURO, "92233720368547758"},
      {"-922337203685477.5808", TVL_EUROSETTINGS_LIRE, "-922337203685478"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(FormatAmountField(Currency::Parse(row.amount), 9, row.mode), row.field)
          << row.amount << " in mode " << row.mode;
    }
  });
}

TEST(AmountField, EmptyWithoutALireOrEuroMode) {
  for (const std::int32_t mode : {std::int32_t{TVL_EUROSETTINGS_UNKNOWN}, 3, -1, 100}) {
    EXPECT_EQ(FormatAmountField(Currency::FromUnits(12), 9, mode), "") << "mode " << mode;
  }
}

struct DecimalRow {
  float value;
  const char* pattern;
  std::int16_t width;
  std::string field;
};

constexpr const char* kPercent = "#0.00";
constexpr const char* kQuantity = "###0.000";

TEST(DecimalField, PercentagesAndQuantities) {
  const DecimalRow rows[] = {
      {12.5F, kPercent, 4, "1250"},
      {20.0F, kPercent, 4, "2000"},
      {4.0F, kPercent, 4, "0400"},
      {100.0F, kPercent, 4, "10000"},
      {0.004F, kPercent, 4, "0000"},
      {5.5F, kPercent, 4, "0550"},
      {-12.5F, kPercent, 4, "-1250"},
      {-0.0F, kPercent, 4, "0000"},
      {1.5F, kQuantity, 7, "0001500"},
      {0.25F, kQuantity, 7, "0000250"},
      {12345.678F, kQuantity, 7, "12345678"},
      {0.0005F, kQuantity, 7, "0000001"},
      {0.0004F, kQuantity, 7, "0000000"},
      {-1.5F, kQuantity, 7, "-0001500"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(FormatDecimalField(row.value, row.pattern, row.width), row.field)
          << row.value << " with " << row.pattern;
    }
  });
}

// Each of these floats lies just below the half that its decimal form shows;
// rounding the binary value would lose the unit the user typed.
TEST(DecimalField, BinaryErrorNeverFlipsARounding) {
  const DecimalRow rows[] = {
      {0.285F, kPercent, 4, "0029"},      {2.675F, kPercent, 4, "0268"},
      {1.005F, kPercent, 4, "0101"},      {1.0005F, kQuantity, 7, "0001001"},
      {2.0045F, kQuantity, 7, "0002005"},
  };
  for (const auto& row : rows) {
    ASSERT_LT(static_cast<double>(row.value) * (row.pattern == kPercent ? 100 : 1000),
              std::stod(row.field) - 0.5)
        << row.value << " is not below its half, the row proves nothing";
    EXPECT_EQ(FormatDecimalField(row.value, row.pattern, row.width), row.field) << row.value;
  }
}

TEST(DecimalField, PatternWithoutDecimalsGivesWholeUnits) {
  EXPECT_EQ(FormatDecimalField(2.5F, "0", 3), "003");
  EXPECT_EQ(FormatDecimalField(2.5F, "#0.0", 3), "025");
}

TEST(DecimalField, RefusesValuesWithoutAField) {
  const float values[] = {std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), 1e30F, -3.4e38F};
  for (const float value : values) {
    EXPECT_THROW(FormatDecimalField(value, kQuantity, 7), ConversionError) << value;
  }
  try {
    FormatDecimalField(std::numeric_limits<float>::quiet_NaN(), kPercent, 4);
    FAIL() << "NaN was written";
  } catch (const ConversionError& error) {
    EXPECT_NE(std::string(error.what()).find("NaN"), std::string::npos) << error.what();
  }
}

struct UnitRow {
  const char* text;
  std::string field;
};

TEST(UnitOfMeasureField, NumbersBecomeTwoDigitsOtherTextsStay) {
  const UnitRow rows[] = {
      {"5", "05"},
      {"12", "12"},
      {"123", "123"},
      {" 5 ", "05"},
      {"\t7", "07"},
      {"+7", "07"},
      {"2.5", "03"},
      {"2.4", "02"},
      {"-2.5", "-03"},
      {"-0.4", "00"},
      {".5", "01"},
      {"5.", "05"},
      {"0", "00"},
      {"99.5", "100"},
      {"KG", "KG"},
      {"", ""},
      {"pz", "pz"},
      {" ", " "},
      {"1,5", "1,5"},
      {"1e2", "1e2"},
      {"0x1", "0x1"},
      {"1 000", "1 000"},
      {"-", "-"},
      {".", "."},
      {"99999999999999999999999.5", "100000000000000000000000"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(FormatUnitOfMeasureField(row.text), row.field) << '"' << row.text << '"';
    }
  });
}

}  // namespace
}  // namespace tavirel
