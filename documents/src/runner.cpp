// The runner: preflight, the journal's admission, the register's serial,
// documents left in flight first, then one DocumentRun.
#include "tavirel/documents/runner.hpp"

#include <algorithm>

#include "document_run.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

// An outcome made here, where the journal is not touched: `status` is what
// the journal already holds for the key (or, for preflight, nothing at all).
Outcome Unchanged(const std::string& key, Status status, std::string reason,
                  std::string member = {}) {
  Outcome o;
  o.key = key;
  o.status = status;
  FailedStep f;
  f.member = std::move(member);
  f.reason = std::move(reason);
  o.failed_step = std::move(f);
  return o;
}

Outcome Replayed(Outcome outcome) {
  outcome.replayed = true;
  return outcome;
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
    Outcome o =
        Unchanged(document.key, Status::Failed, "preflight found problems; nothing was sent");
    o.failed_step->problems = std::move(problems);
    o.failed_step->kind = "preflight";
    return o;
  }
  const Admitted admitted = journal_.Admit(document, options_.register_name);
  if (admitted.admission == Admission::Answered) return Replayed(*admitted.entry.outcome);
  const Status held = admitted.entry.status;
  // Left queued, the caller is told so: the admission is flushed first (a
  // start flushes it with its first step otherwise).
  const auto left_queued = [&] {
    if (held == Status::Queued) journal_.Flush(document.key);
  };
  const auto serial = Serial();
  if (!serial) {
    left_queued();
    return Unchanged(document.key, held,
                     "the register did not answer the reading of its fiscal serial number",
                     "opReadMatrFisc");
  }
  // A new receipt must not join the lines of one left open on this register.
  ResolveOthers(*serial, document.key);
  for (const JournalEntry& left : journal_.InFlight(*serial)) {
    if (left.key == document.key) continue;
    left_queued();
    return Unchanged(document.key, held,
                     "the document \"" + left.key +
                         "\" is still unresolved on this register; it is settled first");
  }
  if (held == Status::Queued) {
    if (auto expired = journal_.Expire(document)) return *expired;
    return DocumentRun(control_, journal_, options_, document, *serial).Go();
  }
  return Resume(document, *serial);
}

Outcome Runner::Resume(const Document& document, std::int32_t serial) {
  const StartResult start = journal_.Start(document, serial);
  if (start.kind == StartKind::Ended) return Replayed(*start.entry.outcome);
  return DocumentRun(control_, journal_, options_, document, serial, start).Go();
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
    outcomes.push_back(Resume(entry.document, serial));
  }
  return outcomes;
}

}  // namespace tavirel::documents
