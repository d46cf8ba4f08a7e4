#include "tavirel/sim/register_model.hpp"

#include "command_table.hpp"
#include "handlers.hpp"
#include "local_offset.hpp"
#include "refusal.hpp"
#include "tavirel/sim/line_engine.hpp"
#include "tavirel/sim/printer_errors.hpp"
#include "undo.hpp"

namespace tavirel::sim {
namespace {

WallClock OrSystem(WallClock wall) {
  if (wall) return wall;
  return [] { return std::chrono::system_clock::now(); };
}

void CheckOperator(const RegisterState& s, int code) {
  if (code < 0 || code > kOperators) Refuse(perr::kMancaOperatore);
  if (code > 0 && !s.tables.operators[static_cast<std::size_t>(code)].programmed)
    Refuse(perr::kMancaOperatore);
}

}  // namespace

void CheckEntry(int number, int size) {
  if (number < 1 || number > size) Refuse(perr::kValoreErrato);
}

int NextNumber(int& counter) {
  if (counter >= 9999) Refuse(perr::kNonPossibile);
  return ++counter;
}

const char* UnitName(CurrencyUnit unit) { return unit == CurrencyUnit::Euro ? "EURO" : "LIRE"; }

RegisterModel::RegisterModel(CurrencyUnit currency, std::int32_t serial, WallClock wall)
    : wall_(OrSystem(std::move(wall))) {
  state_.currency = currency;
  state_.serial = serial % 1'000'000;
  state_.clock_offset = LocalUtcOffset();
}

RegisterModel::RegisterModel(RegisterState state, std::vector<FiscalRecord> memory, WallClock wall)
    : state_(std::move(state)), memory_(std::move(memory)), wall_(OrSystem(std::move(wall))) {
  // A state kept before the register noted when its day began: the day
  // counts from now, so it is not closed early and still must be closed.
  const bool receipt_open = state_.phase == Phase::Sale || state_.phase == Phase::Payment;
  if (!state_.day_opened_at && (state_.day.HasActivity() || receipt_open))
    state_.day_opened_at = Now();
}

RegisterModel::~RegisterModel() = default;
RegisterModel::RegisterModel(RegisterModel&&) noexcept = default;
RegisterModel& RegisterModel::operator=(RegisterModel&&) noexcept = default;

void RegisterModel::SetWallClock(WallClock wall) { wall_ = OrSystem(std::move(wall)); }

CivilTime RegisterModel::Now() const {
  const auto wall =
      std::chrono::duration_cast<std::chrono::seconds>(wall_().time_since_epoch()).count();
  return CivilTime::FromSeconds(wall + state_.clock_offset);
}

void RegisterModel::PaperRunsOut() {
  state_.paper_out = true;
  state_.printing_suspended = true;
}

void RegisterModel::RefillPaper() { state_.paper_out = false; }

void RegisterModel::Revert() {
  if (!undo_) return;
  undo_->Restore(state_, memory_, undo_corrected_);
  undo_.reset();
}

Outcome RegisterModel::Execute(std::string_view command) {
  Outcome outcome;
  undo_.reset();
  undo_corrected_ = -1;
  try {
    const Command cmd = ReadCommand(command);
    const CommandEntry* entry = FindCommand(cmd.Code());
    if (entry == nullptr) Refuse(perr::kNonPrevisto);
    if (entry->prints && (state_.paper_out || state_.printing_suspended))
      Refuse(perr::kCartaScontrino);
    if (const int refusal = SequenceRefusal(entry->where, state_.phase)) Refuse(refusal);
    if (cmd.Has("CodOpr")) CheckOperator(state_, cmd.Int("CodOpr"));

    // The command works on the state itself; the undo record keeps what it may change.
    if (entry->changes != 0)
      undo_ = std::make_unique<UndoRecord>(state_, memory_.size(), entry->changes | kHeadPart);
    const auto wall =
        std::chrono::duration_cast<std::chrono::seconds>(wall_().time_since_epoch()).count();
    Context c{state_, memory_, CivilTime::FromSeconds(wall + state_.clock_offset), wall, {},
              {},     {}};
    try {
      outcome.payload = entry->handler(c, cmd);
    } catch (...) {
      if (undo_) undo_->Restore(state_, memory_, c.corrected_entry);
      undo_.reset();
      throw;
    }
    if (c.finished) {
      c.finished->seq = ++state_.documents;
      state_.last_document = *c.finished;
      outcome.finished = std::move(c.finished);
    }
    for (auto& record : c.new_records) memory_.push_back(std::move(record));
    if (undo_) {
      undo_corrected_ = c.corrected_entry;
      outcome.change = undo_->Change(c.corrected_entry);
      outcome.changed = true;
    }
    outcome.printed = std::move(c.printed);
  } catch (const Refusal& refusal) {
    outcome = Outcome{};
    outcome.error = refusal.number;
    outcome.payload = LineEngine::ErrorPayload(refusal.number);
  }
  return outcome;
}

}  // namespace tavirel::sim
