#pragma once
// The register's state kept on disk: a snapshot FILE (the whole state as
// JSON, replaced atomically) and a change log FILE.log beside it (one line per
// command that changed something, appended and flushed before the reply
// leaves). The log is folded into a new snapshot at each fiscal closure and
// whenever it grows past a bound, so a write costs what the command changed,
// not what the register holds. Not thread-safe by itself: SimulatedRegister
// guards it.
#include <cstdint>
#include <string>
#include <vector>

#include "tavirel/sim/register_state.hpp"
#include "tavirel/sim/state_change.hpp"

namespace tavirel::sim {

struct SavedRegister {
  RegisterState state;
  std::vector<FiscalRecord> memory;
  std::uint64_t changes = 0;  // changes folded in since the register was new
};

class StateFile {
 public:
  explicit StateFile(std::string path);
  ~StateFile();
  StateFile(StateFile&& other) noexcept;
  StateFile& operator=(StateFile&& other) noexcept;
  StateFile(const StateFile&) = delete;
  StateFile& operator=(const StateFile&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  /// The change log's path: the snapshot's with ".log" added.
  [[nodiscard]] std::string LogPath() const { return path_ + ".log"; }
  [[nodiscard]] bool Exists() const;
  /// Throws StateFileError when the file is there but read-only: a state its
  /// owner protected is not replaced.
  void CheckWritable() const;
  /// Takes the state for this register alone, for as long as this object
  /// lives: a state another register is using is refused (StateFileError).
  /// Removes temporaries of the snapshot that a killed register left.
  void Claim();
  /// Reads the snapshot and the changes logged after it. Throws
  /// StateFileError naming the file when it cannot be read, is not JSON, is
  /// not a state of this register, is incomplete, holds a value out of range,
  /// or is not a regular file. A last log line cut short is left out.
  [[nodiscard]] SavedRegister Load();
  /// Writes the whole state as the new snapshot (a temporary beside it,
  /// flushed, renamed over it, the folder flushed) and empties the log: a
  /// restart after a kill finds the old state or the new one, never a mixture.
  /// Throws StateFileError when it cannot; the old snapshot and log then stand.
  void Save(const RegisterState& state, const std::vector<FiscalRecord>& memory);
  /// Appends the record of one change, flushed to disk, taken from the state
  /// after it. Throws StateFileError when it cannot; nothing of it is kept.
  void Append(const RegisterState& state, const std::vector<FiscalRecord>& memory,
              const StateChange& change);
  /// Bytes logged since the last snapshot.
  [[nodiscard]] std::uint64_t LogBytes() const { return log_bytes_; }

 private:
  void OpenLog();
  void CloseLog();

  std::string path_;
  int log_fd_ = -1;
  std::uint64_t changes_ = 0;    // changes counted in the snapshot and the log
  std::uint64_t log_bytes_ = 0;  // complete records in the log
};

/// The state as JSON text, and back (throws StateFileError naming `origin`).
std::string StateToJson(const RegisterState& state, const std::vector<FiscalRecord>& memory,
                        std::uint64_t changes = 0);
SavedRegister StateFromJson(const std::string& text, const std::string& origin);

}  // namespace tavirel::sim
