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
///  "serial", "queue_length", "running", "last_error"}
Json StatusJson(const RegisterStatus& status);

/// The outcome as the document layer writes it.
Json OutcomeJson(const documents::Outcome& outcome);

/// What the journal says of a key: the outcome once it is finished (failed
/// ones too; one sent again is queued anew), else {"key", "status":
/// "queued"|"running", "register"}.
Json EntryJson(const documents::JournalEntry& entry);

/// A document event: {"key", "register", "status", "outcome"?}.
Json DocumentEventJson(std::string_view key, std::string_view register_name,
                       std::string_view status, const documents::Outcome* outcome);

/// The error shape of every refusal: {"error": TEXT, "field": PATH|null}.
Json ErrorJson(std::string_view message, std::string_view field);

}  // namespace tavirel::service
