#pragma once
// Running one operation of the catalogue on a control: the command, the
// reset, the exchange and the decoding, for typed calls and calls by name.
#include <cstdint>
#include <initializer_list>
#include <span>

#include "control/control_impl.hpp"
#include "ops/catalogue.hpp"

namespace tavirel {

/// Runs `op` with `args` (all present, each of its parameter's type) on a
/// control whose BusyGuard the caller holds. A ConversionError while the
/// command is composed leaves CurrentCommand and the record as they were.
std::int16_t RunBound(TavirelControl::Impl& m, const ops::Operation& op,
                      std::span<const ops::Arg> args);

/// A typed call: the control made busy for it, then RunBound.
std::int16_t RunTyped(TavirelControl::Impl& m, const ops::Operation& op,
                      std::initializer_list<ops::Arg> args);

}  // namespace tavirel
