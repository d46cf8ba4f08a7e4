// The runner's record of a document so far is written at every step by a
// writer of its own: its text must be what the JSON library wrote for it
// before (journals in service hold that text, and older programs read it),
// and it must read back to the same ledger. The library's dump of the same
// members is the oracle.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "changes_json.hpp"
#include "json_object_writer.hpp"
#include "ledger.hpp"

namespace tavirel::documents::test {
namespace {

std::string LibraryText(const Ledger& l) {
  Outcome so_far = l.outcome;
  so_far.steps.clear();
  const char* pending[] = {"none", "step", "void", "end"};
  const nlohmann::json j = {{"next", l.next},
                            {"open", l.open},
                            {"payment_phase", l.payment_phase},
                            {"total", l.total},
                            {"paid", l.paid},
                            {"pending", pending[static_cast<int>(l.pending)]},
                            {"pending_step", l.pending_step},
                            {"pending_record", l.pending_record},
                            {"end_repeated", l.end_repeated},
                            {"stalled", l.stalled},
                            {"paper_out", l.paper_out},
                            {"void_due", l.void_due},
                            {"pending_changes", ChangesJson(l.pending_changes)},
                            {"outcome", ToJson(so_far)}};
  return j.dump();
}

TEST(LedgerJson, TextAsTheLibraryWroteItAndReadsBack) {
  Ledger fresh;
  Ledger mid;
  mid.next = 7;
  mid.open = true;
  mid.total = 123456789012;
  mid.paid = -5;
  mid.pending = Action::Step;
  mid.pending_step = 6;
  mid.pending_record = 9;
  mid.outcome.key = "k-\"quoted\"\\back";
  mid.outcome.status = Status::Running;
  mid.outcome.receipt_number = 42;
  mid.outcome.total = "12.30";
  mid.outcome.steps = {{"opReparto", "3003...", 0, StepEnd::Answered}};  // not written
  mid.outcome.failed_step = FailedStep{};
  mid.outcome.failed_step->reason = "line\nbreak\ttab\x01\x1f\x7f CAFFÈ €";
  Ledger flags = mid;
  flags.payment_phase = flags.end_repeated = flags.stalled = flags.paper_out = flags.void_due =
      true;
  flags.pending = Action::End;
  Ledger programming;
  programming.pending = Action::Void;
  programming.pending_changes = {{"departments", 3, "description", "PANE \"fresco\"", "PANE\\1"},
                                 {"clock", std::nullopt, "date_time", std::nullopt, "2026-12-08"}};
  programming.outcome.unchanged = 2;
  for (const Ledger* l : {&fresh, &mid, &flags, &programming}) {
    const std::string text = ToJson(*l);
    EXPECT_EQ(text, LibraryText(*l));
    EXPECT_EQ(ToJson(ParseLedger(text)), text) << "read back";
  }
}

TEST(LedgerJson, WriterEscapesAsTheLibrary) {
  const std::string texts[] = {"",
                               "plain",
                               "\"q\" \\ /",
                               std::string("nul\0in", 6),
                               "\b\f\n\r\t\x01\x1f\x7f",
                               "CAFFÈ € \xF0\x9F\x8D\x95"};
  for (const std::string& text : texts) {
    std::string out;
    JsonObjectWriter w(out);
    w.String("s", text);
    w.Number("n", std::int64_t{-9223372036854775807 - 1});
    w.Bool("b", false);
    w.End();
    const nlohmann::ordered_json j = {
        {"s", text}, {"n", std::int64_t{-9223372036854775807 - 1}}, {"b", false}};
    EXPECT_EQ(out, j.dump()) << text;
  }
}

}  // namespace
}  // namespace tavirel::documents::test
