#pragma once
// A bound on JSON nesting, checked on the text before any parser recurses
// into it.
#include <cstddef>
#include <string_view>

namespace tavirel::service {

/// The deepest nesting of arrays and objects in `text` (strings skipped,
/// escapes honoured). Malformed text gives a number too: parsing judges it.
std::size_t JsonDepth(std::string_view text);

}  // namespace tavirel::service
