#pragma once
// The operations reference (docs/operations.md), written from the catalogue
// and the descriptions.
#include <string>

namespace tavirel::opdoc {

/// The whole reference as Markdown. Throws std::logic_error naming every
/// operation or parameter that has no description, and every description
/// that names no operation.
std::string OperationsReference();

}  // namespace tavirel::opdoc
