#include "api_json.hpp"

#include <cmath>
#include <cstdio>

namespace tavirel::service {

namespace {

// The register's status for people and screens, decided in this one place:
// the first that applies of stopped, unavailable, paper-out, needs-attention,
// closure-due, printing, ready.
std::string_view Summary(const RegisterStatus& status) {
  if (status.state == RegisterState::Stopped) return "stopped";
  if (status.state != RegisterState::Open) return "unavailable";
  if (status.attention) {
    return status.attention->kind == "paper-out" ? "paper-out" : "needs-attention";
  }
  if (status.closure_due) return "closure-due";
  if (status.running) return "printing";
  return "ready";
}

Json OptionalText(const std::optional<std::string>& text) {
  return text ? Json(*text) : Json(nullptr);
}

Json AttentionJson(const Attention& a) {
  Json error = nullptr;
  if (a.error_code) error = Json{{"code", *a.error_code}, {"text", a.error_text}, {"kind", a.kind}};
  return Json{{"key", a.key},
              {"reason", a.reason},
              {"kind", a.kind.empty() ? Json(nullptr) : Json(a.kind)},
              {"error", error},
              {"paid", OptionalText(a.paid)},
              {"left", OptionalText(a.left)}};
}

// The printer's paper errors: 1 is the journal roll's, 2 the receipt roll's.
Json PaperJson(const RegisterStatus& status) {
  if (!status.attention || status.attention->kind != "paper-out") return nullptr;
  const bool journal = status.attention->error_code == 1;
  return Json{{"which", journal ? "journal" : "receipt"}, {"document", status.attention->key}};
}

Json UnavailableJson(const RegisterStatus& status) {
  switch (status.state) {
    case RegisterState::Open: return nullptr;
    case RegisterState::Opening:
      return status.reason.empty() ? "the register is being opened" : status.reason;
    case RegisterState::Unavailable:
    case RegisterState::Stopped: return status.reason;
  }
  return nullptr;
}

}  // namespace

std::string IsoUtc(std::chrono::system_clock::time_point when) {
  const auto seconds = std::chrono::floor<std::chrono::seconds>(when);
  const auto day = std::chrono::floor<std::chrono::days>(seconds);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss time{seconds - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                int(time.minutes().count()), int(time.seconds().count()));
  return text;
}

Json RegisterSummaryJson(const RegisterStatus& status) {
  return Json{
      {"summary", Summary(status)},
      {"unavailable", UnavailableJson(status)},
      {"paper", PaperJson(status)},
      {"attention", status.attention ? AttentionJson(*status.attention) : Json(nullptr)},
      {"closure",
       Json{{"due", status.closure_due},
            {"hours_since_last", status.hours_since_closure
                                     ? Json(std::round(*status.hours_since_closure * 100) / 100)
                                     : Json(nullptr)},
            {"last", status.last_closure ? Json(IsoUtc(*status.last_closure)) : Json(nullptr)}}},
      {"waiting", status.queue_length},
  };
}

Json StatusJson(const RegisterStatus& status) {
  const auto& config = status.config;
  return Json{
      {"name", config.name},
      {"device", config.device},
      {"settings", config.settings},
      {"mode", ModeName(config.mode)},
      {"state", RegisterStateName(status.state)},
      {"open", status.state == RegisterState::Open},
      {"reason", status.reason.empty() ? Json(nullptr) : Json(status.reason)},
      {"serial", status.serial ? Json(*status.serial) : Json(nullptr)},
      {"queue_length", status.queue_length},
      {"running", status.running ? Json(*status.running) : Json(nullptr)},
      {"attention", status.attention
                        ? Json{{"key", status.attention->key}, {"reason", status.attention->reason}}
                        : Json(nullptr)},
      {"last_error", status.last_error.empty() ? Json(nullptr) : Json(status.last_error)},
      {"simulated", status.simulated},
      {"status", RegisterSummaryJson(status)},
  };
}

Json OutcomeJson(const documents::Outcome& outcome) {
  return Json::parse(documents::ToJson(outcome));
}

bool Answered(const documents::JournalEntry& entry) {
  return entry.outcome &&
         (documents::IsFinal(entry.status) || entry.status == documents::Status::NeedsAttention);
}

Json EntryJson(const documents::JournalEntry& entry) {
  if (Answered(entry)) return OutcomeJson(*entry.outcome);
  Json body{{"key", entry.key},
            {"status", documents::StatusName(entry.status)},
            {"register", entry.register_name}};
  // Uncertain: why it waits for its register.
  if (entry.outcome && entry.outcome->failed_step)
    body["reason"] = entry.outcome->failed_step->reason;
  return body;
}

Json DocumentEventJson(std::string_view key, std::string_view register_name,
                       std::string_view status, const documents::Outcome* outcome) {
  Json event{{"key", key}, {"register", register_name}, {"status", status}};
  if (outcome != nullptr) event["outcome"] = OutcomeJson(*outcome);
  return event;
}

Json ErrorJson(std::string_view message, std::string_view field) {
  return Json{{"error", message}, {"field", field.empty() ? Json(nullptr) : Json(field)}};
}

}  // namespace tavirel::service
