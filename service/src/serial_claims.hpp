#pragma once
// Which configured register holds which fiscal register. Two names that
// reach the same register (one device by two paths, a device and the device
// server in front of it) would send it two documents at once, and each
// would settle the other's unfinished documents by readings of the wrong
// line. The journal knows a register by its fiscal serial number: the
// second name to open a serial that another holds is refused.
//
// Thread safety: every member may be called from any thread at once.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tavirel::service {

class SerialClaims {
 public:
  /// Takes `serial` for the register `name`. When another register holds it
  /// already, nothing is taken and that register's name is returned.
  std::optional<std::string> Claim(std::int32_t serial, const std::string& name) {
    std::lock_guard lock(mutex_);
    const auto [at, taken] = holders_.emplace(serial, name);
    if (taken || at->second == name) return std::nullopt;
    return at->second;
  }

  /// Lets go of the serial `name` holds, if any.
  void Release(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::erase_if(holders_, [&](const auto& holder) { return holder.second == name; });
  }

 private:
  std::mutex mutex_;
  std::map<std::int32_t, std::string> holders_;
};

}  // namespace tavirel::service
