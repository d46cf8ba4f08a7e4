#pragma once
// Every value of a loaded state within the range the register itself keeps
// it in, so a damaged or crafted file can never make its arithmetic overflow
// or its tables be read out of bounds. Throws std::invalid_argument naming the
// field and the value.
#include <vector>

#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

void CheckRanges(const RegisterState& state, const std::vector<FiscalRecord>& memory);

}  // namespace tavirel::sim
