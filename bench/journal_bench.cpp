// What the journal costs a document, next to the time the document's bytes
// take on the line at 9600 baud (10 bits a byte). Rows as bench_line prints
// them: what, value, unit, target, "met" or "MISSED".
//   bench_journal [documents, default 200] [folder of the journal, default: a new one under TMPDIR]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/documents/runner.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/tavirel_control.hpp"

namespace {

using namespace tavirel;
using Steady = std::chrono::steady_clock;

// The issue's receipt, with payments that add up: eight steps.
std::string Receipt(int i) {
  return R"({"key": "bench-)" + std::to_string(i) + R"(", "type": "receipt", "operator": 1,
    "lines": [{"department": 1, "description": "PANE", "price": "1.50"},
              {"department": 2, "description": "MELE", "price": "2.40", "quantity": "1.250"},
              {"department": 1, "description": "GRISSINI", "price": "0.60", "quantity": 3,
               "code": "8001234567890"},
              {"type": "return", "department": 1, "description": "CROSTATA", "price": "3.00"},
              {"type": "text", "text": "OFFERTA DEL GIORNO"}],
    "adjustments": [{"type": "discount-percent", "percent": "10"}],
    "payments": [{"type": "cash", "amount": "2.00"}, {"type": "card", "card": 1}]})";
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void Row(const std::string& what, double value, const char* unit, const std::string& target = "",
         bool met = true) {
  std::printf("%s\t%.4g\t%s\t%s\t%s\n", what.c_str(), value, unit, target.c_str(),
              target.empty() ? "" : (met ? "met" : "MISSED"));
}

struct Line {
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  sim::SimulatedRegister reg;
  std::unique_ptr<TavirelControl> control;
  std::unique_ptr<sim::VirtualTimeLink> link;
  long bytes = 0;

  Line() {
    auto [host, far] = MakeNullModemPair();
    NullModemPort& host_end = *host;
    control = std::make_unique<TavirelControl>(std::move(host), clock);
    control->InitProperties();
    control->EuroSettings(TVL_EUROSETTINGS_EURO);
    HostHooks hooks;
    hooks.trace = [this](TraceDirection, std::string_view b, auto) {
      bytes += static_cast<long>(b.size());
    };
    control->SetHooks(hooks);
    link = std::make_unique<sim::VirtualTimeLink>(reg, host_end, std::move(far), clock);
    control->PortOpen();
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int documents = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
  std::string folder;
  if (argc > 2) {
    folder = argv[2];
  } else {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tavirel-journal-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 2;
    folder = pattern;
  }
  try {
    Line line;
    documents::Journal journal(folder + "/journal.db");
    documents::Runner runner(*line.control, journal);
    runner.Serial();
    // The whole run with the line in virtual time: what is left is the
    // driver's work, the register's and the journal's.
    std::vector<double> run_ms;
    long bytes_per_document = 0;
    std::size_t steps = 0;
    for (int i = 0; i < documents; ++i) {
      const long before = line.bytes;
      const auto start = Steady::now();
      const auto o = runner.Run(documents::ParseDocument(Receipt(i)));
      run_ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
      if (o.status != documents::Status::Closed) throw std::runtime_error(documents::ToJson(o));
      bytes_per_document = line.bytes - before;
      steps = o.steps.size();
    }
    // The same journal writes alone, as the runner makes them: the admission,
    // the start riding on the first step, one write per later step, the outcome.
    std::vector<double> journal_ms;
    const auto sample = documents::ParseDocument(Receipt(0));
    const auto sending = [](std::size_t s) {
      documents::StepUpdate u;
      u.from = s == 0 ? 0 : s - 1;
      if (s > 0) {
        u.steps.push_back({"opReparto", std::string(85, '0'), 0, documents::StepEnd::Answered});
      }
      u.steps.push_back(
          {"opReparto", "opReparto 1 PANE 1.5 1", {}, documents::StepEnd::Interrupted});
      u.in_flight = true;
      u.progress = std::string(600, 'x');
      return u;
    };
    for (int i = 0; i < documents; ++i) {
      auto d = sample;
      d.key = "alone-" + std::to_string(i);
      const auto start = Steady::now();
      journal.Admit(d, "");
      journal.Start(d, 123456, sending(0));
      for (std::size_t s = 1; s < steps; ++s) journal.Record(d.key, sending(s));
      documents::Outcome o;
      o.key = d.key;
      o.status = documents::Status::Closed;
      documents::StepUpdate last;
      last.from = steps - 1;
      last.steps.push_back({"opReparto", std::string(85, '0'), 0, documents::StepEnd::Answered});
      journal.Finish(d.key, o, last);
      journal_ms.push_back(
          std::chrono::duration<double, std::milli>(Steady::now() - start).count());
    }
    const double wire_ms = static_cast<double>(bytes_per_document) * 10.0 / 9600.0 * 1000.0;
    const double journal_median = Percentile(journal_ms, 0.5);
    Row("receipt of " + std::to_string(steps) + " steps: bytes on the line",
        static_cast<double>(bytes_per_document), "bytes");
    Row("its wire time at 9600 baud", wire_ms, "ms");
    Row("journal writes per receipt (transactions: admission, one per step, the outcome)",
        static_cast<double>(steps + 2), "");
    Row("journal alone per receipt, median", journal_median, "ms", "under 10% of the wire time",
        journal_median < wire_ms / 10);
    Row("journal alone per receipt, 95th percentile", Percentile(journal_ms, 0.95), "ms");
    Row("journal per write, median", journal_median / static_cast<double>(steps + 2), "ms");
    Row("whole run with the line in virtual time, median", Percentile(run_ms, 0.5), "ms");
    Row("journal's share of the wire time, median", 100.0 * journal_median / wire_ms, "%");
    std::printf("# journal in %s, %d receipts\n", folder.c_str(), documents);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_journal: %s\n", e.what());
    return 2;
  }
  if (argc <= 2) std::filesystem::remove_all(folder);
  return 0;
}
