#include "backoff.hpp"

#include <algorithm>
#include <array>

namespace tavirel::service {
namespace {

using std::chrono::milliseconds;

// The n-th row is the wait after n failures in a row; the last one repeats.
constexpr std::array<milliseconds, 7> kDelays = {
    milliseconds(500),  milliseconds(1000),  milliseconds(2000),  milliseconds(4000),
    milliseconds(8000), milliseconds(15000), milliseconds(30000),
};

}  // namespace

milliseconds ReopenDelay(int failures) {
  const auto row =
      static_cast<std::size_t>(std::clamp(failures, 1, static_cast<int>(kDelays.size())));
  return kDelays[row - 1];
}

}  // namespace tavirel::service
