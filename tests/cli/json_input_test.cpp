#include "json_input.hpp"

#include <gtest/gtest.h>

#include "cli_errors.hpp"
#include "tavirel/currency.hpp"

namespace tavirel::cli {
namespace {

TEST(PlainDecimal, ExponentsBecomePlainDigits) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.50", "1.50"},  {"-0.5", "-0.5"},         {"12", "12"},          {"1.5e2", "150"},
      {"1.5E+2", "150"}, {"15e-1", "1.5"},         {"-2E-3", "-0.002"},   {"1e0", "1"},
      {"0.01e2", "1"},   {"123.456e1", "1234.56"}, {"5e-7", "0.0000005"},
  };
  for (const auto& [json, plain] : cases) EXPECT_EQ(PlainDecimal(json), plain) << json;
  EXPECT_THROW(PlainDecimal("1e999"), UsageError);
}

TEST(ParseJsonOp, NumbersKeepTheirTextStringsAndBooleansTheirValue) {
  const OpRequest request =
      ParseJsonOp(R"({"member": "opReparto", "args": [1, "PANE DI CASA", 0.1, 2, true, 1.5e1]})");
  EXPECT_EQ(request.member, "opReparto");
  const std::vector<Variant> expected{Variant("1"), Variant("PANE DI CASA"),    Variant("0.1"),
                                      Variant("2"), Variant(VariantBool{true}), Variant("15")};
  EXPECT_EQ(request.args, expected);
}

TEST(ParseJsonOp, ANumberReachesACurrencyExactly) {
  // 0.1 has no exact binary form; its text converts to exactly 1000 ten-thousandths.
  const OpRequest request = ParseJsonOp(R"({"member": "opContante", "args": [1, 0.1]})");
  EXPECT_EQ(request.args[1].ConvertTo(VarType::VT_CY), Variant(Currency::FromRaw(1000)));
  const OpRequest big = ParseJsonOp(R"({"member": "opContante", "args": [1, 9999999.99]})");
  EXPECT_EQ(big.args[1].ConvertTo(VarType::VT_CY), Variant(Currency::FromRaw(99999999900)));
}

TEST(ParseJsonOp, ArgsMayBeLeftOut) {
  const OpRequest request = ParseJsonOp(R"({"member": "opReadDataOra"})");
  EXPECT_EQ(request.member, "opReadDataOra");
  EXPECT_TRUE(request.args.empty());
}

TEST(ParseJsonOp, MalformedObjectsAreUsageErrorsNamingTheProblem) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"member": "opSubTot", "args": [1)", "malformed JSON"},
      {R"({"args": [1]})", "\"member\" is missing"},
      {R"({"member": 3})", "\"member\" must be a string"},
      {R"({"member": "opSubTot", "argz": [1]})", "unknown key \"argz\""},
      {R"({"member": "opSubTot", "args": 1})", "\"args\" must be an array"},
      {R"({"member": "opSubTot", "args": [null]})", "null is not an argument"},
      {R"({"member": "opSubTot", "args": [[1]]})", "must be one array"},
      {R"({"member": "opSubTot", "args": [{"a": 1}]})", "not objects"},
      {R"(["opSubTot", 1])", "must be a JSON object"},
      {R"({"member": "opSubTot"} trailing)", "malformed JSON"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseJsonOp(text);
      ADD_FAILURE() << text;
    } catch (const UsageError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos)
          << text << " -> " << e.what();
    }
  }
}

}  // namespace
}  // namespace tavirel::cli
