#pragma once
// Splits a console line into words as a shell does: blanks separate words,
// double quotes group a text with its blanks (and may stand inside a word:
// Desc="a b" is one word), a backslash takes the next character literally
// (inside quotes only before " and \).
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/errors.hpp"

namespace tavirel::studio {

/// A quote left open or a backslash at the end of the line.
class CommandSyntaxError : public TavirelError {
 public:
  using TavirelError::TavirelError;
};

std::vector<std::string> SplitCommandWords(std::string_view line);

}  // namespace tavirel::studio
