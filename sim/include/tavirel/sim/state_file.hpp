#pragma once
// The register's state kept in a file: written whole and atomically after
// every change (temporary file, flush to disk, rename), read back at start.
#include <string>
#include <vector>

#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

struct SavedRegister {
  RegisterState state;
  std::vector<FiscalRecord> memory;
};

class StateFile {
 public:
  explicit StateFile(std::string path);
  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] bool Exists() const;
  /// Throws StateFileError when the file is there but read-only: a state its
  /// owner protected is not replaced.
  void CheckWritable() const;
  /// Reads the file. Throws StateFileError naming the file when it cannot be
  /// read, is not JSON, is not a state of this register or is incomplete.
  [[nodiscard]] SavedRegister Load() const;
  /// Replaces the file atomically: a reader (or a restart after a kill) sees
  /// either the old state or the new one, never a mixture. Throws
  /// StateFileError when the file cannot be written.
  void Save(const RegisterState& state, const std::vector<FiscalRecord>& memory) const;

 private:
  std::string path_;
};

/// The state as JSON text, and back (throws StateFileError naming `origin`).
std::string StateToJson(const RegisterState& state, const std::vector<FiscalRecord>& memory);
SavedRegister StateFromJson(const std::string& text, const std::string& origin);

}  // namespace tavirel::sim
