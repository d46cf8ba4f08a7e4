// The document's JSON: numbers by their text, shape problems all at once,
// one canonical text per document.
#include "tavirel/documents/document_json.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

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

TEST(DocumentJson, ProgrammingAndReprintDocuments) {
  const Document p = ParseDocument(R"({"key": "p", "type": "programming", "version": 7,
      "departments": [{"number": 1, "description": "PANE", "prices": ["+1.50", null, 2]}],
      "vat": [{"number": 1, "rate": 10}], "header": [{"number": 1, "text": "BAR"}],
      "clock": {"max_drift_s": 60}})");
  EXPECT_EQ(p.version, 7);
  EXPECT_EQ(p.clock_max_drift_s, 60);
  const TableEntry& pane = p.tables.at("departments").at(0);
  EXPECT_EQ(pane.values, (std::map<std::string, std::string>{
                             {"description", "PANE"}, {"prices[0]", "+1.50"}, {"prices[2]", "2"}}));
  EXPECT_EQ(p.tables.at("vat").at(0).values.at("rate"), "10");
  const Document again = ParseDocument(ToJson(p));
  EXPECT_EQ(ToJson(again), ToJson(p));
  EXPECT_NE(ToJson(p).find(R"("prices":["1.50",null,"2"])"), std::string::npos) << ToJson(p);
  EXPECT_EQ(ToJson(p).find("operator"), std::string::npos);  // programming carries none
  Document same = p;
  same.tables["departments"][0].values["prices[0]"] = "1.5";
  EXPECT_EQ(ContentHash(same), ContentHash(p));
  same.tables["vat"][0].values["rate"] = "10.5";
  EXPECT_NE(ContentHash(same), ContentHash(p));

  const Document r = ParseDocument(R"({"key": "r", "type": "reprint", "operator": 2})");
  EXPECT_EQ(r.type, DocumentType::Reprint);
  EXPECT_EQ(ParseDocument(ToJson(r)), r);
}

TEST(DocumentJson, EveryProblemOfAProgrammingDocumentsShape) {
  try {
    ParseDocument(R"({"key": "p", "type": "programming", "operator": 1,
        "departments": [{"number": 1, "colour": "red", "prices": ["1", "2", "3", "4"]},
                        {"number": "2", "vat": 1.5}],
        "flags": {"number": 1}, "clock": 60, "coupons": []})");
    FAIL() << "read as a document";
  } catch (const DocumentError& e) {
    std::vector<std::string> where;
    for (const Problem& p : e.problems()) where.push_back(p.where);
    std::sort(where.begin(), where.end());
    EXPECT_EQ(where, (std::vector<std::string>{"clock", "coupons", "departments[0].colour",
                                               "departments[0].prices", "departments[1].number",
                                               "departments[1].vat", "flags", "operator"}));
  }
}

TEST(OutcomeJson, AProgrammingOutcomeReadsBackAndOthersKeepTheirShape) {
  Outcome o;
  o.key = "p";
  o.status = Status::Closed;
  o.version = 7;
  o.changes = {{"vat", 1, "rate", "22.00", "10.00"},
               {"clock", std::nullopt, "date_time", "2026-12-07T10:30", "2026-12-07T10:45"}};
  o.unchanged = 3;
  o.written = {{"header", 1, "text", std::nullopt, "BAR DA MARIO"}};
  EXPECT_EQ(ParseOutcome(ToJson(o)), o);
  EXPECT_NE(ToJson(o).find(R"("payments":[],"version":7,"changes":[{"table":"vat","number":1,)"
                           R"("field":"rate","from":"22.00","to":"10.00"})"),
            std::string::npos)
      << ToJson(o);
  Outcome receipt;
  receipt.key = "r";
  EXPECT_EQ(ToJson(receipt).find("changes"), std::string::npos);
  EXPECT_EQ(ParseOutcome(ToJson(receipt)), receipt);
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
