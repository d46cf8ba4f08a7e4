#pragma once
// The journal's tables, and the steps that bring a file of an earlier schema
// up to this build's (PRAGMA user_version), each in one transaction.
#include "sqlite_db.hpp"

namespace tavirel::documents {

/// Refuses a file written by a newer schema (naming its version) before
/// anything of it is touched. Throws JournalError.
void CheckSchemaVersion(Database& db);

/// Creates the tables in a new file, or migrates an older schema. Throws
/// JournalError for a file that is not a journal.
void BringUpToDate(Database& db);

}  // namespace tavirel::documents
