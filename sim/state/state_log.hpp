#pragma once
// The change log's records: one line of JSON per command that changed the
// register, holding the new values of the parts it changed (for the growing
// lists, only what was added), so writing one costs what the command touched.
#include <cstdint>
#include <string>
#include <vector>

#include "tavirel/sim/register_state.hpp"
#include "tavirel/sim/state_change.hpp"

namespace tavirel::sim {

/// The record of `change`, numbered `n`, from the state after it (no newline).
std::string ChangeRecord(const RegisterState& s, const std::vector<FiscalRecord>& memory,
                         const StateChange& change, std::uint64_t n);
/// The number of a record line. Throws std::exception when the line is not one.
std::uint64_t ChangeNumber(const std::string& line);
/// Applies a record line to the state it follows. Throws std::exception when
/// the record is malformed or does not follow that state.
void ApplyChangeRecord(const std::string& line, RegisterState& s,
                       std::vector<FiscalRecord>& memory);

}  // namespace tavirel::sim
