// Preflight: each row a document with one fault and the field it must be
// named by; every problem at once; nothing reaches the register.
#include "tavirel/documents/preflight.hpp"

#include <gtest/gtest.h>

#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

std::string Receipt(const std::string& lines, const std::string& payments = R"([{"type": "cash"}])",
                    const std::string& adjustments = "[]") {
  return R"({"key": "k", "lines": )" + lines + R"(, "adjustments": )" + adjustments +
         R"(, "payments": )" + payments + "}";
}
std::string Sale(const std::string& fields) {
  return R"([{"department": 1, "description": "PANE", "price": "1.50")" + fields + "}]";
}

std::string Receipt1(const std::string& fields) { return Receipt(Sale(fields)); }

struct Row {
  const char* what;
  std::string json;
  std::int32_t mode;
  const char* where;  // the field the problem must name
};

const Row kRows[] = {
    {"description cut", Receipt1(R"(, "description": "ABCDEFGHIJKLMNOPQRSTU")"), 2,
     "lines[0].description"},
    {"not Windows-1252", Receipt1(R"(, "description": "PANE \u2192")"), 2, "lines[0].description"},
    {"cent fraction", Receipt1(R"(, "price": "1.505")"), 2, "lines[0].price"},
    {"lire with decimals", Receipt1(""), 1, "lines[0].price"},
    {"negative price", Receipt1(R"(, "price": "-1.00")"), 2, "lines[0].price"},
    {"price too wide", Receipt1(R"(, "price": "10000000.00")"), 2, "lines[0].price"},
    {"price not decimal", Receipt1(R"(, "price": "1,50")"), 2, "lines[0].price"},
    {"zero quantity", Receipt1(R"(, "quantity": "0")"), 2, "lines[0].quantity"},
    {"quantity decimals", Receipt1(R"(, "quantity": "1.2345")"), 2, "lines[0].quantity"},
    {"whole quantity too wide", Receipt1(R"(, "quantity": 10000)"), 2, "lines[0].quantity"},
    {"decimal quantity too wide", Receipt1(R"(, "quantity": "10000.5")"), 2, "lines[0].quantity"},
    {"department zero", Receipt1(R"(, "department": 0)"), 2, "lines[0].department"},
    {"department too wide", Receipt1(R"(, "department": 100)"), 2, "lines[0].department"},
    {"price type too wide", Receipt1(R"(, "price_type": 10)"), 2, "lines[0].price_type"},
    {"code too long", Receipt1(R"(, "code": ")" + std::string(41, '1') + "\""), 2, "lines[0].code"},
    {"operator too wide",
     R"({"key": "k", "operator": 100, "lines": )" + Sale("") +
         R"(, "payments": [{"type": "cash"}]})",
     2, "operator"},
    {"empty receipt", Receipt("[]"), 2, "lines"},
    {"opens with a text", Receipt(R"([{"type": "text", "text": "CIAO"}])"), 2, "lines[0]"},
    {"text too long", Receipt(R"([{"department": 1, "description": "A", "price": "1"},
                                  {"type": "text", "text": "123456789012345678901"}])"),
     2, "lines[1].text"},
    {"no payment", Receipt(Sale(""), "[]"), 2, "payments"},
    {"payments short", Receipt(Sale(""), R"([{"type": "cash", "amount": "1.00"}])"), 2, "payments"},
    {"rest paid too early",
     Receipt(Sale(""), R"([{"type": "card", "card": 1}, {"type": "cash", "amount": "1.00"}])"), 2,
     "payments[0]"},
    {"closed before the last payment",
     Receipt(Sale(""), R"([{"type": "cash", "amount": "2.00"}, {"type": "card", "card": 1}])"), 2,
     "payments[0]"},
    {"card too wide", Receipt(Sale(""), R"([{"type": "card", "card": 100}])"), 2,
     "payments[0].card"},
    {"ticket of nothing", Receipt(Sale(""), R"([{"type": "ticket", "ticket": 1, "amount": "0"}])"),
     2, "payments[0].amount"},
    {"percent too wide",
     Receipt(Sale(""), R"([{"type": "cash"}])",
             R"([{"type": "discount-percent", "percent": "100"}])"),
     2, "adjustments[0].percent"},
    {"percent decimals",
     Receipt(Sale(""), R"([{"type": "cash"}])",
             R"([{"type": "surcharge-percent", "percent": "1.125"}])"),
     2, "adjustments[0].percent"},
    {"discount of nothing",
     Receipt(Sale(""), R"([{"type": "cash"}])", R"([{"type": "discount", "amount": "0"}])"), 2,
     "adjustments[0].amount"},
    {"unknown report", R"({"key": "k", "type": "report", "report": "x-monthly"})", 2, "report"},
    {"report of one operator, too wide",
     R"({"key": "k", "type": "report", "report": "x-operator-daily", "number": 100})", 2, "number"},
    {"number for a report without one",
     R"({"key": "k", "type": "report", "report": "fiscal-closure", "number": 1})", 2, "number"},
    {"non-fiscal font",
     R"({"key": "k", "type": "non-fiscal", "lines": [{"text": "A", "font": 10}]})", 2,
     "lines[0].font"},
    {"non-fiscal line too long",
     R"({"key": "k", "type": "non-fiscal", "lines": [{"text": ")" + std::string(41, 'x') + "\"}]}",
     2, "lines[0].text"},
    {"empty non-fiscal document", R"({"key": "k", "type": "non-fiscal", "lines": []})", 2, "lines"},
    {"unknown currency mode", Receipt(Sale("")), 0, ""},
    // Control characters would reach the printer as commands of their own.
    {"ESC in a description", Receipt1(R"(, "description": "PANE\u001b[2J")"), 2,
     "lines[0].description"},
    {"NUL in a code", Receipt1(R"(, "code": "80\u0000")"), 2, "lines[0].code"},
    {"CR in an additional text", Receipt(R"([{"department": 1, "description": "A", "price": "1"},
                 {"type": "text", "text": "RIGA\rRIGA"}])"),
     2, "lines[1].text"},
    {"LF in a non-fiscal line",
     R"({"key": "k", "type": "non-fiscal", "lines": [{"text": "A\nB"}]})", 2, "lines[0].text"},
    {"DEL in a description", Receipt1(R"(, "description": "PANE\u007f")"), 2,
     "lines[0].description"},
    // The running total as the register keeps it: never below zero; a void
    // takes back only what was sold.
    {"discount over the total",
     Receipt(Sale(""), R"([{"type": "cash"}])", R"([{"type": "discount", "amount": "5.00"}])"), 2,
     "adjustments[0]"},
    {"return over the total", Receipt(R"([{"department": 1, "description": "A", "price": "1.00"},
                 {"type": "return", "department": 1, "description": "B", "price": "5.00"}])"),
     2, "lines[1]"},
    {"void of a line never sold",
     Receipt(R"([{"department": 1, "description": "A", "price": "9.00"},
                 {"type": "void", "department": 2, "description": "B", "price": "1.00"}])"),
     2, "lines[1]"},
    {"void of more than was sold",
     Receipt(R"([{"department": 1, "description": "A", "price": "1.00", "quantity": 2},
                 {"type": "void", "department": 1, "description": "A", "price": "1.00",
                  "quantity": 3}])"),
     2, "lines[1]"},
    {"key that names nothing", R"({"key": "..", "type": "report", "report": "x-financial-daily"})",
     2, "key"},
    {"key with a control character",
     R"({"key": "a\u001bb", "type": "report", "report": "x-financial-daily"})", 2, "key"},
};

TEST(Preflight, EachFaultIsNamedByItsField) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    Document document;
    ASSERT_NO_THROW(document = ParseDocument(row.json)) << row.json;
    const auto problems = Preflight(document, row.mode);
    ASSERT_EQ(problems.size(), 1u)
        << (problems.empty() ? "" : problems.front().where + " " + problems.front().message);
    EXPECT_EQ(problems.front().where, row.where) << problems.front().message;
    EXPECT_FALSE(problems.front().message.empty());
  }
}

TEST(Preflight, EveryProblemAtOnce) {
  const auto problems = Preflight(
      ParseDocument(Receipt(R"([{"department": 0, "description": "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                 "price": "-1.005"},
                                {"department": 1, "description": "B", "price": "1", "quantity": "0"}])")),
      2);
  std::vector<std::string> where;
  for (const Problem& p : problems) where.push_back(p.where);
  EXPECT_EQ(where, (std::vector<std::string>{"lines[0].department", "lines[1].quantity",
                                             "lines[0].price", "lines[0].description"}));
}

TEST(Preflight, ValidDocumentsPassInBothCurrencies) {
  EXPECT_TRUE(Preflight(ParseDocument(Receipt(Sale(R"(, "price": "1500")"),
                                              R"([{"type": "cash", "amount": 2000}])")),
                        1)
                  .empty());
  EXPECT_TRUE(
      Preflight(
          ParseDocument(Receipt(
              R"([{"department": 1, "description": "PANE \u20ac", "price": 1.50,
                                 "quantity": "1.250", "code": "8001234567890"},
                                {"type": "text", "text": "OFFERTA"},
                                {"type": "return", "department": 1, "description": "X", "price": "0.10"}])",
              R"([{"type": "ticket", "ticket": 1, "amount": "1.00"}, {"type": "card", "card": 1}])",
              R"([{"type": "discount-percent", "percent": 10}])")),
          2)
          .empty());
}

TEST(Preflight, ProblemsFailTheDocumentWithNothingSentOrRecorded) {
  DocumentRig rig;
  const int frames = rig.line.reg->Stats().frames;
  const Outcome o = rig.Run(Receipt(Sale(R"(, "price": "1.505")")));
  EXPECT_EQ(o.status, Status::Failed);
  ASSERT_TRUE(o.failed_step);
  ASSERT_EQ(o.failed_step->problems.size(), 1u);
  EXPECT_EQ(o.failed_step->problems.front().where, "lines[0].price");
  EXPECT_EQ(rig.line.reg->Stats().frames, frames);
  EXPECT_FALSE(rig.journal.Lookup("k").has_value());
}

}  // namespace
}  // namespace tavirel::documents::test
