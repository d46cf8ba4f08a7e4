// The outcome's JSON (written in the order of the fields, read back from the
// journal), and the names of states and step ends, each in one table.
#include <array>
#include <nlohmann/json.hpp>

#include "changes_json.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/outcome.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

using ojson = nlohmann::ordered_json;
using json = nlohmann::json;

constexpr std::array<std::pair<Status, std::string_view>, 9> kStatuses{{
    {Status::Queued, "queued"},
    {Status::Running, "running"},
    {Status::Uncertain, "uncertain"},
    {Status::NeedsAttention, "needs-attention"},
    {Status::Closed, "closed"},
    {Status::Voided, "voided"},
    {Status::Failed, "failed"},
    {Status::Expired, "expired"},
    {Status::Cancelled, "cancelled"},
}};

constexpr std::array<std::pair<Settlement::Action, std::string_view>, 4> kActions{{
    {Settlement::Action::Retry, "retry"},
    {Settlement::Action::PayRest, "pay-rest"},
    {Settlement::Action::Void, "void"},
    {Settlement::Action::MarkSettled, "mark-settled"},
}};

constexpr std::array<std::pair<StepEnd, std::string_view>, 5> kStepEnds{{
    {StepEnd::Answered, "answered"},
    {StepEnd::BadReply, "bad-reply"},
    {StepEnd::HangUp, "hang-up"},
    {StepEnd::Cancelled, "cancelled"},
    {StepEnd::Interrupted, "interrupted"},
}};

template <typename Table, typename E>
std::string_view NameIn(const Table& table, E value) {
  for (const auto& [v, name] : table) {
    if (v == value) return name;
  }
  return "";
}

template <typename E, typename Table>
std::optional<E> ValueIn(const Table& table, std::string_view name) {
  for (const auto& [v, n] : table) {
    if (n == name) return v;
  }
  return std::nullopt;
}

template <typename T>
ojson Optional(const std::optional<T>& value) {
  return value ? ojson(*value) : ojson(nullptr);
}

ojson StepJson(const StepRecord& s) {
  return {{"member", s.member},
          {"command", s.command},
          {"result", Optional(s.result)},
          {"result_name", StepResultName(s)}};
}

ojson FailedJson(const FailedStep& f) {
  ojson problems = ojson::array();
  for (const Problem& p : f.problems)
    problems.push_back({{"where", p.where}, {"message", p.message}});
  return {{"index", Optional(f.index)},
          {"member", f.member},
          {"where", f.where},
          {"result", Optional(f.result)},
          {"result_name", f.result_name},
          {"printer_error", f.printer_error},
          {"printer_text", f.printer_text},
          {"kind", f.kind},
          {"reason", f.reason},
          {"problems", problems}};
}

ojson AmountsJson(const std::vector<AmountLine>& lines) {
  ojson list = ojson::array();
  for (const AmountLine& l : lines) {
    list.push_back({{"where", l.where}, {"member", l.member}, {"amount", l.amount}});
  }
  return list;
}

ojson ChangeListJson(const std::vector<Change>& changes) {
  ojson list = ojson::array();
  for (const Change& c : changes) {
    list.push_back({{"table", c.table},
                    {"number", Optional(c.number)},
                    {"field", c.field},
                    {"from", Optional(c.from)},
                    {"to", c.to}});
  }
  return list;
}

ojson SettlementJson(const Settlement& s) {
  ojson j = {{"action", NameIn(kActions, s.action)}};
  if (s.payment) {
    ojson p = {{"type", PaymentTypeName(s.payment->type)}};
    if (s.payment->amount) p["amount"] = *s.payment->amount;
    if (s.payment->type == PaymentType::Card) p["card"] = s.payment->card;
    if (s.payment->type == PaymentType::Ticket) p["ticket"] = s.payment->ticket;
    j["payment"] = p;
  }
  if (s.action == Settlement::Action::MarkSettled) j["settled_as"] = StatusName(s.settled_as);
  j["note"] = s.note;
  j["by"] = s.by;
  return j;
}

template <typename T>
std::optional<T> Get(const json& j, const char* name) {
  const auto it = j.find(name);
  if (it == j.end() || it->is_null()) return std::nullopt;
  return it->get<T>();
}

std::vector<Change> ReadChanges(const json& list) {
  std::vector<Change> changes;
  for (const json& c : list) {
    changes.push_back({c.at("table").get<std::string>(), Get<std::int64_t>(c, "number"),
                       c.at("field").get<std::string>(), Get<std::string>(c, "from"),
                       c.at("to").get<std::string>()});
  }
  return changes;
}

StepRecord ReadStep(const json& j) {
  StepRecord s{j.at("member").get<std::string>(), j.at("command").get<std::string>(),
               Get<std::int16_t>(j, "result"), StepEnd::Answered};
  // Written as the result's name, or the end's when it is not an answer.
  const auto name = j.at("result_name").get<std::string>();
  s.end = ValueIn<StepEnd>(kStepEnds, name).value_or(StepEnd::Answered);
  return s;
}

FailedStep ReadFailed(const json& j) {
  FailedStep f;
  f.index = Get<std::size_t>(j, "index");
  f.member = j.at("member").get<std::string>();
  f.where = j.at("where").get<std::string>();
  f.result = Get<std::int16_t>(j, "result");
  f.result_name = j.at("result_name").get<std::string>();
  f.printer_error = j.at("printer_error").get<std::int32_t>();
  f.printer_text = j.at("printer_text").get<std::string>();
  f.kind = Get<std::string>(j, "kind").value_or("");
  f.reason = j.at("reason").get<std::string>();
  for (const json& p : j.at("problems")) {
    f.problems.push_back({p.at("where").get<std::string>(), p.at("message").get<std::string>()});
  }
  return f;
}

Settlement ReadSettlement(const json& j) {
  Settlement s;
  const auto action = ValueIn<Settlement::Action>(kActions, j.at("action").get<std::string>());
  if (!action) throw DocumentError("settlement.action", "unknown action " + j.at("action").dump());
  s.action = *action;
  if (const auto it = j.find("payment"); it != j.end() && !it->is_null()) {
    Payment p;
    const auto type = PaymentTypeNamed(it->at("type").get<std::string>());
    if (!type) throw DocumentError("settlement.payment.type", "unknown payment type");
    p.type = *type;
    p.amount = Get<std::string>(*it, "amount");
    p.card = Get<std::int64_t>(*it, "card").value_or(0);
    p.ticket = Get<std::int64_t>(*it, "ticket").value_or(0);
    s.payment = p;
  }
  if (const auto as = Get<std::string>(j, "settled_as")) {
    s.settled_as = StatusNamed(*as).value_or(Status::Closed);
  }
  s.note = Get<std::string>(j, "note").value_or("");
  s.by = Get<std::string>(j, "by").value_or("");
  return s;
}

}  // namespace

std::string_view StatusName(Status status) { return NameIn(kStatuses, status); }
std::optional<Status> StatusNamed(std::string_view name) {
  return ValueIn<Status>(kStatuses, name);
}
bool IsFinal(Status status) {
  return status == Status::Closed || status == Status::Voided || status == Status::Failed ||
         status == Status::Expired || status == Status::Cancelled;
}

std::string_view SettlementActionName(Settlement::Action action) {
  return NameIn(kActions, action);
}
std::optional<Settlement::Action> SettlementActionNamed(std::string_view name) {
  return ValueIn<Settlement::Action>(kActions, name);
}

std::string_view StepEndName(StepEnd end) { return NameIn(kStepEnds, end); }
std::optional<StepEnd> StepEndNamed(std::string_view name) {
  return ValueIn<StepEnd>(kStepEnds, name);
}

std::string StepResultName(const StepRecord& step) {
  if (step.end == StepEnd::Answered && step.result) {
    return std::string(tavirel::ResultName(*step.result));
  }
  return std::string(StepEndName(step.end == StepEnd::Answered ? StepEnd::BadReply : step.end));
}

namespace {

std::string OutcomeJson(const Outcome& o, bool with_steps) {
  ojson steps = ojson::array();
  if (with_steps) {
    for (const StepRecord& s : o.steps) steps.push_back(StepJson(s));
  }
  ojson j = {{"key", o.key},
             {"status", StatusName(o.status)},
             {"receipt_number", Optional(o.receipt_number)},
             {"document_number", Optional(o.document_number)},
             {"fiscal_number", Optional(o.fiscal_number)},
             {"date", Optional(o.date)},
             {"total", Optional(o.total)},
             {"paid", Optional(o.paid)},
             {"change", Optional(o.change)},
             {"due", Optional(o.due)},
             {"adjustments", AmountsJson(o.adjustments)},
             {"payments", AmountsJson(o.payments)}};
  // A programming document's part; the other outcomes keep their shape.
  if (o.unchanged) {
    j["version"] = Optional(o.version);
    j["changes"] = ChangeListJson(o.changes);
    j["unchanged"] = *o.unchanged;
    j["written"] = ChangeListJson(o.written);
  }
  j["holds_register"] = o.holds_register;
  j["failed_step"] = o.failed_step ? FailedJson(*o.failed_step) : ojson(nullptr);
  j["settlement"] = o.settlement ? SettlementJson(*o.settlement) : ojson(nullptr);
  j["steps"] = steps;
  j["replayed"] = o.replayed;
  return j.dump(-1, ' ', false, ojson::error_handler_t::replace);
}

}  // namespace

std::string ToJson(const Outcome& o) { return OutcomeJson(o, true); }

std::string ToJsonWithoutSteps(const Outcome& o) { return OutcomeJson(o, false); }

std::string ChangesJson(const std::vector<Change>& changes) {
  if (changes.empty()) return "[]";  // every step but a programming write's: no tree for it
  return ChangeListJson(changes).dump(-1, ' ', false, ojson::error_handler_t::replace);
}

std::vector<Change> ParseChanges(std::string_view text) {
  try {
    return ReadChanges(json::parse(text));
  } catch (const json::exception& e) {
    throw DocumentError("changes", std::string("not a list of changes: ") + e.what());
  }
}

Outcome ParseOutcome(std::string_view text) {
  try {
    const json j = json::parse(text);
    Outcome o;
    o.key = j.at("key").get<std::string>();
    const auto status = StatusNamed(j.at("status").get<std::string>());
    if (!status) throw DocumentError("status", "unknown status " + j.at("status").dump());
    o.status = *status;
    o.receipt_number = Get<std::int32_t>(j, "receipt_number");
    o.document_number = Get<std::int32_t>(j, "document_number");
    o.fiscal_number = Get<std::int32_t>(j, "fiscal_number");
    o.date = Get<std::string>(j, "date");
    o.total = Get<std::string>(j, "total");
    o.paid = Get<std::string>(j, "paid");
    o.change = Get<std::string>(j, "change");
    o.due = Get<std::string>(j, "due");
    o.holds_register = Get<bool>(j, "holds_register").value_or(false);
    for (const char* list : {"adjustments", "payments"}) {
      const auto it = j.find(list);
      if (it == j.end()) continue;
      auto& into = std::string_view(list) == "payments" ? o.payments : o.adjustments;
      for (const json& l : *it) {
        into.push_back({l.at("where").get<std::string>(), l.at("member").get<std::string>(),
                        l.at("amount").get<std::string>()});
      }
    }
    o.version = Get<std::int64_t>(j, "version");
    o.unchanged = Get<std::int64_t>(j, "unchanged");
    if (const auto it = j.find("changes"); it != j.end()) o.changes = ReadChanges(*it);
    if (const auto it = j.find("written"); it != j.end()) o.written = ReadChanges(*it);
    if (const auto it = j.find("settlement"); it != j.end() && !it->is_null()) {
      o.settlement = ReadSettlement(*it);
    }
    if (const auto it = j.find("failed_step"); it != j.end() && !it->is_null()) {
      o.failed_step = ReadFailed(*it);
    }
    if (const auto it = j.find("steps"); it != j.end()) {
      for (const json& s : *it) o.steps.push_back(ReadStep(s));
    }
    o.replayed = Get<bool>(j, "replayed").value_or(false);
    return o;
  } catch (const json::exception& e) {
    throw DocumentError("", std::string("not an outcome: ") + e.what());
  }
}

}  // namespace tavirel::documents
