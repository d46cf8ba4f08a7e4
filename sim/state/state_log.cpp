#include "state_log.hpp"

#include "state_json.hpp"

namespace tavirel::sim {
namespace {

using nlohmann::json;

template <typename T>
std::vector<T> From(const std::vector<T>& list, std::size_t first) {
  return std::vector<T>(list.begin() + static_cast<std::ptrdiff_t>(std::min(first, list.size())),
                        list.end());
}

json ReceiptTail(const OpenReceipt& r, const StateChange& c) {
  return json{{"entries_from", c.entries_before}, {"entries", From(r.entries, c.entries_before)},
              {"lines_from", c.lines_before},     {"lines", From(r.lines, c.lines_before)},
              {"corrected", c.corrected_entry},   {"paid", r.paid},
              {"operator_code", r.operator_code}, {"correctable", r.correctable}};
}

// A list cut back to `from` entries, which must not be more than it has.
template <typename T>
void CutTo(std::vector<T>& list, std::size_t from, const char* what) {
  if (from > list.size())
    throw std::invalid_argument(std::string("a change to ") + what +
                                " does not follow the state before it");
  list.resize(from);
}

void ApplyTail(const json& j, OpenReceipt& r) {
  const auto from = j.at("entries_from").get<std::size_t>();
  const bool shorter = from < r.entries.size();
  CutTo(r.entries, from, "the receipt");
  if (shorter) RecomputeSums(r);
  const int corrected = j.at("corrected").get<int>();
  if (corrected >= 0) {
    if (static_cast<std::size_t>(corrected) >= r.entries.size())
      throw std::invalid_argument("a correction of a receipt line that is not there");
    CorrectEntry(r, static_cast<std::size_t>(corrected));
  }
  for (ReceiptEntry& e : j.at("entries").get<std::vector<ReceiptEntry>>())
    AddEntry(r, std::move(e));
  CutTo(r.lines, j.at("lines_from").get<std::size_t>(), "the receipt's text");
  for (std::string& line : j.at("lines").get<std::vector<std::string>>())
    r.lines.push_back(std::move(line));
  j.at("paid").get_to(r.paid);
  j.at("operator_code").get_to(r.operator_code);
  j.at("correctable").get_to(r.correctable);
}

}  // namespace

std::string ChangeRecord(const RegisterState& s, const std::vector<FiscalRecord>& memory,
                         const StateChange& c, std::uint64_t n) {
  json j{{"n", n}, {"head", HeadOf(s)}};
  if (c.parts & kTablesPart) j["tables"] = json{{"tables", s.tables}, {"line_types", s.line_types}};
  if (c.parts & kDisplaysPart) j["displays"] = s.displays;
  if (c.parts & kFooterPart) j["footer"] = s.footer;
  if (c.parts & kTotalsPart)
    j["totals"] = json{{"daily", s.daily}, {"periodic", s.periodic}, {"day", s.day}};
  if (c.parts & kReceiptWholePart) {
    j["receipt"] = json{{"whole", s.receipt}, {"last_receipt", s.last_receipt}};
  } else if (c.parts & kReceiptTailPart) {
    j["receipt"] = json{{"tail", ReceiptTail(s.receipt, c)}};
  }
  if (c.parts & kMemoryPart)
    j["memory"] = json{{"from", c.memory_before}, {"records", From(memory, c.memory_before)}};
  return j.dump();
}

std::uint64_t ChangeNumber(const std::string& line) {
  return json::parse(line).at("n").get<std::uint64_t>();
}

void ApplyChangeRecord(const std::string& line, RegisterState& s,
                       std::vector<FiscalRecord>& memory) {
  const json j = json::parse(line);
  json head = j.at("head");
  // A record written before the register noted when its day began leaves it as it is.
  if (head.is_object() && !head.contains("day_opened_at")) head["day_opened_at"] = s.day_opened_at;
  SetHead(s, head.get<HeadValues>());
  if (j.contains("tables")) {
    j["tables"].at("tables").get_to(s.tables);
    j["tables"].at("line_types").get_to(s.line_types);
  }
  if (j.contains("displays")) j["displays"].get_to(s.displays);
  if (j.contains("footer")) j["footer"].get_to(s.footer);
  if (j.contains("totals")) {
    j["totals"].at("daily").get_to(s.daily);
    j["totals"].at("periodic").get_to(s.periodic);
    j["totals"].at("day").get_to(s.day);
  }
  if (j.contains("receipt")) {
    const json& r = j["receipt"];
    if (r.contains("whole")) {
      r["whole"].get_to(s.receipt);
      r.at("last_receipt").get_to(s.last_receipt);
    } else {
      ApplyTail(r.at("tail"), s.receipt);
    }
  }
  if (j.contains("memory")) {
    CutTo(memory, j["memory"].at("from").get<std::size_t>(), "the fiscal memory");
    for (FiscalRecord& record : j["memory"].at("records").get<std::vector<FiscalRecord>>())
      memory.push_back(std::move(record));
  }
}

}  // namespace tavirel::sim
