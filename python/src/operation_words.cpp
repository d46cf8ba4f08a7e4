#include "operation_words.hpp"

#include "descriptions.hpp"

namespace tavirel::python {

std::vector<std::pair<std::string, std::string>> OperationTexts() {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const opdoc::OperationText& t : opdoc::OperationTexts())
    rows.emplace_back(std::string(t.name), std::string(t.what));
  return rows;
}

std::vector<std::tuple<std::string, std::string, std::string>> ParameterTexts() {
  std::vector<std::tuple<std::string, std::string, std::string>> rows;
  for (const opdoc::ParameterText& t : opdoc::ParameterTexts())
    rows.emplace_back(std::string(t.operation), std::string(t.parameter), std::string(t.meaning));
  return rows;
}

}  // namespace tavirel::python
