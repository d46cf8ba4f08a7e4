#pragma once
// JSON read so that numbers with a fraction or exponent keep the text they
// were written with: 1.50 becomes the string "1.50", never a double.
#include <nlohmann/json.hpp>
#include <string_view>

namespace tavirel::documents {

/// Parses `text`; a number that is not a whole number is stored as the
/// string of its digits. Throws DocumentError naming the position of a
/// syntax error.
nlohmann::json ReadJson(std::string_view text);

}  // namespace tavirel::documents
