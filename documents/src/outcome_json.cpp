// The outcome's JSON: written in the order of the fields, read back from the
// journal.
#include <array>
#include <nlohmann/json.hpp>

#include "json_text.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {
namespace {

using ojson = nlohmann::ordered_json;
using json = nlohmann::json;

constexpr std::array<std::pair<Status, std::string_view>, 4> kStatuses{{
    {Status::Closed, "closed"},
    {Status::Voided, "voided"},
    {Status::Failed, "failed"},
    {Status::Uncertain, "uncertain"},
}};

template <typename T>
ojson Optional(const std::optional<T>& value) {
  return value ? ojson(*value) : ojson(nullptr);
}

ojson StepJson(const StepRecord& s) {
  return {{"member", s.member},
          {"command", s.command},
          {"result", Optional(s.result)},
          {"result_name", s.result_name}};
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
          {"reason", f.reason},
          {"problems", problems}};
}

template <typename T>
std::optional<T> Get(const json& j, const char* name) {
  const auto it = j.find(name);
  if (it == j.end() || it->is_null()) return std::nullopt;
  return it->get<T>();
}

StepRecord ReadStep(const json& j) {
  return {j.at("member").get<std::string>(), j.at("command").get<std::string>(),
          Get<std::int16_t>(j, "result"), j.at("result_name").get<std::string>()};
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
  f.reason = j.at("reason").get<std::string>();
  for (const json& p : j.at("problems")) {
    f.problems.push_back({p.at("where").get<std::string>(), p.at("message").get<std::string>()});
  }
  return f;
}

Status ReadStatus(const std::string& name) {
  for (const auto& [status, n] : kStatuses) {
    if (n == name) return status;
  }
  throw DocumentError("status", "unknown status \"" + name + "\"");
}

}  // namespace

std::string_view StatusName(Status status) {
  for (const auto& [s, name] : kStatuses) {
    if (s == status) return name;
  }
  return "";
}

std::string ToJson(const Outcome& o) {
  ojson steps = ojson::array();
  for (const StepRecord& s : o.steps) steps.push_back(StepJson(s));
  const ojson j = {{"key", o.key},
                   {"status", StatusName(o.status)},
                   {"receipt_number", Optional(o.receipt_number)},
                   {"date", Optional(o.date)},
                   {"total", Optional(o.total)},
                   {"paid", Optional(o.paid)},
                   {"change", Optional(o.change)},
                   {"failed_step", o.failed_step ? FailedJson(*o.failed_step) : ojson(nullptr)},
                   {"steps", steps},
                   {"replayed", o.replayed}};
  return j.dump(-1, ' ', false, ojson::error_handler_t::replace);
}

Outcome ParseOutcome(std::string_view text) {
  const json j = ReadJson(text);
  try {
    Outcome o;
    o.key = j.at("key").get<std::string>();
    o.status = ReadStatus(j.at("status").get<std::string>());
    o.receipt_number = Get<std::int32_t>(j, "receipt_number");
    o.date = Get<std::string>(j, "date");
    o.total = Get<std::string>(j, "total");
    o.paid = Get<std::string>(j, "paid");
    o.change = Get<std::string>(j, "change");
    if (const auto it = j.find("failed_step"); it != j.end() && !it->is_null()) {
      o.failed_step = ReadFailed(*it);
    }
    for (const json& s : j.at("steps")) o.steps.push_back(ReadStep(s));
    o.replayed = j.at("replayed").get<bool>();
    return o;
  } catch (const json::exception& e) {
    throw DocumentError("", std::string("not an outcome: ") + e.what());
  }
}

}  // namespace tavirel::documents
