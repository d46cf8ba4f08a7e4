#pragma once
// The demo's business day: every step an OP as a user would type it after
// `tavirel call`, grouped under a heading.
#include <span>
#include <string_view>

namespace tavirel::cli {

struct DayStep {
  std::string_view heading;  // printed before the step when not empty
  std::string_view op;
};

std::span<const DayStep> BusinessDay();

}  // namespace tavirel::cli
