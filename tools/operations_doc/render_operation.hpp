#pragma once
// One operation's section of the reference.
#include <string>

#include "descriptions.hpp"
#include "ops/catalogue.hpp"

namespace tavirel::opdoc {

/// The meaning of a parameter of an operation, or nullptr.
const ParameterText* MeaningOf(std::string_view operation, std::string_view parameter);

/// The section: heading, what it does, signature, parameters, command,
/// reply limit, what it fills, refusals.
std::string RenderOperation(const ops::Operation& op, const OperationText& text);

}  // namespace tavirel::opdoc
