#pragma once
// Writing a command string or a reply payload field by field.
#include <cstddef>
#include <string>

namespace tavirel::testing {

inline std::string Blanks(std::size_t n) { return std::string(n, ' '); }
inline std::string Zeros(std::size_t n) { return std::string(n, '0'); }

/// The fields joined, in order, with nothing between them.
template <typename... Parts>
std::string Fields(const Parts&... parts) {
  std::string joined;
  (joined += ... += parts);
  return joined;
}

}  // namespace tavirel::testing
