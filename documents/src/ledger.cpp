#include "ledger.hpp"

#include <array>
#include <nlohmann/json.hpp>

#include "changes_json.hpp"
#include "json_object_writer.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

constexpr std::array<std::pair<Action, std::string_view>, 4> kActions{{
    {Action::None, "none"},
    {Action::Step, "step"},
    {Action::Void, "void"},
    {Action::End, "end"},
}};

std::string_view ActionName(Action action) {
  for (const auto& [a, name] : kActions) {
    if (a == action) return name;
  }
  return "none";
}

// By name; a journal of the first schema wrote the enum's number.
Action ReadAction(const nlohmann::json& j) {
  if (j.is_number_integer()) {
    const auto n = j.get<int>();
    if (n >= 0 && n < static_cast<int>(kActions.size()))
      return kActions[static_cast<std::size_t>(n)].first;
  } else {
    for (const auto& [a, name] : kActions) {
      if (j.is_string() && j.get<std::string>() == name) return a;
    }
  }
  throw JournalError("the journal's record of a run names no action: " + j.dump());
}

}  // namespace

std::string ToJson(const Ledger& l) {
  // Written once a step, so by hand rather than through a tree of nodes; the
  // text is what the JSON library wrote before (keys sorted), byte for byte.
  const std::string changes = ChangesJson(l.pending_changes);
  const std::string outcome = ToJsonWithoutSteps(l.outcome);  // the steps are the journal's rows
  std::string out;
  out.reserve(outcome.size() + changes.size() + 320);
  JsonObjectWriter w(out);
  w.Bool("end_repeated", l.end_repeated);
  w.Number("next", l.next);
  w.Bool("open", l.open);
  w.String("outcome", outcome);
  w.Number("paid", l.paid);
  w.Bool("paper_out", l.paper_out);
  w.Bool("payment_phase", l.payment_phase);
  w.String("pending", ActionName(l.pending));
  w.String("pending_changes", changes);
  w.Number("pending_record", l.pending_record);
  w.Number("pending_step", l.pending_step);
  w.Bool("stalled", l.stalled);
  w.Number("total", l.total);
  w.Bool("void_due", l.void_due);
  w.End();
  return out;
}

Ledger ParseLedger(std::string_view text) {
  Ledger l;
  if (text.empty()) return l;
  try {
    const nlohmann::json j = nlohmann::json::parse(text);
    l.next = j.at("next").get<std::size_t>();
    l.open = j.at("open").get<bool>();
    l.payment_phase = j.at("payment_phase").get<bool>();
    l.total = j.at("total").get<std::int64_t>();
    l.paid = j.at("paid").get<std::int64_t>();
    l.pending = ReadAction(j.at("pending"));
    l.pending_step = j.at("pending_step").get<std::size_t>();
    l.pending_record = j.at("pending_record").get<std::size_t>();
    l.end_repeated = j.at("end_repeated").get<bool>();
    l.stalled = j.at("stalled").get<bool>();
    l.paper_out = j.value("paper_out", false);
    l.void_due = j.value("void_due", false);
    if (const auto it = j.find("pending_changes"); it != j.end()) {
      l.pending_changes = ParseChanges(it->get<std::string>());
    }
    l.outcome = ParseOutcome(j.at("outcome").get<std::string>());
    l.outcome.steps.clear();  // taken from the journal's rows
  } catch (const nlohmann::json::exception& e) {
    throw JournalError(std::string("the journal's record of a run does not read: ") + e.what());
  } catch (const DocumentError& e) {
    throw JournalError(std::string("the journal's record of a run does not read: ") + e.what());
  }
  return l;
}

}  // namespace tavirel::documents
