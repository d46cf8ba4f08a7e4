// A value that fits its parameter's type but not its command field is an
// error of the call that names the operation and the parameter.
#include <gtest/gtest.h>

#include <limits>

#include "ops/catalogue.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::ops {
namespace {

struct UnwritableRow {
  const char* operation;
  std::vector<Variant> args;
  const char* parameter;
};

class UnwritableField : public ::testing::TestWithParam<UnwritableRow> {};

TEST_P(UnwritableField, NamesTheOperationAndTheParameter) {
  const UnwritableRow& row = GetParam();
  const Operation* op = FindOperation(row.operation);
  ASSERT_NE(op, nullptr);
  try {
    ComposeCommand(*op, row.args, 2);
    FAIL() << "composed";
  } catch (const ConversionError& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind(std::string(row.operation) + ": argument " + row.parameter + ": ", 0),
              0u)
        << message;
  }
}

const float kMax = std::numeric_limits<float>::max();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Fields, UnwritableField,
    ::testing::Values(UnwritableRow{"opSubTotPercPlus", {std::int16_t{1}, kMax}, "Perc"},
                      UnwritableRow{"opProgTassa", {std::int16_t{1}, kNaN}, "Aliquota"},
                      UnwritableRow{
                          "opRepartoQDec",
                          {std::int16_t{1}, std::string("X"), 1e19F, Currency::FromUnits(1),
                           std::int16_t{1}, std::int16_t{1}, std::string("0")},
                          "QtaDec"}));

}  // namespace
}  // namespace tavirel::ops
