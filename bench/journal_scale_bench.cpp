// The journal as it grows and as registers share it, in scripts/bench's rows
// (bench_table.hpp):
//   - its writes for one receipt (admission, the start with the first step,
//     one write per later step, the outcome) at 10,000 and at 100,000
//     stored documents against the same at 100, in memory (/dev/shm) so the
//     disk does not hide what the queries cost; rounds interleaved;
//   - four threads (four registers' workers) writing receipts at once on
//     the disk (TMPDIR): documents per second with grouped commits against
//     each commit alone, in turn; rounds interleaved.
//   bench_journal_scale [rounds, default 7]
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_table.hpp"
#include "documents/stored_documents.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/journal.hpp"

namespace {

using namespace tavirel;
using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::size_t kSteps = 8;  // five lines, a discount, two payments
constexpr int kWorkers = 4;        // registers writing at once
constexpr int kReceipts = 6;       // per worker and round

documents::Document Receipt(const std::string& key) {
  return documents::ParseDocument(R"({"key": ")" + key + R"(", "lines": [
      {"department": 1, "description": "PANE", "price": "1.50"},
      {"department": 2, "description": "MELE", "price": "2.40", "quantity": 2},
      {"department": 1, "description": "GRISSINI", "price": "0.60", "quantity": 3},
      {"department": 2, "description": "LATTE", "price": "0.99"},
      {"department": 1, "description": "CROSTATA", "price": "3.00"}],
    "adjustments": [{"type": "discount-percent", "percent": "10"}],
    "payments": [{"type": "cash", "amount": "5.00"}, {"type": "card", "card": 1}]})");
}

documents::StepUpdate Sending(std::size_t s) {
  documents::StepUpdate u;
  u.from = s == 0 ? 0 : s - 1;
  if (s > 0)
    u.steps.push_back({"opReparto", std::string(85, '0'), 0, documents::StepEnd::Answered});
  u.steps.push_back({"opReparto", "opReparto 1 PANE 1.5 1", {}, documents::StepEnd::Interrupted});
  u.in_flight = true;
  u.progress = std::string(600, 'x');
  return u;
}

// The journal's writes for one receipt, as the runner makes them.
void OneReceipt(documents::Journal& journal, const std::string& key, const std::string& reg,
                std::int32_t serial) {
  const auto d = Receipt(key);
  journal.Admit(d, reg);
  journal.Start(d, serial, Sending(0));
  for (std::size_t s = 1; s < kSteps; ++s) journal.Record(key, Sending(s));
  documents::Outcome o;
  o.key = key;
  o.status = documents::Status::Closed;
  documents::StepUpdate last;
  last.from = kSteps - 1;
  last.steps.push_back({"opReparto", std::string(85, '0'), 0, documents::StepEnd::Answered});
  journal.Finish(key, o, last);
}

std::string NewFolder(const fs::path& base) {
  std::string pattern = (base / "tavirel-journal-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make " + pattern);
  return pattern;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path memory = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
  const std::string mem_folder = NewFolder(memory);
  const std::string disk_folder = NewFolder(fs::temp_directory_path());
  int next = 0;
  try {
    // ---- as the journal grows -------------------------------------------------
    const std::vector<int> sizes = {100, 10'000, 100'000};
    std::vector<std::unique_ptr<documents::Journal>> journals;
    for (int size : sizes) {
      const std::string path = mem_folder + "/stored-" + std::to_string(size) + ".db";
      documents::test::StoreDocuments(path, size);
      journals.push_back(std::make_unique<documents::Journal>(path));
    }
    constexpr int kPerRound = 40;
    std::vector<std::vector<double>> per_document(sizes.size());
    for (int round = -1; round < rounds; ++round) {  // round -1 warms up
      for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto start = Steady::now();
        for (int k = 0; k < kPerRound; ++k) {
          OneReceipt(*journals[i], "bench-" + std::to_string(next++), "reg-0", 100000);
        }
        const double ms =
            std::chrono::duration<double, std::milli>(Steady::now() - start).count() / kPerRound;
        if (round >= 0) per_document[i].push_back(ms);
      }
    }
    const auto at_100 = bench::StatsOf(per_document[0]);
    for (std::size_t i = 1; i < sizes.size(); ++i) {
      bench::Row r;
      r.what = "journal per receipt (its 10 writes, in memory) at " + std::to_string(sizes[i]) +
               " stored documents";
      r.unit = "ms";
      r.value = bench::StatsOf(per_document[i]);
      r.versus = "the same at 100 stored documents";
      r.versus_value = at_100;
      r.target = "<= 1.1x";
      r.met = r.value.median <= 1.1 * at_100.median;
      bench::PrintRow(r);
    }
    journals.clear();

    // ---- four registers at once, on the disk ---------------------------------
    auto throughput = [&](bool grouped) {
      documents::JournalOptions options;
      options.group_commit = grouped;
      documents::Journal journal(disk_folder + (grouped ? "/grouped.db" : "/alone.db"), options);
      const auto start = Steady::now();
      std::vector<std::thread> workers;
      for (int w = 0; w < kWorkers; ++w) {
        const int first = next;
        next += kReceipts;
        workers.emplace_back([&journal, w, first] {
          for (int k = 0; k < kReceipts; ++k) {
            OneReceipt(journal, "load-" + std::to_string(first + k), "reg-" + std::to_string(w),
                       100000 + w);
          }
        });
      }
      for (auto& t : workers) t.join();
      const double s = std::chrono::duration<double>(Steady::now() - start).count();
      return kWorkers * kReceipts / s;
    };
    std::vector<double> grouped, alone;
    for (int round = 0; round < rounds; ++round) {
      grouped.push_back(throughput(true));
      alone.push_back(throughput(false));
    }
    bench::Row r;
    r.what = "journal, 4 registers writing receipts at once on the disk, grouped commits";
    r.unit = "documents/s";
    r.value = bench::StatsOf(grouped);
    r.versus = "each commit alone, in turn (one connection per register orders them so)";
    r.versus_value = bench::StatsOf(alone);
    bench::PrintRow(r);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_journal_scale: %s\n", e.what());
    fs::remove_all(mem_folder);
    fs::remove_all(disk_folder);
    return 2;
  }
  fs::remove_all(mem_folder);
  fs::remove_all(disk_folder);
  return 0;
}
