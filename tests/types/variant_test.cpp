#include "tavirel/variant.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tavirel/errors.hpp"
#include "types/comma_decimal_locale.hpp"

namespace tavirel {
namespace {

using testing::UnderEachLocale;

const Variant kTrue = VariantBool{true};
const Variant kFalse = VariantBool{false};

Variant Cy(const char* text) { return Currency::Parse(text); }
Variant I2(std::int16_t v) { return v; }
Variant I4(std::int32_t v) { return v; }

TEST(Variant, TypesAndTheirNames) {
  struct Row {
    Variant value;
    VarType type;
    std::string_view name;
  };
  const Row rows[] = {
      {Variant(), VarType::VT_EMPTY, "Empty"}, {I2(1), VarType::VT_I2, "Integer"},
      {I4(1), VarType::VT_I4, "Long"},         {1.0F, VarType::VT_R4, "Single"},
      {Cy("1"), VarType::VT_CY, "Currency"},   {OleDate(1.0), VarType::VT_DATE, "Date"},
      {"x", VarType::VT_BSTR, "String"},       {kTrue, VarType::VT_BOOL, "Boolean"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.value.type(), row.type) << row.name;
    EXPECT_EQ(TypeName(row.type), row.name);
  }
  EXPECT_TRUE(Variant().empty());
  EXPECT_FALSE(Variant("").empty());
}

template <typename T>
struct Row {
  Variant value;
  T expected;
};

TEST(VariantToInteger, RoundsHalfAwayFromZero) {
  const std::vector<Row<std::int16_t>> rows = {
      {Variant(), 0},   {I4(-32768), -32768}, {2.5F, 3},
      {-2.5F, -3},      {1.4999F, 1},         {0.5F, 1},
      {" 12 ", 12},     {"\t-3", -3},         {"1.5", 2},
      {"-2.5", -3},     {"32767.4", 32767},   {"+7", 7},
      {kTrue, -1},      {kFalse, 0},          {Cy("2.5"), 3},
      {Cy("-2.5"), -3}, {OleDate(1.5), 2},    {OleDate(-0.5), -1},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(row.value.ToI2(), row.expected) << row.value.ToString();
      EXPECT_EQ(row.value.ToI4(), row.expected) << row.value.ToString();
    }
  });
  EXPECT_EQ(Variant("2147483647").ToI4(), 2'147'483'647);
  // A large whole Single converts at its exact value, not at its shortest digits.
  EXPECT_EQ(Variant(-2147483648.0F).ToI4(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(Variant(16777216.0F).ToI4(), 16'777'216);
}

TEST(VariantToSingle, ExactDecimalsLocaleFree) {
  const std::vector<Row<float>> rows = {
      {"1.5", 1.5F},
      {" -0.25 ", -0.25F},
      {"0.1", 0.1F},
      {".5", 0.5F},
      {I2(-7), -7.0F},
      {I4(100000), 1e5F},
      {Cy("0.1"), 0.1F},
      {kTrue, -1.0F},
      {Variant(), 0.0F},
      {OleDate(36526.5), 36526.5F},
      {"340282346638528859811704183484516925440", std::numeric_limits<float>::max()},
      {"0." + std::string(60, '0') + "1", 0.0F},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) EXPECT_EQ(row.value.ToR4(), row.expected) << row.value.ToString();
  });
}

TEST(VariantToCurrency, ExactFromTextAndShortestFromSingle) {
  const std::vector<Row<std::int64_t>> rows = {
      {"1.50", 15'000}, {0.285F, 2'850}, {I2(5), 50'000},        {I4(-3), -30'000},
      {kTrue, -10'000}, {Variant(), 0},  {OleDate(1.5), 15'000}, {Cy("0.0001"), 1},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      EXPECT_EQ(row.value.ToCurrency().raw(), row.expected) << row.value.ToString();
    }
  });
}

TEST(VariantToBool, WordsAndNumbers) {
  const std::vector<Row<bool>> rows = {
      {"True", true},        {"TRUE", true},       {" true ", true},     {"false", false},
      {"False", false},      {"0", false},         {"2", true},          {"0.0", false},
      {"-0.001", true},      {I2(0), false},       {I4(-1), true},       {0.5F, true},
      {0.0F, false},         {Variant(), false},   {Cy("0.0001"), true}, {Cy("0"), false},
      {OleDate(0.0), false}, {OleDate(1.0), true}, {kTrue, true},
  };
  for (const auto& row : rows) EXPECT_EQ(row.value.ToBool(), row.expected) << row.value.ToString();
}

TEST(VariantToDate, NumbersAreDaysTextsAreIsoDates) {
  const std::vector<Row<DateParts>> rows = {
      {"2001-12-31T23:59:00", {2001, 12, 31, 23, 59, 0}},
      {"2001-12-31 23:59", {2001, 12, 31, 23, 59, 0}},
      {" 2001-12-31 ", {2001, 12, 31, 0, 0, 0}},
      {"2000-02-29", {2000, 2, 29, 0, 0, 0}},
      {I4(36526), {2000, 1, 1, 0, 0, 0}},
      {36526.5F, {2000, 1, 1, 12, 0, 0}},
      {Cy("-1.25"), {1899, 12, 29, 6, 0, 0}},
      {kTrue, {1899, 12, 29, 0, 0, 0}},
      {Variant(), {1899, 12, 30, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.value.ToDate().Parts(), row.expected) << row.value.ToString();
  }
}

TEST(VariantToString, LocaleFreeTexts) {
  const std::vector<Row<std::string>> rows = {
      {Variant(), ""},           {I2(-5), "-5"},
      {I4(1234567), "1234567"},  {0.285F, "0.285"},
      {1234.5F, "1234.5"},       {1e20F, "100000000000000000000"},
      {1.5e-7F, "0.00000015"},   {-0.0F, "0"},
      {Cy("1234.50"), "1234.5"}, {OleDate::FromParts(2001, 12, 31, 23, 59), "2001-12-31T23:59:00"},
      {kTrue, "True"},           {kFalse, "False"},
      {"as is", "as is"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) EXPECT_EQ(row.value.ToString(), row.expected);
  });
}

TEST(VariantConvertTo, TextAndBackGivesTheSameValue) {
  const Variant values[] = {I2(-32768),
                            I4(2'147'483'647),
                            0.1F,
                            1e20F,
                            3.4e38F,
                            1e-45F,
                            Cy("-922337203685477.5808"),
                            OleDate::FromParts(2029, 2, 3, 4, 5, 6),
                            kTrue,
                            kFalse};
  UnderEachLocale([&] {
    for (const auto& value : values) {
      const Variant text = value.ConvertTo(VarType::VT_BSTR);
      ASSERT_EQ(text.type(), VarType::VT_BSTR);
      EXPECT_EQ(text.ConvertTo(value.type()), value) << text.ToString();
    }
  });
}

TEST(VariantConvertTo, GivesTheAskedType) {
  const VarType types[] = {VarType::VT_EMPTY, VarType::VT_I2,   VarType::VT_I4,   VarType::VT_R4,
                           VarType::VT_CY,    VarType::VT_DATE, VarType::VT_BSTR, VarType::VT_BOOL};
  for (const VarType type : types) EXPECT_EQ(I2(1).ConvertTo(type).type(), type);
  EXPECT_EQ(Variant("1").ConvertTo(VarType::VT_VARIANT), Variant("1"));
  EXPECT_EQ(Variant(I2(1)).ConvertTo(VarType::VT_BOOL).get<VariantBool>().value, true);
  EXPECT_THROW(static_cast<void>(Variant("1").ConvertTo(static_cast<VarType>(99))),
               ConversionError);
}

struct ErrorRow {
  Variant value;
  VarType target;
  std::string shown;  // how the message names the value
};

TEST(VariantConvertTo, FailuresNameTheValueAndTheType) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const ErrorRow rows[] = {
      {"abc", VarType::VT_I2, "\"abc\""},
      {"", VarType::VT_I4, "\"\""},
      {"1,5", VarType::VT_I2, "\"1,5\""},
      {"1.000,5", VarType::VT_R4, "\"1.000,5\""},
      {"1e3", VarType::VT_R4, "\"1e3\""},
      {"12 5", VarType::VT_CY, "\"12 5\""},
      {"32767.5", VarType::VT_I2, "\"32767.5\""},
      {"-32768.5", VarType::VT_I2, "\"-32768.5\""},
      {"2147483648", VarType::VT_I4, "\"2147483648\""},
      {"1" + std::string(40, '0'), VarType::VT_R4, "\"1" + std::string(40, '0') + "\""},
      {I4(40000), VarType::VT_I2, "40000"},
      {1e10F, VarType::VT_I4, "10000000000"},
      {3e9F, VarType::VT_I4, "3000000000"},
      {2147483648.0F, VarType::VT_I4, "Single"},
      {Cy("40000"), VarType::VT_I2, "40000"},
      {nan, VarType::VT_I2, "NaN"},
      {nan, VarType::VT_CY, "NaN"},
      {nan, VarType::VT_BOOL, "NaN"},
      {1e15F, VarType::VT_CY, "1000000000000000"},
      {"yes", VarType::VT_BOOL, "\"yes\""},
      {"31/12/2001", VarType::VT_DATE, "\"31/12/2001\""},
      {"2001-02-29", VarType::VT_DATE, "\"2001-02-29\""},
      {"2001-13-01", VarType::VT_DATE, "\"2001-13-01\""},
      {"2001-12-31T24:00", VarType::VT_DATE, "\"2001-12-31T24:00\""},
      {"0099-12-31", VarType::VT_DATE, "\"0099-12-31\""},
      {1e10F, VarType::VT_DATE, "10000000000"},
      {OleDate(1e300), VarType::VT_BSTR, "1"},
  };
  UnderEachLocale([&] {
    for (const auto& row : rows) {
      try {
        static_cast<void>(row.value.ConvertTo(row.target));
        ADD_FAILURE() << row.shown << " converted to " << TypeName(row.target);
      } catch (const ConversionError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(row.shown), std::string::npos) << message;
        if (row.target != VarType::VT_BSTR) {
          EXPECT_NE(message.find(TypeName(row.target)), std::string::npos) << message;
        }
      }
    }
  });
}

}  // namespace
}  // namespace tavirel
