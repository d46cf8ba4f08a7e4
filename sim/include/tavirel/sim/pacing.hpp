#pragma once
// How fast the register talks: bytes at the speed of the line, and a
// processing time per kind of command.
#include <chrono>
#include <string_view>

#include "tavirel/line_settings.hpp"

namespace tavirel::sim {

enum class CommandKind { Ordinary, Report, Closure, FiscalMemoryReport };

/// The kind of a command by its four-digit code (Ordinary for anything else).
CommandKind CommandKindOf(std::string_view command);

struct ProcessingTimes {
  std::chrono::milliseconds ordinary{0};
  std::chrono::milliseconds report{0};
  std::chrono::milliseconds closure{0};
  std::chrono::milliseconds fiscal_memory{0};
  /// A register of the usual speed: 40 ms a command, 1.5 s a report, 4 s a
  /// closure, 8 s the fiscal memory report.
  static ProcessingTimes Realistic();
  [[nodiscard]] std::chrono::milliseconds For(CommandKind kind) const;
};

struct Pacing {
  bool line_speed = false;  // bytes leave at the speed of `line`
  LineSettings line;
  ProcessingTimes processing;
  /// Line speed and realistic processing times.
  static Pacing Realistic(LineSettings line = {});
  /// Time of one character on the line, zero without line speed.
  [[nodiscard]] std::chrono::nanoseconds ByteTime() const;
};

}  // namespace tavirel::sim
