#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

std::string Describe(const std::vector<Problem>& problems) {
  std::string text =
      problems.size() == 1 ? "1 problem" : std::to_string(problems.size()) + " problems";
  for (const Problem& p : problems) {
    text += "; ";
    if (!p.where.empty()) text += p.where + ": ";
    text += p.message;
  }
  return text;
}

}  // namespace

DocumentError::DocumentError(std::vector<Problem> problems)
    : TavirelError(Describe(problems)), problems_(std::move(problems)) {}

DocumentError::DocumentError(std::string where, std::string message)
    : DocumentError(std::vector<Problem>{{std::move(where), std::move(message)}}) {}

}  // namespace tavirel::documents
