// Every numeric argument at its type's extremes, given as text through the
// dispatch interface (and a few as C++ values): a value that fits its type
// reaches the line and the call returns a result code; one that does not is a
// ConversionError naming the member and the parameter, with nothing written.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bad_input.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using testing::BadInputBench;

enum class Outcome { Code, Refused };

struct NumberRow {
  const char* what;
  const char* member;
  std::vector<std::string> args;
  Outcome outcome;
  const char* parameter;  // named in the error when refused
};

class ExtremeArgument : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ExtremeArgument, GivesAResultCodeOrAClearErrorOfTheCall) {
  const NumberRow& row = GetParam();
  BadInputBench bench;
  if (row.outcome == Outcome::Code) {
    const Variant result = bench.CallMethod(row.member, row.args);
    ASSERT_EQ(result.type(), VarType::VT_I2);
    EXPECT_FALSE(ResultName(result.get<std::int16_t>()).empty()) << result.get<std::int16_t>();
    EXPECT_FALSE(bench.Request().empty());
    return;
  }
  try {
    bench.CallMethod(row.member, row.args);
    FAIL() << "accepted";
  } catch (const ConversionError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(row.member), std::string::npos) << message;
    EXPECT_NE(message.find(row.parameter), std::string::npos) << message;
  }
  EXPECT_EQ(bench.printer().Written(), "");
}

const std::string kFltMax = "340282346638528859811704183484516925440";

INSTANTIATE_TEST_SUITE_P(
    Integer, ExtremeArgument,
    ::testing::Values(
        NumberRow{"short_max", "opApriCassetto", {"32767"}, Outcome::Code, ""},
        NumberRow{"short_min", "opApriCassetto", {"-32768"}, Outcome::Code, ""},
        NumberRow{"short_above", "opApriCassetto", {"32768"}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_below", "opApriCassetto", {"-32769"}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_rounds_out", "opApriCassetto", {"32767.5"}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_rounds_in", "opApriCassetto", {"-32768.4999"}, Outcome::Code, ""},
        NumberRow{
            "short_huge", "opApriCassetto", {std::string(400, '9')}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_exponent", "opApriCassetto", {"1e3"}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_empty", "opApriCassetto", {""}, Outcome::Refused, "CodOpr"},
        NumberRow{"short_hex", "opApriCassetto", {"0x10"}, Outcome::Refused, "CodOpr"},
        NumberRow{"qty_min", "opRepartoQInt", {"1", "X", "-32768", "1", "1"}, Outcome::Code, ""},
        NumberRow{
            "qty_above", "opRepartoQInt", {"1", "X", "32768", "1", "1"}, Outcome::Refused, "Qta"}),
    [](const auto& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    Currency, ExtremeArgument,
    ::testing::Values(
        NumberRow{"max", "opContante", {"1", "922337203685477.5807"}, Outcome::Code, ""},
        NumberRow{"min", "opContante", {"1", "-922337203685477.5808"}, Outcome::Code, ""},
        NumberRow{
            "price_min", "opReparto", {"1", "X", "-922337203685477.5808", "1"}, Outcome::Code, ""},
        NumberRow{
            "above", "opContante", {"1", "922337203685477.5808"}, Outcome::Refused, "Importo"},
        NumberRow{
            "below", "opContante", {"1", "-922337203685477.5809"}, Outcome::Refused, "Importo"},
        NumberRow{"rounds_above",
                  "opContante",
                  {"1", "922337203685477.58075"},
                  Outcome::Refused,
                  "Importo"},
        NumberRow{
            "many_decimals", "opContante", {"1", "0." + std::string(5000, '9')}, Outcome::Code, ""},
        NumberRow{"nan", "opContante", {"1", "NaN"}, Outcome::Refused, "Importo"}),
    [](const auto& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    Single, ExtremeArgument,
    ::testing::Values(
        NumberRow{
            "max_overflows_field", "opSubTotPercPlus", {"1", kFltMax}, Outcome::Refused, "Perc"},
        NumberRow{"beyond_max", "opSubTotPercPlus", {"1", kFltMax + "0"}, Outcome::Refused, "Perc"},
        NumberRow{"inf", "opSubTotPercPlus", {"1", "inf"}, Outcome::Refused, "Perc"},
        NumberRow{
            "minus_infinity", "opSubTotPercMinus", {"1", "-Infinity"}, Outcome::Refused, "Perc"},
        NumberRow{"nan", "opSubTotPercPlus", {"1", "nan"}, Outcome::Refused, "Perc"},
        NumberRow{"exponent", "opSubTotPercPlus", {"1", "3.4028235e38"}, Outcome::Refused, "Perc"},
        NumberRow{"tiny",
                  "opSubTotPercPlus",
                  {"1", "0." + std::string(60, '0') + "1"},
                  Outcome::Code,
                  ""},
        NumberRow{"negative_zero", "opSubTotPercPlus", {"1", "-0"}, Outcome::Code, ""},
        NumberRow{"qty_large",
                  "opRepartoQDec",
                  {"1", "X", "9223372036854775", "1", "1"},
                  Outcome::Code,
                  ""},
        NumberRow{"qty_too_large",
                  "opRepartoQDec",
                  {"1", "X", "9223372036854776000", "1", "1"},
                  Outcome::Refused,
                  "QtaDec"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(ExtremeLong, EuroSettingsTakesTheWholeRangeAndRefusesBeyond) {
  BadInputBench bench;
  for (const char* text : {"2147483647", "-2147483648"}) {
    Invoke(bench.control(), "EuroSettings", MemberKind::PropertyPut, {Variant(text)});
    EXPECT_EQ(bench.control().EuroSettings(), std::stoll(text));
  }
  for (const char* text : {"2147483648", "-2147483649", "1e10"}) {
    EXPECT_THROW(Invoke(bench.control(), "EuroSettings", MemberKind::PropertyPut, {Variant(text)}),
                 ConversionError)
        << text;
    EXPECT_EQ(bench.control().EuroSettings(), -2147483648LL);
  }
}

TEST(ExtremeLong, AnAmountInAModeWithoutAmountsIsRefusedWithACode) {
  BadInputBench bench(std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(bench.CallMethod("opContante", {"1", "10"}), Variant(std::int16_t{OP_ERR_EUROLOCK}));
  EXPECT_EQ(bench.printer().Written(), "");
}

TEST(ExtremeLong, ErrorDescriptionOfAnyPairIsATextOrNothing) {
  BadInputBench bench;
  for (const auto& pair : std::vector<std::vector<std::string>>{
           {"-32768", "-2147483648"}, {"32767", "2147483647"}, {"-1", "99"}, {"3", "0"}}) {
    const Variant text = bench.CallMethod("GetLastErrorDescription", pair);
    EXPECT_EQ(text.type(), VarType::VT_BSTR);
  }
}

// The C++ interface takes values that no text gives: infinities, NaN, the
// most negative amount. The same rules hold.
TEST(ExtremeValue, NonFiniteSinglesAreErrorsOfTheCallAndSendNothing) {
  for (float value :
       {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::max()}) {
    BadInputBench bench;
    EXPECT_THROW(bench.control().opSubTotPercPlus(1, value), ConversionError) << value;
    EXPECT_THROW(bench.control().opRepartoQDec(1, "X", value, Currency::FromUnits(1), 1),
                 ConversionError);
    EXPECT_EQ(bench.printer().Written(), "");
  }
}

TEST(ExtremeValue, TheMostNegativeAmountIsWrittenWithoutOverflow) {
  BadInputBench bench;
  bench.printer().AnswerPayload(testing::LayoutPayload("opSubTotAbbuono"));
  const auto lowest = Currency::FromRaw(std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(bench.control().opSubTotAbbuono(1, lowest), OP_OK);
  EXPECT_NE(bench.Request().find("-92233720368547758"), std::string::npos);
}

}  // namespace
}  // namespace tavirel
