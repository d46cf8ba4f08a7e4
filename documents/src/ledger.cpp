#include "ledger.hpp"

#include <nlohmann/json.hpp>

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

std::string ToJson(const Ledger& l) {
  const nlohmann::json j = {{"next", l.next},
                            {"open", l.open},
                            {"payment_phase", l.payment_phase},
                            {"total", l.total},
                            {"paid", l.paid},
                            {"pending", static_cast<int>(l.pending)},
                            {"pending_step", l.pending_step},
                            {"pending_record", l.pending_record},
                            {"end_repeated", l.end_repeated},
                            {"stalled", l.stalled},
                            {"outcome", ToJson(l.outcome)}};
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
    l.pending = static_cast<Action>(j.at("pending").get<int>());
    l.pending_step = j.at("pending_step").get<std::size_t>();
    l.pending_record = j.at("pending_record").get<std::size_t>();
    l.end_repeated = j.at("end_repeated").get<bool>();
    l.stalled = j.at("stalled").get<bool>();
    l.outcome = ParseOutcome(j.at("outcome").get<std::string>());
  } catch (const nlohmann::json::exception& e) {
    throw JournalError(std::string("the journal's record of a run does not read: ") + e.what());
  }
  return l;
}

}  // namespace tavirel::documents
