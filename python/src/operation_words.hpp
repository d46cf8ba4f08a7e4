#pragma once
// The operations' words from the operations reference, as plain rows for
// docstrings and stubs.
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tavirel::python {

/// (operation, what it does) for every operation that has words.
std::vector<std::pair<std::string, std::string>> OperationTexts();
/// (operation or "" for every operation, parameter, what it means).
std::vector<std::tuple<std::string, std::string, std::string>> ParameterTexts();

}  // namespace tavirel::python
