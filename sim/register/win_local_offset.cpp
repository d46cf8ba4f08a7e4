#include <ctime>

#include "local_offset.hpp"

namespace tavirel::sim {

// The local wall time read back as if it were UTC, less the time itself.
std::int64_t LocalUtcOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  return static_cast<std::int64_t>(_mkgmtime(&local) - now);
}

}  // namespace tavirel::sim
