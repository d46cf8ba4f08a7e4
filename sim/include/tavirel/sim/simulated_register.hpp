#pragma once
// The simulated register as a host program uses it: the line engine, the
// register model, its journal and its optional state file behind one lock,
// so a transport thread and the host's thread may use it together.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tavirel/sim/faults.hpp"
#include "tavirel/sim/journal.hpp"
#include "tavirel/sim/line_engine.hpp"
#include "tavirel/sim/pacing.hpp"
#include "tavirel/sim/paper_archive.hpp"
#include "tavirel/sim/paper_file.hpp"
#include "tavirel/sim/register_model.hpp"
#include "tavirel/sim/state_file.hpp"

namespace tavirel::sim {

struct SimOptions {
  CurrencyUnit currency = CurrencyUnit::Euro;  // of a new register
  std::int32_t serial = 123456;                // of a new register
  /// Empty: nothing is kept. Otherwise the register starts from this file
  /// when it exists (throwing StateFileError when it is unreadable, out of
  /// range, or cannot be written) and writes every change before the reply
  /// leaves; a change that cannot be written is refused with error 1.
  std::string state_path;
  Pacing pacing;
  std::vector<FaultSwitch> faults;
  std::uint64_t seed = 1;  // of the random fault switches
  WallClock wall;          // the register's clock runs on it (system clock when empty)
  /// Empty: no paper record file. Otherwise one JSON line is appended to this
  /// file (a regular file; anything else is refused) for every document the
  /// register finishes, flushed before the reply that finished it leaves.
  std::string paper_path;
  /// Called with every finished document before the reply that finished it
  /// leaves, under the register's lock (it must not call the register back).
  /// Called only for documents the register kept.
  std::function<void(const PaperRecord&)> paper_sink;
};

/// The switches and the day as an operator sees them, read at one moment.
struct RegisterStatus {
  bool power = true;
  bool cts = true;  // Clear To Send not held low by its switch (power aside)
  bool paper_out = false;
  bool printing_suspended = false;  // stopped at a paper end until the restart (1149)
  std::vector<FaultSwitch> faults;  // armed, as they stand (a "#N" counts down)
  Phase phase = Phase::Idle;
  CivilTime clock;                           // the register's clock now
  std::optional<CivilTime> day_opened_at;    // the day's first receipt; none before it
  std::optional<CivilTime> last_closure_at;  // none before the first closure
};

/// The simulated register. Thread-safe: every member takes the register's
/// lock; journal listeners are called outside it.
class SimulatedRegister {
 public:
  explicit SimulatedRegister(SimOptions options = {});
  ~SimulatedRegister();
  SimulatedRegister(const SimulatedRegister&) = delete;
  SimulatedRegister& operator=(const SimulatedRegister&) = delete;

  // ---- The line (for transports) ----------------------------------------
  void OnBytes(std::string_view bytes, TimePoint now);
  std::string TakeDue(TimePoint now);
  [[nodiscard]] std::optional<TimePoint> NextDue() const;
  [[nodiscard]] bool CtsAsserted(TimePoint now) const;
  /// Called with the new Clear To Send level when the power is switched.
  void SetCtsListener(std::function<void(bool)> listener);

  // ---- Switches -----------------------------------------------------------
  void SetPower(bool on);
  [[nodiscard]] bool Powered() const;
  /// Holds Clear To Send low (false) or lets it go (true), the power left as
  /// it is: the register hears nothing meanwhile; replies already on their
  /// way still leave. A pseudo-terminal has no modem lines: there the host
  /// only finds that nothing is answered.
  void SetClearToSend(bool asserted);
  void ArmFault(const FaultSwitch& entry);
  void ClearFaults();
  void SeedFaults(std::uint64_t seed);
  [[nodiscard]] std::vector<FaultSwitch> ArmedFaults() const;
  void SetPacing(const Pacing& pacing);
  /// The receipt paper runs out now: every printing command is refused
  /// (error 2) until RefillPaper and the restart command 1149.
  void RunOutOfPaper();
  /// Puts paper back after a paper end (the host still sends 1149).
  void RefillPaper();
  [[nodiscard]] bool PaperOut() const;

  // ---- What the register holds ---------------------------------------------
  [[nodiscard]] RegisterState State() const;
  [[nodiscard]] std::vector<FiscalRecord> FiscalMemory() const;
  [[nodiscard]] LineStats Stats() const;
  [[nodiscard]] CivilTime Now() const;
  /// The switches, the phase and the day's times together.
  [[nodiscard]] RegisterStatus Status() const;
  /// The file the state is kept in ("" when none).
  [[nodiscard]] std::string StatePath() const;
  /// The paper record's file ("" when none).
  [[nodiscard]] std::string PaperPath() const;

  // ---- Journal ---------------------------------------------------------------
  /// `listener` is called for every printed line, on the thread that fed the
  /// command, outside the register's lock.
  std::size_t SubscribeJournal(Journal::Listener listener);
  void UnsubscribeJournal(std::size_t id);
  [[nodiscard]] std::vector<JournalDocument> JournalDocuments() const;

  // ---- The paper of each document ------------------------------------------
  // Kept in memory for the latest PaperArchive::kKeptDocuments documents
  // finished since this register started (a document begun before a restart
  // from the state file keeps its lines from the restart on, and says so).
  /// The latest document of `kind` numbered `number` (SF. for receipts and
  /// voided ones, SNF. for non-fiscal documents, reprints and reports, Z. for
  /// closures and the fiscal memory report); nullopt when none is kept.
  [[nodiscard]] std::optional<DocumentPaper> PaperOf(PaperKind kind, int number) const;
  /// The document the register counted as its `seq`-th (the paper record's seq).
  [[nodiscard]] std::optional<DocumentPaper> PaperOfSeq(std::uint64_t seq) const;
  /// The records of the documents kept, oldest first.
  [[nodiscard]] std::vector<PaperRecord> KeptPapers() const;

  /// Carries out a command string directly, without the line (for tools and
  /// tests); returns the reply payload.
  std::string Execute(std::string_view command);

 private:
  class Processor;
  std::string ProcessLocked(std::string_view command, TimePoint now,
                            const std::vector<ActiveFault>& faults);
  bool SaveLocked(const StateChange& change);
  void SaveHeadLocked();
  bool RecordOnPaperLocked(const PaperRecord& record);
  void TakeBackFromPaperLocked();
  void Deliver();

  mutable std::mutex mutex_;
  std::mutex deliver_mutex_;
  std::unique_ptr<Processor> processor_;
  std::optional<StateFile> state_file_;
  RegisterModel model_;
  std::unique_ptr<PaperFile> paper_;
  std::function<void(const PaperRecord&)> paper_sink_;
  LineEngine engine_;
  Journal journal_;
  PaperArchive archive_;
  std::vector<PrintedLine> undelivered_;
  bool head_unsaved_ = false;  // a paper end or refill not written yet
  std::optional<TimePoint> refill_at_;
  std::function<void(bool)> cts_listener_;
};

}  // namespace tavirel::sim
