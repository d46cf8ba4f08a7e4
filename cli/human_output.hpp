#pragma once
// Without --json: one readable line per OP.
//   opReparto: OP_OK (0)  LastOPCode=1003 LastOP=1 ... LastImp=1.5 LastRep=2
//   opContante: EERR (-1) printer error 23 "CHIUDI SCONTRINO"
//   LastNumSF = 12
#include <string>
#include <vector>

#include "op_outcome.hpp"

namespace tavirel::cli {

/// "LastImp=1.5", "LastDescOpr=\"MARIO\"" for every result property whose
/// value differs from what a reset leaves, in interface order.
std::vector<std::string> ChangedValues(const std::vector<Variant>& last);

/// A value for people: numbers and Currency exactly, dates ISO, texts quoted
/// with control characters escaped (see QuotedText).
std::string HumanValue(const Variant& value);

std::string HumanLine(const OpOutcome& outcome);

}  // namespace tavirel::cli
