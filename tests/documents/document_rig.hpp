#pragma once
// The runner on a real control against the simulated register over the
// in-memory null-modem pair, in virtual time, with a journal in a fresh
// temporary folder; and what the register printed, read from its journal.

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "../support/temp_dir.hpp"
#include "sim/driver_rig.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"

namespace tavirel::documents::test {

/// A folder of its own, removed at the end: in memory (/dev/shm) when there
/// is one, so that the journal's flushes cost the suite no disk time.
class TempDir : public tavirel::testing::TempDir {
 public:
  explicit TempDir(bool in_memory = true) : tavirel::testing::TempDir(in_memory) {}
};

/// A receipt the register printed, as its journal shows it.
struct PaperReceipt {
  bool voided = false;
  int number = 0;
  std::string total;  // "5,22" as printed
};

/// The receipts on the register's journal that were printed to their end.
inline std::vector<PaperReceipt> ReceiptsOnPaper(const sim::SimulatedRegister& reg) {
  std::vector<PaperReceipt> receipts;
  const std::regex number(R"(SF\. (\d+))");
  const std::regex total(R"(^TOTALE \w+ +(-?[0-9.,]+))");
  for (const auto& doc : reg.JournalDocuments()) {
    if (doc.kind != sim::DocumentKind::Receipt || !doc.complete) continue;
    PaperReceipt r;
    for (const std::string& line : doc.lines) {
      std::smatch m;
      if (line.find("SCONTRINO ANNULLATO") != std::string::npos) r.voided = true;
      if (std::regex_search(line, m, number)) r.number = std::stoi(m[1]);
      if (std::regex_search(line, m, total)) r.total = m[1];
    }
    receipts.push_back(r);
  }
  return receipts;
}

struct DocumentRig {
  TempDir dir;
  sim::test::DriverRig line;
  Journal journal{dir.File("journal.db")};
  /// The host's clock a programming document's clock is compared with: the
  /// register's (a fixed 7 December 2026, 10:30) and 20 seconds.
  DateParts host_time{2026, 12, 7, 10, 30, 20};
  Runner runner{*line.ctl, journal, Options()};

  [[nodiscard]] RunnerOptions Options() {
    RunnerOptions options;
    options.local_time = [this] { return host_time; };
    return options;
  }

  Outcome Run(const std::string& json) { return runner.Run(ParseDocument(json)); }
  void Arm(const std::string& fault) { line.reg->ArmFault(sim::ParseFaultSwitch(fault)); }
  [[nodiscard]] std::vector<PaperReceipt> Paper() const { return ReceiptsOnPaper(*line.reg); }
  [[nodiscard]] bool RegisterIdle() const { return line.reg->State().phase == sim::Phase::Idle; }
};

/// Stops the host (an exception out of the control) right after the request
/// of frame `frame` is written, or right after its reply has been read.
struct Crash {};
inline void CrashAt(DocumentRig& rig, int frame, bool after_reply) {
  HostHooks hooks = rig.line.ctl->Hooks();
  auto written = std::make_shared<int>(0);
  hooks.trace = [written, frame, after_reply](TraceDirection d, std::string_view bytes, auto) {
    if (d == TraceDirection::Written && !bytes.empty() && bytes[0] == '\x02') {
      if (++*written == frame && !after_reply) throw Crash{};
    }
    if (d == TraceDirection::Read && after_reply && *written == frame &&
        bytes.find('\x03') != std::string_view::npos) {
      throw Crash{};
    }
  };
  rig.line.ctl->SetHooks(hooks);
}

}  // namespace tavirel::documents::test
