// Where the journal is kept by default on Windows: the user's local
// application data (%LOCALAPPDATA%\tavirel), which is the user's alone.
#include <cstdlib>
#include <string>

#include "tavirel/documents/journal.hpp"

namespace tavirel::documents {

std::string DefaultJournalPath() {
  const char* local = std::getenv("LOCALAPPDATA");
  if (local == nullptr || *local == '\0')
    throw JournalError("no place for the journal: LOCALAPPDATA is not set");
  return std::string(local) + "\\tavirel\\journal.db";
}

}  // namespace tavirel::documents
