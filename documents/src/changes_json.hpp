#pragma once
// A list of programming changes as JSON text, for the runner's own record of
// the change whose write is out; and the outcome without its steps, for the
// runner's record of a document so far.
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/outcome.hpp"

namespace tavirel::documents {

std::string ChangesJson(const std::vector<Change>& changes);
/// The outcome's JSON (ToJson) with an empty list of steps, for a record
/// that keeps the steps elsewhere: no copy of them is made.
std::string ToJsonWithoutSteps(const Outcome& outcome);
/// Reads what ChangesJson wrote; throws DocumentError when it does not read.
std::vector<Change> ParseChanges(std::string_view json);

}  // namespace tavirel::documents
