// Where the journal is kept by default on POSIX systems: the user's state
// folder (XDG).
#include <cstdlib>
#include <string>

#include "tavirel/documents/journal.hpp"

namespace tavirel::documents {

std::string DefaultJournalPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && *state != '\0') return std::string(state) + "/tavirel/journal.db";
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    throw JournalError("no place for the journal: neither XDG_STATE_HOME nor HOME is set");
  }
  return std::string(home) + "/.local/state/tavirel/journal.db";
}

}  // namespace tavirel::documents
