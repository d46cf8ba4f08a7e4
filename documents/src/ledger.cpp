#include "ledger.hpp"

#include <array>
#include <nlohmann/json.hpp>

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
  Outcome so_far = l.outcome;
  so_far.steps.clear();  // the steps are the journal's rows
  const nlohmann::json j = {{"next", l.next},
                            {"open", l.open},
                            {"payment_phase", l.payment_phase},
                            {"total", l.total},
                            {"paid", l.paid},
                            {"pending", ActionName(l.pending)},
                            {"pending_step", l.pending_step},
                            {"pending_record", l.pending_record},
                            {"end_repeated", l.end_repeated},
                            {"stalled", l.stalled},
                            {"paper_out", l.paper_out},
                            {"void_due", l.void_due},
                            {"outcome", ToJson(so_far)}};
  return j.dump();
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
