#pragma once
// A folder of the test's own, made under a name nobody else holds and
// removed with everything in it at the end of the test; under the system's
// temporary folder, or in memory (/dev/shm, when there is one) for suites
// whose flushes should cost no disk.
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tavirel::testing {

class TempDir {
 public:
  explicit TempDir(bool in_memory = false) {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::error_code ec;
    if (in_memory && std::filesystem::is_directory("/dev/shm", ec)) base = "/dev/shm";
    std::random_device random;
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // create_directory fails on a name that exists: a new name then.
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = "tavirel-test-";
      for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
      if (std::filesystem::create_directory(base / name, ec)) {
        path_ = base / name;
        return;
      }
    }
    throw std::runtime_error("cannot make a temporary folder under " + base.string());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  /// A path inside the folder.
  [[nodiscard]] std::string operator/(const std::string& name) const {
    return (path_ / name).string();
  }
  [[nodiscard]] std::string File(const std::string& name) const { return *this / name; }
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tavirel::testing
