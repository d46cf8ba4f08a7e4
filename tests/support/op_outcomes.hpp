#pragma once
// Outcomes of OPs as the command line and the JSON answer receive them: the
// 56 result values as a reset leaves them with some set, and an operation's
// outcome around them.
#include <string>
#include <utility>
#include <vector>

#include "tavirel/json_ops/op_outcome.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::testing {

/// The record's values as a reset leaves them, with `set` stored over them.
inline std::vector<Variant> Record(const std::vector<std::pair<Prop, Variant>>& set) {
  ResultRecord record;
  record.ResetLastValues();
  for (const auto& [prop, value] : set) record.Set(prop, value);
  std::vector<Variant> values;
  for (const PropInfo& info : ResultProperties()) values.push_back(record.Get(info.prop));
  return values;
}

/// An operation's outcome: `member` returned `result` with the values `last`.
inline json_ops::OpOutcome Operation(std::string member, std::int16_t result,
                                     std::vector<Variant> last) {
  json_ops::OpOutcome outcome;
  outcome.member = std::move(member);
  outcome.operation = true;
  outcome.result = result;
  outcome.last = std::move(last);
  return outcome;
}

}  // namespace tavirel::testing
