#include "tavirel/sim/simulated_register.hpp"

#include <chrono>

#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

// The change log is folded into a new snapshot past this size, so a start
// never reads more than this after the snapshot.
constexpr std::uint64_t kLogBound = 4 * 1024 * 1024;

RegisterModel MakeModel(const SimOptions& o, std::optional<StateFile>& file) {
  if (file) {
    file->CheckWritable();
    file->Claim();
  }
  if (file && file->Exists()) {
    SavedRegister saved = file->Load();
    return RegisterModel(std::move(saved.state), std::move(saved.memory), o.wall);
  }
  return RegisterModel(o.currency, o.serial, o.wall);
}

std::optional<StateFile> MakeFile(const SimOptions& o) {
  if (o.state_path.empty()) return std::nullopt;
  return StateFile(o.state_path);
}

std::unique_ptr<PaperFile> MakePaper(const SimOptions& o, const RegisterModel& model) {
  if (o.paper_path.empty()) return nullptr;
  auto paper = std::make_unique<PaperFile>(o.paper_path);
  // Without a kept state each start is a new register: the paper only grows.
  if (!o.state_path.empty()) {
    ReconcilePaper(*paper, model.State().documents, model.State().last_document, o.state_path);
  }
  return paper;
}

}  // namespace

class SimulatedRegister::Processor final : public CommandProcessor {
 public:
  explicit Processor(SimulatedRegister& reg) : reg_(reg) {}
  std::string Process(std::string_view command, TimePoint now,
                      const std::vector<ActiveFault>& faults) override {
    return reg_.ProcessLocked(command, now, faults);
  }

 private:
  SimulatedRegister& reg_;
};

SimulatedRegister::SimulatedRegister(SimOptions options)
    : processor_(std::make_unique<Processor>(*this)),
      state_file_(MakeFile(options)),
      model_(MakeModel(options, state_file_)),
      paper_(MakePaper(options, model_)),
      paper_sink_(std::move(options.paper_sink)),
      engine_(*processor_, options.pacing) {
  engine_.Faults().Seed(options.seed);
  for (const auto& entry : options.faults) engine_.Faults().Arm(entry);
  // A new snapshot at once: a state that cannot be kept is refused now, not
  // at the first sale, and the log starts empty.
  if (state_file_) state_file_->Save(model_.State(), model_.FiscalMemory());
}

SimulatedRegister::~SimulatedRegister() = default;

bool SimulatedRegister::RecordOnPaperLocked(const PaperRecord& record) {
  if (!paper_) return true;
  try {
    paper_->Append(record);
    return true;
  } catch (const SimError&) {
    return false;
  }
}

bool SimulatedRegister::SaveLocked(const StateChange& change) {
  if (!state_file_) return true;
  try {
    StateChange logged = change;
    logged.parts |= kHeadPart;  // a paper end or refill outside the command goes along
    state_file_->Append(model_.State(), model_.FiscalMemory(), logged);
    head_unsaved_ = false;
  } catch (const StateFileError&) {
    return false;
  }
  // A closure is a good moment to fold the log into a snapshot; a failure
  // here loses nothing, the log still holds every change.
  if ((change.parts & kMemoryPart) || state_file_->LogBytes() > kLogBound) {
    try {
      state_file_->Save(model_.State(), model_.FiscalMemory());
    } catch (const StateFileError&) {
    }
  }
  return true;
}

void SimulatedRegister::SaveHeadLocked() {
  head_unsaved_ = true;
  SaveLocked(StateChange{kHeadPart});  // when it fails, the next command's record takes it along
}

std::string SimulatedRegister::ProcessLocked(std::string_view command, TimePoint now,
                                             const std::vector<ActiveFault>& faults) {
  if (refill_at_ && now >= *refill_at_) {
    model_.RefillPaper();
    refill_at_.reset();
    head_unsaved_ = true;
  }
  for (const auto& fault : faults) {
    if (fault.fault != Fault::PaperEnd) continue;
    model_.PaperRunsOut();
    if (fault.param > 0) refill_at_ = now + std::chrono::milliseconds(fault.param);
    head_unsaved_ = true;
  }
  Outcome outcome = model_.Execute(command);
  // The paper first: a kill before the state is written leaves a record the
  // next start recognises and removes. A document not on the paper is not done.
  if (outcome.finished && !RecordOnPaperLocked(*outcome.finished)) {
    model_.Revert();
    return LineEngine::ErrorPayload(perr::kCartaGiornale);
  }
  // Written before the reply leaves: nothing answered is ever lost, and what
  // could not be kept is not done.
  if ((outcome.changed || head_unsaved_) && !SaveLocked(outcome.change)) {
    if (outcome.finished && paper_) TakeBackFromPaperLocked();
    model_.Revert();
    return LineEngine::ErrorPayload(perr::kCartaGiornale);
  }
  if (outcome.finished && paper_sink_) paper_sink_(*outcome.finished);
  for (const auto& line : outcome.printed) {
    journal_.Print(line);
    archive_.Printed(line);
    undelivered_.push_back(line);
  }
  if (outcome.finished) {
    // A receipt's whole text is in the state, even when it began before a restart.
    const PaperKind kind = outcome.finished->kind;
    const bool receipt = kind == PaperKind::Receipt || kind == PaperKind::Voided;
    archive_.Finished(*outcome.finished, receipt ? &model_.State().last_receipt : nullptr);
  }
  return outcome.payload;
}

void SimulatedRegister::TakeBackFromPaperLocked() {
  try {
    paper_->DropLast();
  } catch (const SimError&) {
    // Left on the paper: the next start removes it, the state never held it.
  }
}

void SimulatedRegister::Deliver() {
  std::lock_guard deliver(deliver_mutex_);
  std::vector<PrintedLine> lines;
  std::vector<Journal::Listener> listeners;
  {
    std::lock_guard lock(mutex_);
    lines.swap(undelivered_);
    if (!lines.empty()) listeners = journal_.Listeners();
  }
  for (const auto& line : lines) {
    for (const auto& listener : listeners) listener(line);
  }
}

void SimulatedRegister::OnBytes(std::string_view bytes, TimePoint now) {
  {
    std::lock_guard lock(mutex_);
    engine_.OnBytes(bytes, now);
  }
  Deliver();
}

std::string SimulatedRegister::TakeDue(TimePoint now) {
  std::lock_guard lock(mutex_);
  if (refill_at_ && now >= *refill_at_) {
    model_.RefillPaper();
    refill_at_.reset();
    SaveHeadLocked();
  }
  return engine_.TakeDue(now);
}

std::optional<TimePoint> SimulatedRegister::NextDue() const {
  std::lock_guard lock(mutex_);
  return engine_.NextDue();
}

bool SimulatedRegister::CtsAsserted(TimePoint now) const {
  std::lock_guard lock(mutex_);
  return engine_.CtsAsserted(now);
}

void SimulatedRegister::SetCtsListener(std::function<void(bool)> listener) {
  std::lock_guard lock(mutex_);
  cts_listener_ = std::move(listener);
}

void SimulatedRegister::SetPower(bool on) {
  std::function<void(bool)> listener;
  {
    std::lock_guard lock(mutex_);
    engine_.SetPower(on);
    listener = cts_listener_;
  }
  if (listener) listener(on);
}

void SimulatedRegister::SetClearToSend(bool asserted) {
  std::function<void(bool)> listener;
  bool level = false;
  {
    std::lock_guard lock(mutex_);
    engine_.HoldCtsLow(!asserted);
    level = asserted && engine_.Powered();
    listener = cts_listener_;
  }
  if (listener) listener(level);
}

bool SimulatedRegister::Powered() const {
  std::lock_guard lock(mutex_);
  return engine_.Powered();
}

void SimulatedRegister::ArmFault(const FaultSwitch& entry) {
  std::lock_guard lock(mutex_);
  engine_.Faults().Arm(entry);
}

void SimulatedRegister::ClearFaults() {
  std::lock_guard lock(mutex_);
  engine_.Faults().Clear();
}

void SimulatedRegister::SeedFaults(std::uint64_t seed) {
  std::lock_guard lock(mutex_);
  engine_.Faults().Seed(seed);
}

std::vector<FaultSwitch> SimulatedRegister::ArmedFaults() const {
  std::lock_guard lock(mutex_);
  return engine_.Faults().Armed();
}

void SimulatedRegister::SetPacing(const Pacing& pacing) {
  std::lock_guard lock(mutex_);
  engine_.SetPacing(pacing);
}

void SimulatedRegister::RunOutOfPaper() {
  std::lock_guard lock(mutex_);
  model_.PaperRunsOut();
  refill_at_.reset();
  SaveHeadLocked();
}

void SimulatedRegister::RefillPaper() {
  std::lock_guard lock(mutex_);
  model_.RefillPaper();
  refill_at_.reset();
  SaveHeadLocked();
}

bool SimulatedRegister::PaperOut() const {
  std::lock_guard lock(mutex_);
  return model_.State().paper_out;
}

RegisterState SimulatedRegister::State() const {
  std::lock_guard lock(mutex_);
  return model_.State();
}

std::vector<FiscalRecord> SimulatedRegister::FiscalMemory() const {
  std::lock_guard lock(mutex_);
  return model_.FiscalMemory();
}

LineStats SimulatedRegister::Stats() const {
  std::lock_guard lock(mutex_);
  return engine_.Stats();
}

CivilTime SimulatedRegister::Now() const {
  std::lock_guard lock(mutex_);
  return model_.Now();
}

RegisterStatus SimulatedRegister::Status() const {
  std::lock_guard lock(mutex_);
  const RegisterState& s = model_.State();
  RegisterStatus status;
  status.power = engine_.Powered();
  status.cts = !engine_.CtsHeldLow();
  status.paper_out = s.paper_out;
  status.printing_suspended = s.printing_suspended;
  status.faults = engine_.Faults().Armed();
  status.phase = s.phase;
  status.clock = model_.Now();
  status.day_opened_at = s.day_opened_at;
  if (s.closure_number > 0) status.last_closure_at = s.last_closure_at;
  return status;
}

std::string SimulatedRegister::StatePath() const {
  return state_file_ ? state_file_->Path() : std::string();
}

std::string SimulatedRegister::PaperPath() const { return paper_ ? paper_->Path() : std::string(); }

std::size_t SimulatedRegister::SubscribeJournal(Journal::Listener listener) {
  std::lock_guard lock(mutex_);
  return journal_.Subscribe(std::move(listener));
}

void SimulatedRegister::UnsubscribeJournal(std::size_t id) {
  std::lock_guard lock(mutex_);
  journal_.Unsubscribe(id);
}

std::vector<JournalDocument> SimulatedRegister::JournalDocuments() const {
  std::lock_guard lock(mutex_);
  return journal_.Documents();
}

std::optional<DocumentPaper> SimulatedRegister::PaperOf(PaperKind kind, int number) const {
  std::lock_guard lock(mutex_);
  return archive_.Find(kind, number);
}

std::optional<DocumentPaper> SimulatedRegister::PaperOfSeq(std::uint64_t seq) const {
  std::lock_guard lock(mutex_);
  return archive_.FindSeq(seq);
}

std::vector<PaperRecord> SimulatedRegister::KeptPapers() const {
  std::lock_guard lock(mutex_);
  return archive_.Records();
}

std::string SimulatedRegister::Execute(std::string_view command) {
  std::string payload;
  {
    std::lock_guard lock(mutex_);
    payload = ProcessLocked(command, std::chrono::steady_clock::now(), {});
  }
  Deliver();
  return payload;
}

}  // namespace tavirel::sim
