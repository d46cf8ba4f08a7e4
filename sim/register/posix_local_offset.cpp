#include <ctime>

#include "local_offset.hpp"

namespace tavirel::sim {

std::int64_t LocalUtcOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_gmtoff;
}

}  // namespace tavirel::sim
