#pragma once
// Schema 4: the outbox's table and the triggers that fill it (outbox.hpp).
#include "sqlite_db.hpp"

namespace tavirel::documents {

/// Creates the outbox's tables and triggers, inside the caller's transaction.
void AddOutbox(Database& db);

}  // namespace tavirel::documents
