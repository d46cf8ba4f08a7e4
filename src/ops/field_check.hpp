#pragma once
// Whether a value fits its command field, judged on what the field encoders
// make of it, so the check and the command cannot disagree.
#include <cstdint>
#include <string>
#include <vector>

#include "ops/catalogue.hpp"

namespace tavirel::ops {

/// What is wrong with `value` (already of its parameter's type) in `field`,
/// in plain words, one text per problem; empty when it fits. A field made
/// from no argument has nothing wrong. In a currency mode that is neither
/// lire nor euro an amount's width is not judged (nothing is sent then).
std::vector<std::string> FieldProblems(const CommandField& field, const Variant& value,
                                       std::int32_t euro_settings);

}  // namespace tavirel::ops
