// Checking arguments against their command fields before anything is sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ops/catalogue.hpp"
#include "support/operation_table.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/validate.hpp"

namespace tavirel {
namespace {

using ::testing::HasSubstr;
using testing::OperationRow;
using testing::OperationRows;

constexpr std::int32_t kLire = TVL_EUROSETTINGS_LIRE;
constexpr std::int32_t kEuro = TVL_EUROSETTINGS_EURO;

struct Expected {
  std::string parameter;
  std::string value;
  std::string says;  // a piece of the problem's words
};

struct FaultRow {
  std::string member;
  std::vector<Variant> args;
  std::int32_t mode;
  std::vector<Expected> expected;  // in this order; empty: the arguments fit
};

std::string Repeat(std::string_view text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

const std::vector<FaultRow>& FaultMatrix() {
  const std::string kDesc25 = "ABCDEFGHIJKLMNOPQRSTUVWXY";
  static const std::vector<FaultRow> rows = {
      // Amounts, by currency mode.
      {"opReparto",
       {"1", "PANE", "-1.50", "2"},
       kEuro,
       {{"Prezzo", "-1.50", "is negative, and the amount field has no sign"}}},
      {"opReparto", {"1", "PANE", "9999999.99", "2"}, kEuro, {}},
      {"opReparto",
       {"1", "PANE", "10000000", "2"},
       kEuro,
       {{"Prezzo", "10000000",
         "needs 10 digits (1000000000 euro cents), and the amount field holds 9: at most "
         "9999999.99 euro"}}},
      {"opReparto", {"1", "PANE", "10000000", "2"}, kLire, {}},
      {"opReparto",
       {"1", "PANE", "1500000000", "2"},
       kLire,
       {{"Prezzo", "1500000000", "holds 9: at most 999999999 lire"}}},
      // Neither lire nor euro: nothing would be sent, only the sign is judged.
      {"opReparto", {"1", "PANE", "1500000000", "2"}, 0, {}},
      {"opContante", {"1", "-5"}, 0, {{"Importo", "-5", "is negative"}}},
      // Digit fields of every width, never cut by the encoder.
      {"opReparto",
       {"100", "PANE", "1", "2"},
       kEuro,
       {{"CodOpr", "100", "needs 3 digits (100), and the digit field holds 2: at most 99"}}},
      {"opReparto", {"-1", "PANE", "1", "2"}, kEuro, {{"CodOpr", "-1", "is negative"}}},
      {"opProgDataOra",
       {"6", "12", "2002", "9", "5"},
       kEuro,
       {{"Anno", "2002", "needs 4 digits (2002), and the digit field holds 2"}}},
      {"opProgOpr", {"1", "MARIO", "9999", "12.5"}, kEuro, {}},
      {"opProgOpr", {"1", "MARIO", "10000", "12.5"}, kEuro, {{"CodOprSegr", "10000", "holds 4"}}},
      {"opRigheAgg", {"1", "10", "RIGA"}, kEuro, {{"NRiga", "10", "at most 9"}}},
      // The cursor is the command's last field: it takes as many digits as it has.
      {"opMsgVisoreCortesia", {"1", "CIAO", "0", "32767"}, kEuro, {}},
      {"opMsgVisoreCortesia", {"1", "CIAO", "0", "-3"}, kEuro, {{"Cursore", "-3", "negative"}}},
      // Percentages and quantities.
      {"opSubTotPercPlus", {"1", "99.99"}, kEuro, {}},
      {"opSubTotPercPlus",
       {"1", "100"},
       kEuro,
       {{"Perc", "100",
         "needs 5 digits (10000 hundredths), and the percentage field holds 4: at "
         "most 99.99 percent"}}},
      {"opProgTassa", {"1", "-4"}, kEuro, {{"Aliquota", "-4", "is negative"}}},
      {"opRepartoQDec",
       {"1", "MELE", "10000", "1", "4"},
       kEuro,
       {{"QtaDec", "10000",
         "needs 8 digits (10000000 thousandths), and the decimal quantity field "
         "holds 7: at most 9999.999"}}},
      {"opRepartoQInt",
       {"1", "LATTE", "10000", "1", "3"},
       kEuro,
       {{"Qta", "10000", "needs 5 digits (10000), and the integer quantity field holds 4"}}},
      {"opRepartoQInt", {"1", "LATTE", "9999", "1", "3"}, kEuro, {}},
      // Texts: cut, unencodable, frame characters; blanks around do not count.
      {"opReparto",
       {"1", kDesc25, "1", "2"},
       kEuro,
       {{"DescProd", kDesc25,
         "is 25 characters, and the text field holds 20: it would be cut to "
         "\"ABCDEFGHIJKLMNOPQRST\""}}},
      {"opReparto", {"1", "   " + kDesc25.substr(0, 20) + "   ", "1", "2"}, kEuro, {}},
      {"opReparto", {"1", "CAFF\u00c8 \u20ac ?", "1", "2"}, kEuro, {}},
      {"opReparto",
       {"1", "T\u00e8 \u2713 \u4e2d", "1", "2"},
       kEuro,
       {{"DescProd", "T\u00e8 \u2713 \u4e2d",
         "no Windows-1252 byte, sent as \"?\": \"\u2713\", \"\u4e2d\""}}},
      {"opDescAgg", {"1", std::string("A\x03Z")}, kEuro, {{"Descr", "A\x03Z", "byte 3"}}},
      {"opDescAgg", {"1", std::string("A\xffZ")}, kEuro, {{"Descr", "A\xffZ", "byte 255"}}},
      {"opReparto",
       {"1", "PANE", "1", "2", "1", Repeat("7", 41)},
       kEuro,
       {{"CodProd", Repeat("7", 41), "text field holds 40"}}},
      // Units of measure: two characters, or a number written in two digits.
      {"opProgReparto", {"2", "PANE", "1", "2", "0", "1", "1", "100", "3", "4", "KG"}, kEuro, {}},
      {"opProgReparto", {"2", "PANE", "1", "2", "0", "1", "1", "100", "3", "4", "5"}, kEuro, {}},
      {"opProgReparto",
       {"2", "PANE", "1", "2", "0", "1", "1", "100", "3", "4", "KGM"},
       kEuro,
       {{"UMFattura", "KGM", "is 3 characters, and the unit-of-measure field takes exactly 2"}}},
      {"opProgReparto",
       {"2", "PANE", "1", "2", "0", "1", "1", "100", "3", "4", ""},
       kEuro,
       {{"UMFattura", "", "is 0 characters"}}},
      {"opProgReparto",
       {"2", "PANE", "1", "2", "0", "1", "1", "100", "3", "4", "100"},
       kEuro,
       {{"UMFattura", "100", "needs 3 digits"}}},
      // Values that do not convert, and a missing one.
      {"opReparto",
       {"1", "PANE", "1,50", "2"},
       kEuro,
       {{"Prezzo", "1,50", "does not convert to Currency"}}},
      {"opRepartoQDec",
       {"1", "MELE", "1e39", "1", "4"},
       kEuro,
       {{"QtaDec", "1e39", "does not convert to Single"}}},
      {"opReparto", {"1", Variant(), "1", "2"}, kEuro, {{"DescProd", "", "is missing"}}},
      // Several problems at once come in parameter order, whatever the field order.
      {"opReparto",
       {"100", kDesc25, "-1", "2", "1", Repeat("7", 41)},
       kEuro,
       {{"CodOpr", "100", "digit field"},
        {"DescProd", kDesc25, "cut"},
        {"Prezzo", "-1", "negative"},
        {"CodProd", Repeat("7", 41), "cut"}}},
      // Members that are not operations: only the conversions.
      {"GetLastErrorDescription",
       {"x", "1"},
       kEuro,
       {{"ErrorLevel", "x", "does not convert to Integer"}}},
      {"EuroSettings", {"2"}, kEuro, {}},
  };
  return rows;
}

TEST(ValidateArguments, FaultMatrix) {
  for (const FaultRow& row : FaultMatrix()) {
    std::string shown;
    for (const Variant& arg : row.args) shown += "[" + arg.ToString() + "]";
    SCOPED_TRACE(row.member + shown + " mode " + std::to_string(row.mode));
    const std::vector<ArgumentProblem> problems = ValidateArguments(row.member, row.args, row.mode);
    ASSERT_EQ(problems.size(), row.expected.size());
    for (std::size_t i = 0; i < problems.size(); ++i) {
      EXPECT_EQ(problems[i].parameter, row.expected[i].parameter);
      EXPECT_EQ(problems[i].value, row.expected[i].value);
      EXPECT_THAT(problems[i].problem, HasSubstr(row.expected[i].says));
    }
  }
}

// Any argument that makes the command other than its nominal shape (longer,
// shorter, a text cut) is found, and the representative calls are clean: the
// check reads the encoders' own output, so it cannot drift from them.
TEST(ValidateArguments, AgreesWithTheComposedCommandForEveryOperation) {
  for (const OperationRow& row : OperationRows()) {
    SCOPED_TRACE(row.op + " " + row.command);
    const ops::Operation* op = ops::FindOperation(row.op);
    ASSERT_NE(op, nullptr);
    const bool grows_at_end = row.op == "opMsgVisoreCortesia";
    const bool nominal = cp1252::CharCount(row.command) == op->NominalLength();
    EXPECT_EQ(ValidateArguments(row.op, row.text, row.mode).empty(), nominal || grows_at_end);
  }
}

// Wider than any field of the type: five digits for an Integer, ten digits
// of cents for an amount, eight digits of hundredths or thousandths.
Variant TooWide(VarType type) {
  switch (type) {
    case VarType::VT_CY: return "100000000";
    case VarType::VT_R4: return "100000";
    default: return "32767";
  }
}

// Each parameter in turn given a value too wide for any field of its type,
// then a negative one (a text: a character the line cannot carry): every
// such argument is reported, by its name.
TEST(ValidateArguments, EveryParameterOfEveryOperationIsJudged) {
  for (const ops::Operation& op : ops::Catalogue()) {
    std::vector<Variant> base;
    for (const auto& param : op.params) {
      base.push_back(param.type == VarType::VT_BSTR ? Variant("AB") : Variant("1"));
    }
    ASSERT_TRUE(ValidateArguments(op.name, base, kEuro).empty()) << op.name;
    for (std::size_t i = 0; i < op.params.size(); ++i) {
      const ParamInfo& param = op.params[i];
      const bool text = param.type == VarType::VT_BSTR;
      const bool last_field = op.name == "opMsgVisoreCortesia" && param.name == "Cursore";
      for (const Variant& bad : {text ? Variant(Repeat("W", 41)) : TooWide(param.type),
                                 text ? Variant("\u2713") : Variant("-1")}) {
        SCOPED_TRACE(std::string(op.name) + " " + std::string(param.name) + " = " + bad.ToString());
        std::vector<Variant> args = base;
        args[i] = bad;
        const auto problems = ValidateArguments(op.name, args, kEuro);
        if (last_field && bad == TooWide(param.type)) {
          EXPECT_TRUE(problems.empty());
          continue;
        }
        ASSERT_FALSE(problems.empty());
        EXPECT_EQ(problems.front().parameter, param.name);
      }
    }
  }
}

TEST(ValidateArguments, RefusesUnknownMembersAndWrongCountsAsInvokeDoes) {
  try {
    ValidateArguments("opRepart", {"1"}, kEuro);
    FAIL() << "an unknown member was validated";
  } catch (const DispatchError& e) {
    EXPECT_THAT(e.what(), HasSubstr("closest: opReparto"));
  }
  EXPECT_THROW(ValidateArguments("opReparto", {"1", "PANE"}, kEuro), DispatchError);
  EXPECT_THROW(ValidateArguments("LastEERR", {}, kEuro), DispatchError);
}

}  // namespace
}  // namespace tavirel
