#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

std::string Describe(const std::vector<Problem>& problems, std::size_t unlisted) {
  const std::size_t count = problems.size() + unlisted;
  std::string text = count == 1 ? "1 problem" : std::to_string(count) + " problems";
  for (const Problem& p : problems) {
    text += "; ";
    if (!p.where.empty()) text += p.where + ": ";
    text += p.message;
  }
  if (unlisted > 0) text += "; and " + std::to_string(unlisted) + " more";
  return text;
}

}  // namespace

void ProblemList::Add(Problem problem) {
  if (listed_.size() < kListedProblems) {
    listed_.push_back(std::move(problem));
  } else {
    ++unlisted_;
  }
}

DocumentError::DocumentError(std::vector<Problem> problems, std::size_t unlisted)
    : TavirelError(Describe(problems, unlisted)),
      problems_(std::move(problems)),
      unlisted_(unlisted) {}

DocumentError::DocumentError(std::string where, std::string message)
    : DocumentError(std::vector<Problem>{{std::move(where), std::move(message)}}) {}

}  // namespace tavirel::documents
