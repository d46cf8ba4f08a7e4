// The document's JSON: numbers by their text, shape problems all at once,
// one canonical text per document.
#include "tavirel/documents/document_json.hpp"

#include <gtest/gtest.h>

#include "tavirel/documents/errors.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {
namespace {

TEST(DocumentJson, NumbersAreTakenByTheirDigitsNeverAsBinaryFloatingPoint) {
  const Document d = ParseDocument(R"({"key": "a", "lines": [
      {"department": 1, "description": "X", "price": 0.10, "quantity": 1.250},
      {"department": 2, "description": "Y", "price": 12345678.90, "quantity": 3}],
      "payments": [{"type": "cash", "amount": 100}]})");
  EXPECT_EQ(d.lines[0].price, "0.10");
  EXPECT_EQ(d.lines[0].quantity, "1.250");
  EXPECT_EQ(d.lines[1].price, "12345678.90");
  EXPECT_EQ(d.lines[1].quantity, "3");
  EXPECT_EQ(d.payments[0].amount, "100");
  EXPECT_EQ(d.operator_code, 1);
}

// The one reader of numbers: an exponent is read as `tavirel call --json`
// reads it, and a number beyond every field's range is named by its field.
TEST(DocumentJson, NumbersWithAnExponentAreReadAndOneOutOfRangeIsNamed) {
  const Document d = ParseDocument(R"({"key": "e", "lines": [
      {"department": 1, "description": "X", "price": 1.5e0, "quantity": 25E-1}],
      "payments": [{"type": "cash", "amount": 2E+0}]})");
  EXPECT_EQ(d.lines[0].price, "1.5");
  EXPECT_EQ(d.lines[0].quantity, "2.5");
  EXPECT_EQ(d.payments[0].amount, "2");
  for (const char* number : {"1e400", "-1e999", "1e401"}) {
    try {
      ParseDocument(std::string(R"({"key": "e", "lines": [{"department": 1, "price": )") + number +
                    "}]}");
      ADD_FAILURE() << number << " was read";
    } catch (const DocumentError& e) {
      ASSERT_EQ(e.problems().size(), 1u) << e.what();
      EXPECT_EQ(e.problems()[0].where, "lines[0].price") << number;
      EXPECT_NE(e.problems()[0].message.find(number), std::string::npos) << e.what();
      EXPECT_NE(e.problems()[0].message.find("out of range"), std::string::npos) << e.what();
    }
  }
}

TEST(DocumentJson, EveryProblemOfShapeAtOnce) {
  try {
    ParseDocument(R"({"key": "a", "lines": [{"department": "1", "price": true, "colour": 1},
                                            {"type": "gift"}, 7],
                     "payments": [{"type": "card"}]})");
    FAIL() << "no error";
  } catch (const DocumentError& e) {
    std::vector<std::string> where;
    for (const Problem& p : e.problems()) where.push_back(p.where);
    EXPECT_EQ(where, (std::vector<std::string>{"lines[0].colour", "lines[0].department",
                                               "lines[0].description", "lines[0].price",
                                               "lines[1].type", "lines[2]", "payments[0].card"}));
  }
}

TEST(DocumentJson, TextThatIsNotADocument) {
  for (const char* text : {"", "[1]", "{\"key\": \"a\", \"type\": \"invoice\"}", "{\"key\": 5}",
                           "{\"key\": \"\"}", "{\"lines\": [", "{\"key\": \"a\", \"lines\": {}}"}) {
    EXPECT_THROW(ParseDocument(text), DocumentError) << text;
  }
}

TEST(DocumentJson, WrittenAndReadBackEqualWithOneCanonicalText) {
  const char* text = R"({"key": "k1", "type": "receipt", "operator": 2,
      "lines": [{"department": 1, "description": "PANE", "price": "+01.50", "code": "8001"},
                {"type": "text", "text": "OFFERTA"},
                {"type": "void", "department": 1, "description": "PANE", "price": "1.50",
                 "quantity": "0.500", "price_type": 2}],
      "adjustments": [{"type": "discount", "amount": ".50"}],
      "payments": [{"type": "ticket", "ticket": 2, "amount": "3"}, {"type": "cheque"}]})";
  const Document d = ParseDocument(text);
  const Document again = ParseDocument(ToJson(d));
  EXPECT_EQ(ToJson(again), ToJson(d));
  EXPECT_EQ(again.lines[0].price, "1.50");  // the plain form of "+01.50"
  EXPECT_EQ(again.adjustments[0].amount, "0.50");
  Document other_key = d;
  other_key.key = "k2";
  EXPECT_EQ(CanonicalContent(other_key), CanonicalContent(d));
  EXPECT_EQ(ContentHash(other_key), ContentHash(d));
  Document other_price = d;
  other_price.lines[0].price = "1.51";
  EXPECT_NE(ContentHash(other_price), ContentHash(d));
}

TEST(DocumentJson, NonFiscalAndReportDocuments) {
  const Document n = ParseDocument(
      R"({"key": "n", "type": "non-fiscal", "lines": [{"text": "GRAZIE"}, {"text": "A", "font": 3}]})");
  ASSERT_EQ(n.text_lines.size(), 2u);
  EXPECT_EQ(n.text_lines[0].font, 1);
  EXPECT_EQ(n.text_lines[1].font, 3);
  const Document r =
      ParseDocument(R"({"key": "r", "type": "report", "report": "x-operator-daily", "number": 3})");
  EXPECT_EQ(r.report, "x-operator-daily");
  EXPECT_EQ(r.report_number, 3);
  EXPECT_EQ(ParseDocument(ToJson(r)), r);
  EXPECT_EQ(ParseDocument(ToJson(n)), n);
}

TEST(OutcomeJson, ReadsBackWhatItWrites) {
  Outcome o;
  o.key = "k";
  o.status = Status::Voided;
  o.receipt_number = 12;
  o.date = "2026-12-07T10:30";
  o.total = "5.22";
  o.paid = "0.00";
  FailedStep f;
  f.index = 1;
  f.member = "opRepartoQInt";
  f.where = "lines[1]";
  f.result = -1;
  f.result_name = "EERR";
  f.printer_error = 21;
  f.printer_text = "SUPERA LIMITE";
  f.reason = "the register refused it";
  f.problems = {{"lines[0].price", "x"}};
  o.failed_step = f;
  o.steps = {{"opReparto", "1003...", 0, StepEnd::Answered},
             {"opRepartoQInt", "", std::nullopt, StepEnd::HangUp},
             {"opContante", "", -1, StepEnd::Answered},
             {"opSubTot", "", 0, StepEnd::BadReply}};
  o.due = "1.00";
  o.holds_register = true;
  EXPECT_EQ(ParseOutcome(ToJson(o)), o);
  // Each step's end is written in "result_name" beside the result's own name.
  EXPECT_NE(ToJson(o).find(R"("result":null,"result_name":"hang-up")"), std::string::npos);
  EXPECT_NE(ToJson(o).find(R"("result":-1,"result_name":"EERR")"), std::string::npos);
  EXPECT_THROW(ParseOutcome(R"({"key": "k"})"), DocumentError);
}

}  // namespace
}  // namespace tavirel::documents
