#pragma once
// The JSON the API answers with and the events carry, made in one place.
#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "register_worker.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/outcome.hpp"

namespace tavirel::service {

using Json = nlohmann::json;

/// {"name", "device", "settings", "mode", "state", "open", "reason",
///  "serial", "queue_length", "running", "attention": {"key", "reason"}|null,
///  "last_error", "simulated", "status": RegisterSummaryJson}
Json StatusJson(const RegisterStatus& status);

/// {"summary": "ready"|"printing"|"paper-out"|"needs-attention"|
///  "closure-due"|"unavailable"|"stopped", "unavailable": why|null,
///  "paper": {"which", "document"}|null, "attention": {"key", "reason",
///  "kind", "error": {"code", "text", "kind"}|null, "paid", "left"}|null,
///  "closure": {"due", "hours_since_last", "last"}, "waiting": N}
Json RegisterSummaryJson(const RegisterStatus& status);

/// "2026-12-08T05:30:00Z".
std::string IsoUtc(std::chrono::system_clock::time_point when);

/// The outcome as the document layer writes it.
Json OutcomeJson(const documents::Outcome& outcome);

/// True when the journal answers the key with its outcome: final (failed
/// ones too; one sent again is queued anew) or needing attention.
bool Answered(const documents::JournalEntry& entry);

/// What the journal says of a key: its outcome when Answered, else {"key",
/// "status": "queued"|"running"|"uncertain", "register", "reason"?}.
Json EntryJson(const documents::JournalEntry& entry);

/// A document event: {"key", "register", "status", "outcome"?}.
Json DocumentEventJson(std::string_view key, std::string_view register_name,
                       std::string_view status, const documents::Outcome* outcome);

/// The error shape of every refusal: {"error": TEXT, "field": PATH|null}.
Json ErrorJson(std::string_view message, std::string_view field);

}  // namespace tavirel::service
