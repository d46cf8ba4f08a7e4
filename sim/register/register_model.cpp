#include "tavirel/sim/register_model.hpp"

#include <ctime>

#include "command_table.hpp"
#include "handlers.hpp"
#include "refusal.hpp"
#include "tavirel/sim/line_engine.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

std::int64_t LocalUtcOffset() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_gmtoff;
}

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
    : state_(std::move(state)), memory_(std::move(memory)), wall_(OrSystem(std::move(wall))) {}

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
  if (!previous_) return;
  state_ = std::move(*previous_);
  previous_.reset();
  memory_.resize(memory_before_);
}

Outcome RegisterModel::Execute(std::string_view command) {
  Outcome outcome;
  previous_.reset();
  try {
    const Command cmd = ReadCommand(command);
    const CommandEntry* entry = FindCommand(cmd.Code());
    if (entry == nullptr) Refuse(perr::kNonPrevisto);
    if (entry->prints && (state_.paper_out || state_.printing_suspended))
      Refuse(perr::kCartaScontrino);
    if (const int refusal = SequenceRefusal(entry->where, state_.phase)) Refuse(refusal);
    if (cmd.Has("CodOpr")) CheckOperator(state_, cmd.Int("CodOpr"));

    RegisterState next = state_;
    const auto wall =
        std::chrono::duration_cast<std::chrono::seconds>(wall_().time_since_epoch()).count();
    Context c{next, memory_, CivilTime::FromSeconds(wall + state_.clock_offset), wall, {}, {}, {}};
    outcome.payload = entry->handler(c, cmd);
    if (c.finished) {
      c.finished->seq = ++next.documents;
      next.last_document = *c.finished;
      outcome.finished = std::move(c.finished);
    }
    outcome.changed = !(next == state_) || !c.new_records.empty();
    previous_ = std::move(state_);
    memory_before_ = memory_.size();
    state_ = std::move(next);
    for (auto& record : c.new_records) memory_.push_back(std::move(record));
    outcome.printed = std::move(c.printed);
  } catch (const Refusal& refusal) {
    outcome = Outcome{};
    outcome.error = refusal.number;
    outcome.payload = LineEngine::ErrorPayload(refusal.number);
  }
  return outcome;
}

}  // namespace tavirel::sim
