#include "api_json.hpp"

namespace tavirel::service {

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
