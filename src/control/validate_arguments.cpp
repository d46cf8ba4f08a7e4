// The argument check: the binder's conversions, then each command field
// judged on what its encoder would write.
#include <algorithm>

#include "control/bind_arguments.hpp"
#include "control/member_lookup.hpp"
#include "ops/catalogue.hpp"
#include "ops/field_check.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/validate.hpp"

namespace tavirel {
namespace {

const MemberInfo& MemberToValidate(std::string_view name) {
  if (const MemberInfo* method = FindMember(name, MemberKind::Method)) return *method;
  if (const MemberInfo* put = FindMember(name, MemberKind::PropertyPut)) return *put;
  return RequireMember(name, MemberKind::Method);
}

struct Bound {
  std::vector<Variant> values;  // in the parameters' types; empty where binding failed
  std::vector<ArgumentProblem> problems;
  std::vector<std::size_t> problem_param;  // the parameter of each problem, for the order
};

std::string ShownValue(const std::vector<Variant>& args, const ParamInfo& param, std::size_t i) {
  return i < args.size() && !args[i].empty() ? args[i].ToString() : param.default_value.ToString();
}

Bound BindEach(const MemberInfo& member, const std::vector<Variant>& args) {
  Bound bound;
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    const ParamInfo& param = member.params[i];
    try {
      bound.values.push_back(i < args.size() ? BindArgument(member, i, args[i])
                                             : param.default_value);
      continue;
    } catch (const ConversionError& e) {
      bound.problems.push_back(
          {std::string(param.name), ShownValue(args, param, i), ConversionProblem(param, e)});
    } catch (const DispatchError&) {
      bound.problems.push_back({std::string(param.name), "", "is missing"});
    }
    bound.problem_param.push_back(i);
    bound.values.emplace_back();
  }
  return bound;
}

}  // namespace

std::vector<ArgumentProblem> ValidateArguments(std::string_view member,
                                               const std::vector<Variant>& args,
                                               std::int32_t euro_settings) {
  const MemberInfo& info = MemberToValidate(member);
  CheckArgumentCount(info, args.size());
  Bound bound = BindEach(info, args);
  if (const ops::Operation* op = ops::FindOperation(info.name)) {
    for (const ops::CommandField& field : op->fields) {
      if (field.arg < 0) continue;
      const auto i = static_cast<std::size_t>(field.arg);
      if (bound.values[i].empty()) continue;
      const ParamInfo& param = info.params[i];
      for (std::string& problem : ops::FieldProblems(field, bound.values[i], euro_settings)) {
        bound.problems.push_back(
            {std::string(param.name), ShownValue(args, param, i), std::move(problem)});
        bound.problem_param.push_back(i);
      }
    }
  }
  // In parameter order, whatever the order of the fields.
  std::vector<std::size_t> order(bound.problems.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return bound.problem_param[a] < bound.problem_param[b];
  });
  std::vector<ArgumentProblem> sorted;
  for (std::size_t i : order) sorted.push_back(std::move(bound.problems[i]));
  return sorted;
}

}  // namespace tavirel
