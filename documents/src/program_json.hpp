#pragma once
// The JSON of a programming document's body: its tables (the fields of
// ProgramTables()), its version and its clock.
#include <nlohmann/json.hpp>

#include "json_fields.hpp"
#include "tavirel/documents/document.hpp"

namespace tavirel::documents {

/// Reads the body of a programming document into `d`, problems into `f`'s list.
void ReadProgramming(Fields& f, Document& d);

/// Adds the body's fields to `j`; amounts and percentages in their canonical
/// form when `canonical`, else as written.
void WriteProgramming(const Document& d, bool canonical, nlohmann::ordered_json& j);

}  // namespace tavirel::documents
