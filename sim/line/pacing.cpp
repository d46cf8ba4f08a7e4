#include "tavirel/sim/pacing.hpp"

namespace tavirel::sim {

using std::chrono::milliseconds;

CommandKind CommandKindOf(std::string_view command) {
  const std::string_view code = command.substr(0, 4);
  if (code.size() < 4) return CommandKind::Ordinary;
  if (code == "3001") return CommandKind::Closure;
  if (code == "3015") return CommandKind::FiscalMemoryReport;
  if (code == "3016") return CommandKind::Ordinary;
  if (code[0] == '2' || code.substr(0, 2) == "30") return CommandKind::Report;
  return CommandKind::Ordinary;
}

ProcessingTimes ProcessingTimes::Realistic() {
  return ProcessingTimes{milliseconds(40), milliseconds(1500), milliseconds(4000),
                         milliseconds(8000)};
}

milliseconds ProcessingTimes::For(CommandKind kind) const {
  switch (kind) {
    case CommandKind::Ordinary: return ordinary;
    case CommandKind::Report: return report;
    case CommandKind::Closure: return closure;
    case CommandKind::FiscalMemoryReport: return fiscal_memory;
  }
  return ordinary;
}

Pacing Pacing::Realistic(LineSettings line) {
  return Pacing{true, line, ProcessingTimes::Realistic()};
}

std::chrono::nanoseconds Pacing::ByteTime() const {
  if (!line_speed || line.baud <= 0) return std::chrono::nanoseconds(0);
  const double seconds = line.BitsPerCharacter() / static_cast<double>(line.baud);
  return std::chrono::nanoseconds(static_cast<std::int64_t>(seconds * 1e9));
}

}  // namespace tavirel::sim
