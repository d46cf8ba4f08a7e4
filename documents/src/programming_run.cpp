// A programming document: every entry it gives read first, then only what
// differs written (the VAT rates first, the clock after them), each entry
// read back. A write whose reply was lost is judged by reading the entry
// back, never guessed; a header line's text, which has no reading, is
// written every time. Nothing here opens a receipt.
#include <algorithm>
#include <limits>

#include "document_run.hpp"

namespace tavirel::documents {
namespace {

// A write that a reading shows not carried out goes out once more.
constexpr int kWrites = 2;
// The clock's write among a run's pending steps.
constexpr std::size_t kClockStep = std::numeric_limits<std::size_t>::max();

bool Answered(const TavirelControl& c) { return c.LastOPCode() != 0; }

}  // namespace

DateParts DocumentRun::HostTime() const {
  return options_.local_time ? options_.local_time() : HostLocalTime();
}

Outcome DocumentRun::RunProgramming() {
  Outcome& o = ledger_.outcome;
  o.version = document_.version;
  o.unchanged = 0;  // counted again by every run
  o.failed_step.reset();
  const std::vector<ProgramStep> steps = ProgramSteps(document_);
  std::vector<std::optional<Record>> held(steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!steps[i].readable()) continue;
    Record record;
    const Reply reply = ReadEntry(steps[i], record);
    if (reply == Reply::Ok) {
      held[i] = std::move(record);
      continue;
    }
    if (reply != Reply::Refused) return OutOfReach(steps[i].where, "the reading of the entry");
    o.failed_step = Failure(steps[i].where, "the register refused the reading of the entry");
    return Finish(Status::Failed, "nothing was changed");
  }
  std::optional<DateParts> clock;
  if (document_.clock_max_drift_s) {
    DateParts shown;
    const Reply reply = ReadClock(shown);
    if (reply == Reply::Refused) {
      o.failed_step = Failure("clock", "the register refused the reading of its clock");
      return Finish(Status::Failed, "nothing was changed");
    }
    if (reply != Reply::Ok) return OutOfReach("clock", "the reading of the clock");
    clock = shown;
  }
  SettlePending(steps, held, clock);
  std::size_t i = 0;
  for (; i < steps.size() && steps[i].table->name == "vat"; ++i) {
    if (auto end = ProgramEntry(steps[i], i, held[i])) return *end;
  }
  if (clock) {
    if (auto end = SetClock(*clock)) return *end;
  }
  for (; i < steps.size(); ++i) {
    if (auto end = ProgramEntry(steps[i], i, held[i])) return *end;
  }
  return Finish(Status::Closed);
}

Reply DocumentRun::ReadEntry(const ProgramStep& step, Record& held) {
  Reply reply = Reply::Unknown;
  for (int attempt = 0; attempt < std::max(1, options_.reading_attempts); ++attempt) {
    ledger_.pending_record = ledger_.outcome.steps.size();
    reply = Exchange(
        std::string(step.table->read), ReadArgs(step),
        [&](const TavirelControl& c) { return ReadingIsFor(step, c); }, false);
    if (reply == Reply::Ok) held = Held(*step.table, control_, mode_);
    if (reply == Reply::Ok || reply == Reply::Refused) return reply;
  }
  return reply;
}

Reply DocumentRun::ReadClock(DateParts& shown) {
  Reply reply = Reply::Unknown;
  for (int attempt = 0; attempt < std::max(1, options_.reading_attempts); ++attempt) {
    ledger_.pending_record = ledger_.outcome.steps.size();
    reply = Exchange("opReadDataOra", {}, Answered, false);
    if (reply == Reply::Ok) shown = RegisterClock(control_, HostTime());
    if (reply == Reply::Ok || reply == Reply::Refused) return reply;
  }
  return reply;
}

void DocumentRun::SettlePending(const std::vector<ProgramStep>& steps,
                                const std::vector<std::optional<Record>>& held,
                                const std::optional<DateParts>& clock) {
  if (ledger_.pending != Action::Step || ledger_.pending_changes.empty()) return;
  bool took = false;
  const std::size_t at = ledger_.pending_step;
  if (at < steps.size() && held[at]) {
    took = Differences(steps[at], held[at], Wanted(steps[at], *held[at], mode_)).empty();
  } else if (at == kClockStep && clock) {
    took = ClockDrift(HostTime(), *clock) <= *document_.clock_max_drift_s;
  }
  // A header line's text, not read, is written again below.
  if (took) {
    Took(false);
  } else {
    ledger_.pending = Action::None;
    ledger_.pending_changes.clear();
  }
}

std::optional<Outcome> DocumentRun::ProgramEntry(const ProgramStep& step, std::size_t index,
                                                 const std::optional<Record>& held) {
  Outcome& o = ledger_.outcome;
  const Record wanted = Wanted(step, held.value_or(Blank(*step.table, mode_)), mode_);
  std::vector<Change> changes = Differences(step, held, wanted);
  if (changes.empty()) {
    if (!AlreadyChanged(std::string(step.table->name), step.entry->number)) ++*o.unchanged;
    return std::nullopt;
  }
  for (int attempt = 0; attempt < kWrites; ++attempt) {
    ledger_.pending = Action::Step;
    ledger_.pending_step = index;
    ledger_.pending_changes = changes;
    const std::size_t write = ledger_.pending_record = o.steps.size();
    const Reply reply = Exchange(std::string(step.table->program), WriteArgs(step, wanted),
                                 Answered, true, SecretIn(*step.table));
    bool done = false;
    if (auto end = AfterWrite(step.where, reply, done)) return end;
    if (!step.readable()) {
      // No reading tells whether a lost one took: the same text once more is one write.
      if (!done) continue;
      Took(true);
      return std::nullopt;
    }
    Record now;
    const Reply back = ReadEntry(step, now);
    ledger_.pending_record = write;
    if (back != Reply::Ok) {
      o.failed_step = Failure(step.where, done ? "" : "its reply was lost");
      return Stall("the register did not answer the reading back of " + step.where);
    }
    if (now == wanted) {
      Took(false);
      return std::nullopt;
    }
    if (!done) continue;  // not carried out
    // Taken, but not as written: what it holds now is what changed.
    const Change differs = Differences(step, now, wanted).front();
    ledger_.pending_changes = Differences(step, held, now);
    Took(false);
    o.failed_step = Failure(step.where + "." + differs.field,
                            "the register holds \"" + differs.from.value_or("") +
                                "\" after it was programmed with \"" + differs.to + "\"");
    o.failed_step->kind = "read-back";
    return Finish(Status::Failed);
  }
  o.failed_step = Failure(step.where, "its reply was lost twice");
  return Stall("the entry did not take; run the document again");
}

std::optional<Outcome> DocumentRun::SetClock(const DateParts& shown) {
  Outcome& o = ledger_.outcome;
  const std::int64_t most = *document_.clock_max_drift_s;
  if (ClockDrift(HostTime(), shown) <= most) {
    if (!AlreadyChanged(std::string(kClockTable), std::nullopt)) ++*o.unchanged;
    return std::nullopt;
  }
  for (int attempt = 0; attempt < kWrites; ++attempt) {
    const DateParts minute = NearestMinute(HostTime());
    ledger_.pending = Action::Step;
    ledger_.pending_step = kClockStep;
    ledger_.pending_changes = {{std::string(kClockTable), std::nullopt, std::string(kClockField),
                                MinuteText(shown), MinuteText(minute)}};
    const std::size_t write = ledger_.pending_record = o.steps.size();
    const Reply reply = Exchange("opProgDataOra", ClockArgs(minute), Answered, true);
    bool done = false;
    if (auto end = AfterWrite("clock", reply, done)) return end;
    DateParts now;
    const Reply back = ReadClock(now);
    ledger_.pending_record = write;
    if (back != Reply::Ok) {
      o.failed_step = Failure("clock", done ? "" : "its reply was lost");
      return Stall("the register did not answer the reading back of its clock");
    }
    if (ClockDrift(HostTime(), now) <= most) {
      Took(false);
      return std::nullopt;
    }
    if (!done) continue;
    ledger_.pending_changes.front().to = MinuteText(now);
    Took(false);
    o.failed_step = Failure("clock.max_drift_s", "the register's clock reads " + MinuteText(now) +
                                                     " after it was set to " + MinuteText(minute));
    o.failed_step->kind = "read-back";
    return Finish(Status::Failed);
  }
  o.failed_step = Failure("clock", "its reply was lost twice");
  return Stall("the clock did not take; run the document again");
}

std::optional<Outcome> DocumentRun::AfterWrite(const std::string& where, Reply reply, bool& done) {
  done = reply == Reply::Ok;
  if (reply == Reply::Ok || reply == Reply::Unknown) return std::nullopt;
  ledger_.pending = Action::None;
  ledger_.pending_changes.clear();
  if (reply == Reply::NotSent) return OutOfReach(where, "the write");
  const Outcome& o = ledger_.outcome;
  const std::size_t made = o.changes.size() + o.written.size();
  ledger_.outcome.failed_step = Failure(where, "the register refused it");
  return Finish(Status::Failed, made == 0 ? "nothing was changed"
                                          : "the " + std::to_string(made) +
                                                " changes before it stand; run the document "
                                                "again to apply the rest");
}

void DocumentRun::Took(bool written) {
  Outcome& o = ledger_.outcome;
  auto& into = written ? o.written : o.changes;
  for (Change& c : ledger_.pending_changes) {
    // Written again by a later run: listed once.
    std::erase_if(into, [&](const Change& e) {
      return e.table == c.table && e.number == c.number && e.field == c.field;
    });
    into.push_back(std::move(c));
  }
  ledger_.pending = Action::None;
  ledger_.pending_changes.clear();
}

bool DocumentRun::AlreadyChanged(const std::string& table,
                                 std::optional<std::int64_t> number) const {
  const auto& changes = ledger_.outcome.changes;
  return std::any_of(changes.begin(), changes.end(),
                     [&](const Change& c) { return c.table == table && c.number == number; });
}

Outcome DocumentRun::OutOfReach(const std::string& where, const std::string& what) {
  const Outcome& o = ledger_.outcome;
  const bool nothing = o.changes.empty() && o.written.empty() && ledger_.pending_changes.empty();
  ledger_.outcome.failed_step =
      Failure(where, what + " got no answer: the register is out of reach");
  if (nothing) return Finish(Status::Queued, "nothing was changed");
  return Stall("run the document again to go on once the register is back");
}

}  // namespace tavirel::documents
