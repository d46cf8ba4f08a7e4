#pragma once
// A list of programming changes as JSON text, for the runner's own record of
// the change whose write is out.
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {

std::string ChangesJson(const std::vector<Change>& changes);
/// Reads what ChangesJson wrote; throws DocumentError when it does not read.
std::vector<Change> ParseChanges(std::string_view json);

}  // namespace tavirel::documents
