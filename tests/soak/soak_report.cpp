#include "soak_report.hpp"

#include <map>

#include "tavirel/result_codes.hpp"

namespace tavirel::soak {
namespace {

constexpr double kMinFaultRate = 0.05;

std::map<long, int> Count(const std::vector<long>& ids) {
  std::map<long, int> counts;
  for (long id : ids) ++counts[id];
  return counts;
}

int CountOf(const std::map<long, int>& counts, long id) {
  const auto it = counts.find(id);
  return it == counts.end() ? 0 : it->second;
}

void Expect(std::vector<std::string>& failures, bool holds, const std::string& what) {
  if (!holds) failures.push_back(what);
}

// Every receipt against the journal: seen closed with OP_OK means closed
// exactly once and never voided; voided with OP_OK means voided once and never
// closed; with nothing left open, closed at most once and only if its
// payment went out uncertain, voided at most once and only if a void did.
bool Holds(const ReceiptRecord& r, int closed, int voided) {
  switch (r.fate) {
    case Fate::ClosedOk: return closed == 1 && voided == 0;
    case Fate::Voided: return closed == 0 && voided == 1;
    case Fate::NothingOpen:
      return closed <= (r.payment_uncertain ? 1 : 0) && voided <= (r.void_uncertain ? 1 : 0) &&
             closed + voided <= 1;
  }
  return false;
}

void CheckReceipts(std::vector<std::string>& failures, const SoakHost& host,
                   const RegisterReport& reg) {
  const auto closed = Count(reg.closed_ids);
  const auto voided = Count(reg.voided_ids);
  long long expected_net = 0;
  int bad = 0;
  std::string first;
  for (const ReceiptRecord& r : host.Receipts()) {
    const int c = CountOf(closed, r.id), v = CountOf(voided, r.id);
    if (c == 1) expected_net += r.cents;
    if (!Holds(r, c, v) && bad++ == 0) {
      first = "receipt " + std::to_string(r.id) + " (fate " +
              std::to_string(static_cast<int>(r.fate)) + ", payment uncertain " +
              std::to_string(r.payment_uncertain) + ", void uncertain " +
              std::to_string(r.void_uncertain) + ") closed " + std::to_string(c) + "x, voided " +
              std::to_string(v) + "x in the journal";
    }
  }
  Expect(failures, bad == 0, std::to_string(bad) + " receipts lost or doubled; first: " + first);
  Expect(failures, reg.unreadable_documents == 0,
         std::to_string(reg.unreadable_documents) + " journal receipts without exactly one id");
  Expect(failures, static_cast<std::size_t>(reg.receipts) == reg.closed_ids.size(),
         "the paper counts " + std::to_string(reg.receipts) + " receipts, the journal " +
             std::to_string(reg.closed_ids.size()));
  Expect(failures, reg.net == expected_net,
         "the paper's receipts come to " + std::to_string(reg.net) +
             " cents, the receipts found closed come to " + std::to_string(expected_net));
}

}  // namespace

std::vector<std::string> Check(const SoakHost& host, const RegisterReport& reg,
                               const RunFigures& run) {
  std::vector<std::string> failures;
  const CallFigures& calls = host.Calls();
  CheckReceipts(failures, host, reg);
  // Every call here passes the preconditions (the port is open, the mode is
  // euro, a pty holds CTS): each is exactly one request on the line.
  Expect(failures, reg.stats.frames == calls.calls + run.probes,
         "the register received " + std::to_string(reg.stats.frames) + " requests for " +
             std::to_string(calls.calls) + " calls and " + std::to_string(run.probes) + " probe");
  Expect(failures, reg.stats.checksum_errors == 0,
         std::to_string(reg.stats.checksum_errors) + " requests arrived with a wrong checksum");
  Expect(
      failures, calls.beyond_grace == 0,
      std::to_string(calls.beyond_grace) + " calls took longer than their limit plus one second");
  Expect(failures, calls.anomalies == 0,
         std::to_string(calls.anomalies) + " answers outside the flow");
  const double rate =
      reg.stats.frames > 0 ? static_cast<double>(reg.stats.faulted_frames) / reg.stats.frames : 0;
  Expect(failures, rate >= kMinFaultRate,
         "only " + std::to_string(rate * 100) + "% of exchanges faulted");
  for (int kind = 0; kind < sim::kFaultCount; ++kind) {
    Expect(
        failures, reg.stats.faults[static_cast<std::size_t>(kind)] > 0,
        "the fault " + std::string(sim::FaultName(static_cast<sim::Fault>(kind))) + " never fired");
  }
  Expect(failures, run.memory.max_kib - run.memory.warm_kib <= run.memory.bound_kib,
         "memory grew by " + std::to_string(run.memory.max_kib - run.memory.warm_kib) +
             " KiB after warm-up");
  return failures;
}

void Print(std::FILE* out, const SoakHost& host, const RegisterReport& reg, const RunFigures& run) {
  const CallFigures& calls = host.Calls();
  int closed_ok = 0, voided = 0, maybe_closed = 0, maybe_voided = 0, nothing = 0;
  for (const ReceiptRecord& r : host.Receipts()) {
    if (r.fate == Fate::ClosedOk) ++closed_ok;
    if (r.fate == Fate::Voided) ++voided;
    if (r.fate != Fate::NothingOpen) continue;
    if (r.payment_uncertain)
      ++maybe_closed;
    else if (r.void_uncertain)
      ++maybe_voided;
    else
      ++nothing;
  }
  std::fprintf(out, "operations:     %ld calls in %zu receipts, %.1f s\n", calls.calls,
               host.Receipts().size(), run.seconds);
  std::fprintf(out, "faulted:        %d of %d exchanges (%.2f%%)\n", reg.stats.faulted_frames,
               reg.stats.frames,
               reg.stats.frames ? 100.0 * reg.stats.faulted_frames / reg.stats.frames : 0.0);
  std::fprintf(out, "faults by kind:");
  for (int kind = 0; kind < sim::kFaultCount; ++kind) {
    std::fprintf(out, " %s %d", std::string(sim::FaultName(static_cast<sim::Fault>(kind))).c_str(),
                 reg.stats.faults[static_cast<std::size_t>(kind)]);
  }
  std::fprintf(out, "\nresults:       ");
  for (int code = -1; code <= 5; ++code) {
    const long n = calls.by_result[static_cast<std::size_t>(code + 1)];
    if (n > 0)
      std::fprintf(out, " %s %ld", std::string(ResultName(static_cast<std::int16_t>(code))).c_str(),
                   n);
  }
  std::fprintf(out,
               "\nreceipts:       closed with OP_OK %d, voided with OP_OK %d; uncertain: payment "
               "%d, void %d; "
               "never opened %d\n",
               closed_ok, voided, maybe_closed, maybe_voided, nothing);
  std::fprintf(out,
               "register:       %d receipts closed (net %lld cents), %d voided; %d requests for "
               "%ld calls + %ld probe\n",
               reg.receipts, reg.net, reg.voided_receipts, reg.stats.frames, calls.calls,
               run.probes);
  std::fprintf(out,
               "call times:     longest %.2f s; worst over its limit %+.2f s (allowed +1.00 s)\n",
               calls.longest, calls.worst_over_limit);
  std::fprintf(out,
               "memory:         %.1f MiB resident after warm-up, %.1f MiB at most, growth %ld KiB "
               "(bound %ld KiB)\n",
               run.memory.warm_kib / 1024.0, run.memory.max_kib / 1024.0,
               run.memory.max_kib - run.memory.warm_kib, run.memory.bound_kib);
}

}  // namespace tavirel::soak
