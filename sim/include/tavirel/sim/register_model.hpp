#pragma once
// The register itself: it reads each command string on its own, checks it
// against the command's layout and the register's rules, and either carries
// it out whole and answers with the reply payload of its layout, or refuses it
// with one of the printer's error numbers and changes nothing.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/sim/journal.hpp"
#include "tavirel/sim/register_state.hpp"
#include "tavirel/sim/state_change.hpp"

namespace tavirel::sim {
class UndoRecord;
}

namespace tavirel::sim {

/// The wall clock the register's own clock runs on (an offset is added).
using WallClock = std::function<std::chrono::system_clock::time_point()>;

struct Outcome {
  std::string payload;                  // the reply payload (an error reply's too)
  int error = 0;                        // the printer's error number, 0 when done
  bool changed = false;                 // the state was changed
  std::vector<PrintedLine> printed;     // lines printed by the command
  std::optional<PaperRecord> finished;  // the document it finished, numbered
  StateChange change;                   // what it may have changed (parts 0: nothing)
};

class RegisterModel {
 public:
  ~RegisterModel();
  RegisterModel(RegisterModel&&) noexcept;
  RegisterModel& operator=(RegisterModel&&) noexcept;
  /// A new register: default tables, in `currency`, with the given serial
  /// number; its clock shows the wall clock's local time.
  explicit RegisterModel(CurrencyUnit currency = CurrencyUnit::Euro, std::int32_t serial = 123456,
                         WallClock wall = {});
  /// A register restored from its saved state and fiscal memory.
  RegisterModel(RegisterState state, std::vector<FiscalRecord> memory, WallClock wall = {});

  /// Carries out one command string (Windows-1252 bytes) on the state itself;
  /// a refused command is taken back whole.
  Outcome Execute(std::string_view command);

  [[nodiscard]] const RegisterState& State() const { return state_; }
  [[nodiscard]] const std::vector<FiscalRecord>& FiscalMemory() const { return memory_; }
  /// The register's clock now.
  [[nodiscard]] CivilTime Now() const;

  /// The paper runs out: every printing command answers error 2.
  void PaperRunsOut();
  /// Paper put back; printing resumes after the restart command 1149.
  void RefillPaper();
  /// The wall clock the register's clock runs on.
  void SetWallClock(WallClock wall);
  /// Takes back the last command that succeeded, as if it had been refused
  /// (its record could not be kept). Only the last one, once.
  void Revert();

 private:
  RegisterState state_;
  std::vector<FiscalRecord> memory_;
  std::unique_ptr<UndoRecord> undo_;  // of the last command that succeeded, for Revert
  int undo_corrected_ = -1;
  WallClock wall_;
};

}  // namespace tavirel::sim
