// The per-operation check preflight uses: the driver's own judgement of each
// argument against the command field it becomes.
#include "tavirel/documents/preflight.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/validate.hpp"

namespace tavirel::documents {
namespace {

std::vector<Problem> CheckArguments(std::string_view member, const std::vector<Variant>& args,
                                    std::int32_t euro_settings) {
  std::vector<Problem> problems;
  try {
    for (const ArgumentProblem& p : ValidateArguments(member, args, euro_settings)) {
      problems.push_back({p.parameter, "\"" + p.value + "\" " + p.problem});
    }
  } catch (const DispatchError& e) {
    problems.push_back({"", e.what()});
  }
  return problems;
}

}  // namespace

ArgumentCheck DefaultArgumentCheck() { return CheckArguments; }

}  // namespace tavirel::documents
