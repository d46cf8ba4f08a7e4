// The runner: preflight, replay of finished keys, the register's serial,
// documents left in flight first, then one DocumentRun.
#include "tavirel/documents/runner.hpp"

#include <algorithm>

#include "document_run.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

Outcome FailedOutcome(const std::string& key, FailedStep why) {
  Outcome o;
  o.key = key;
  o.status = Status::Failed;
  o.failed_step = std::move(why);
  return o;
}

FailedStep Why(std::string reason) {
  FailedStep f;
  f.reason = std::move(reason);
  return f;
}

}  // namespace

Runner::Runner(TavirelControl& control, Journal& journal, RunnerOptions options)
    : control_(control), journal_(journal), options_(std::move(options)) {}

std::optional<std::int32_t> Runner::Serial() {
  // A reading: it may be tried again without effect on the register.
  for (int attempt = 0; !serial_ && attempt < std::max(1, options_.reading_attempts); ++attempt) {
    if (control_.opReadMatrFisc(0) == OP_OK && control_.LastOPCode() != 0) {
      serial_ = control_.LastMatrFisc();
    }
  }
  return serial_;
}

Outcome Runner::Run(const Document& document) {
  std::vector<Problem> problems = Preflight(document, control_.EuroSettings(), options_.check);
  if (!problems.empty()) {
    FailedStep why = Why("preflight found problems; nothing was sent");
    why.problems = std::move(problems);
    return FailedOutcome(document.key, std::move(why));
  }
  const auto entry = journal_.Lookup(document.key);
  if (entry) {
    if (CanonicalContent(entry->document) != CanonicalContent(document)) {
      throw KeyConflictError("the key \"" + document.key +
                             "\" is already in the journal with other content (hash " +
                             entry->content_hash + ")");
    }
    if (entry->state == EntryState::Finished && entry->outcome &&
        entry->outcome->status != Status::Failed) {
      Outcome replay = *entry->outcome;
      replay.replayed = true;
      return replay;
    }
  }
  const auto serial = Serial();
  if (!serial) {
    FailedStep why = Why("the register did not answer the reading of its fiscal serial number");
    why.member = "opReadMatrFisc";
    Outcome o = FailedOutcome(document.key, std::move(why));
    // Started before: it stays in flight until the register answers again.
    if (entry && entry->state == EntryState::Running) o.status = Status::Uncertain;
    return o;
  }
  // A new receipt must not join the lines of one left open on this register.
  ResolveOthers(*serial, document.key);
  for (const JournalEntry& left : journal_.InFlight(*serial)) {
    if (left.key == document.key) continue;
    return FailedOutcome(document.key,
                         Why("the document \"" + left.key +
                             "\" is still unresolved on this register; run it again first"));
  }
  StartResult start = journal_.Start(document, options_.register_name, *serial);
  if (start.kind == StartKind::Replay) {
    Outcome replay = *start.entry.outcome;
    replay.replayed = true;
    return replay;
  }
  Ledger ledger = start.kind == StartKind::Resume ? ParseLedger(start.progress) : Ledger{};
  return DocumentRun(control_, journal_, options_, document, std::move(ledger)).Go();
}

std::vector<Outcome> Runner::ResolveInFlight() {
  const auto serial = Serial();
  if (!serial) return {};
  return ResolveOthers(*serial, "");
}

std::vector<Outcome> Runner::ResolveOthers(std::int32_t serial, const std::string& except) {
  std::vector<Outcome> outcomes;
  for (const JournalEntry& entry : journal_.InFlight(serial)) {
    if (entry.key == except) continue;
    StartResult start = journal_.Start(entry.document, entry.register_name, serial);
    if (start.kind == StartKind::Replay) continue;
    Ledger ledger = start.kind == StartKind::Resume ? ParseLedger(start.progress) : Ledger{};
    outcomes.push_back(
        DocumentRun(control_, journal_, options_, start.entry.document, std::move(ledger)).Go());
  }
  return outcomes;
}

}  // namespace tavirel::documents
