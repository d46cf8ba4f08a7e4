#pragma once
// The JSON the API answers with and the events carry, made in one place.
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
///  "last_error"}
Json StatusJson(const RegisterStatus& status);

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
