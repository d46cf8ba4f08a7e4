#pragma once
// A folder of the test's own under the system's temporary folder (mkdtemp),
// removed with everything in it at the end of the test.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tavirel::sim::test {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavirel-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
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
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tavirel::sim::test
