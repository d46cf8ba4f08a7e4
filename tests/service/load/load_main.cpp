// tavireld_load: the service under load on loopback, next to the library run
// directly. Starts tavireld with built-in simulated registers, then
//   1. one after another, in turn, a document through the runner alone (on a
//      simulated register on a pseudo-terminal of this process, its journal
//      in the same folder) and one through the service: what the service
//      adds to each document, both seeing the same load of the machine;
//   2. many clients at once over several registers: throughput and latency;
//   3. with --paced P: P registers of the usual speed at 9600 baud (on
//      pseudo-terminals of this process), one client each sending receipts
//      one after another for --paced-seconds: tavireld's CPU per register
//      at line speed, against the same service idle as long.
// Every document must end closed, and each register's receipt numbers must
// be one unbroken run: nothing lost, nothing printed twice. Exit 0 when so.
//
// tavireld's CPU (user + system, from /proc) is read around each part: its
// CPU per document under load against the same documents one after another.
//
//   tavireld_load TAVIRELD [--documents N] [--clients C] [--registers R] [--sequential M] [--short]
//                 [--paced P] [--paced-seconds S]
//                 [--bench]   (scripts/bench's rows, bench/bench_table.hpp, instead of the table)
#include <httplib.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "../program.hpp"
#include "../temp_dir.hpp"
#include "tavirel/documents/document_json.hpp"
#include "tavirel/documents/runner.hpp"
#include "tavirel/line_settings.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/pacing.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using tavirel::service::testing::Program;
using tavirel::service::testing::TempDir;

struct Options {
  std::string tavireld;
  int documents = 2000;
  int clients = 32;
  int registers = 4;
  int sequential = 100;
  int paced = 0;
  int paced_seconds = 20;
  bool bench = false;
};

// A process's CPU time so far (user + system), in milliseconds.
double CpuMillis(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The fields after the command's name, which is in parentheses and may hold spaces.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
  }
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The process's voluntary context switches, all its threads together: each
// is a sleep and the wake-up that ended it.
long WakeUps(pid_t pid) {
  long total = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream status(task.path() / "status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
    }
  }
  return total;
}

// This machine's price of one wake-up: the CPU a thread is charged for a
// timed 50 ms sleep in epoll_wait, as the driver's waits at line speed are.
double WakeUpMicros() {
  auto thread_cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
  };
  const int set = epoll_create1(EPOLL_CLOEXEC);
  if (set < 0) return 0;
  constexpr int kSleeps = 20;
  const double before = thread_cpu();
  for (int i = 0; i < kSleeps; ++i) {
    epoll_event ready{};
    epoll_wait(set, &ready, 1, 50);
  }
  const double micros = (thread_cpu() - before) / kSleeps;
  close(set);
  return micros;
}

Options Parse(int argc, char** argv) {
  if (argc < 2) throw std::runtime_error("usage: tavireld_load TAVIRELD [options]");
  Options o;
  o.tavireld = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&] { return i + 1 < argc ? std::stoi(argv[++i]) : throw std::runtime_error(arg); };
    if (arg == "--documents") {
      o.documents = next();
    } else if (arg == "--clients") {
      o.clients = next();
    } else if (arg == "--registers") {
      o.registers = next();
    } else if (arg == "--sequential") {
      o.sequential = next();
    } else if (arg == "--paced") {
      o.paced = next();
    } else if (arg == "--paced-seconds") {
      o.paced_seconds = next();
    } else if (arg == "--bench") {
      o.bench = true;
    } else if (arg == "--short") {
      o.documents = 200;
      o.sequential = 20;
    } else {
      throw std::runtime_error("unknown option " + arg);
    }
  }
  return o;
}

std::string Receipt(const std::string& key) {
  return Json{
      {"key", key},
      {"lines",
       {{{"department", 1}, {"description", "PANE"}, {"price", "1.50"}},
        {{"department", 2}, {"description", "LATTE"}, {"price", "0.99"}, {"quantity", "2"}}}},
      {"payments", {{{"type", "cash"}, {"amount", "5.00"}}}}}
      .dump();
}

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

// The runner alone, on a register of this process.
class DirectRun {
 public:
  explicit DirectRun(const TempDir& dir)
      : sim_(tavirel::sim::StartOnPty({})),
        control_(tavirel::PosixSerialPort::ForDevice(sim_.server->DevicePath())),
        journal_(dir / "direct.db") {
    control_.EuroSettings(tavirel::TVL_EUROSETTINGS_EURO);
    control_.PortOpen();
    tavirel::documents::RunnerOptions options;
    options.register_name = "direct";
    runner_ = std::make_unique<tavirel::documents::Runner>(control_, journal_, options);
  }
  /// Runs one receipt; its time in milliseconds.
  double One(const std::string& key) {
    const auto document = tavirel::documents::ParseDocument(Receipt(key));
    const auto start = Clock::now();
    const auto outcome = runner_->Run(document);
    const double took = Millis(Clock::now() - start);
    if (outcome.status != tavirel::documents::Status::Closed) {
      throw std::runtime_error("the direct run did not close " + key);
    }
    return took;
  }

 private:
  tavirel::sim::PtySimulator sim_;
  tavirel::TavirelControl control_;
  tavirel::documents::Journal journal_;
  std::unique_ptr<tavirel::documents::Runner> runner_;
};

struct Result {
  std::string key;
  std::string reg;
  std::string status;
  int receipt = 0;
  double millis = 0;
  int resent = 0;
};

// One document through the service: sent again on no answer or 503 (the same
// key never prints twice), polled on 202.
Result Send(httplib::Client& client, const std::string& reg, const std::string& key) {
  Result result;
  result.key = key;
  result.reg = reg;
  const auto start = Clock::now();
  Json outcome;
  while (true) {
    const auto res = client.Post(("/v1/registers/" + reg + "/documents?wait=60").c_str(),
                                 Receipt(key), "application/json");
    if (!res || res->status == 503) {
      if (!res) std::cerr << key << ": " << httplib::to_string(res.error()) << ", sent again\n";
      if (++result.resent > 100) throw std::runtime_error("no answer for " + key);
      std::this_thread::sleep_for(100ms);
      continue;
    }
    outcome = Json::parse(res->body);
    while (outcome.value("status", "") == "queued" || outcome.value("status", "") == "running") {
      const auto look = client.Get(("/v1/documents/" + key + "?wait=60").c_str());
      if (look) outcome = Json::parse(look->body);
    }
    break;
  }
  result.millis = Millis(Clock::now() - start);
  result.status = outcome.value("status", "?");
  if (outcome["receipt_number"].is_number()) result.receipt = outcome["receipt_number"];
  return result;
}

std::unique_ptr<httplib::Client> Client(int port, const std::string& token) {
  auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
  client->set_bearer_token_auth(token.c_str());
  client->set_read_timeout(120s);
  client->set_keep_alive(true);
  client->set_tcp_nodelay(true);  // as a point-of-sale client should: no Nagle wait on loopback
  return client;
}

std::vector<Result> Concurrent(const Options& o, int port, const std::string& token) {
  std::vector<Result> results(static_cast<std::size_t>(o.documents));
  std::atomic<int> next{0};
  std::vector<std::thread> clients;
  for (int c = 0; c < o.clients; ++c) {
    clients.emplace_back([&] {
      auto client = Client(port, token);
      for (int i = next++; i < o.documents; i = next++) {
        auto& result = results[static_cast<std::size_t>(i)];
        const std::string reg = "r" + std::to_string(i % o.registers + 1);
        try {
          result = Send(*client, reg, "load-" + std::to_string(i));
        } catch (const std::exception& e) {
          result.key = "load-" + std::to_string(i);
          result.reg = reg;
          result.status = e.what();
        }
      }
    });
  }
  for (auto& t : clients) t.join();
  return results;
}

// Nothing lost or doubled: every document closed, and each register's numbers unbroken.
bool Check(const std::vector<Result>& results) {
  bool ok = true;
  std::map<std::string, std::vector<int>> numbers;
  for (const auto& r : results) {
    if (r.status != "closed") {
      std::cerr << "not closed: " << r.key << " " << r.status << "\n";
      ok = false;
    }
    numbers[r.reg].push_back(r.receipt);
  }
  for (auto& [reg, list] : numbers) {
    std::sort(list.begin(), list.end());
    const bool unique = std::adjacent_find(list.begin(), list.end()) == list.end();
    const bool unbroken = list.back() - list.front() + 1 == static_cast<int>(list.size());
    if (!unique || !unbroken || list.front() <= 0) {
      std::cerr << reg << ": receipt numbers " << list.front() << ".." << list.back() << " for "
                << list.size() << " documents\n";
      ok = false;
    }
  }
  return ok;
}

// Registers of the usual speed at 9600 baud, served on pseudo-terminals of
// this process: the service waits on a real line as it would in a shop.
std::vector<tavirel::sim::PtySimulator> PacedRegisters(int count) {
  std::vector<tavirel::sim::PtySimulator> sims;
  for (int i = 0; i < count; ++i) {
    tavirel::sim::SimOptions options;
    options.pacing = tavirel::sim::Pacing::Realistic(tavirel::LineSettings::Parse("9600,n,8,1"));
    options.serial = 200000 + i;
    sims.push_back(tavirel::sim::StartOnPty(options));
  }
  return sims;
}

// tavireld's CPU in per cent of a core per register, with one client per
// paced register sending receipts one after another for `seconds`; and the
// same for the service left idle as long (its floor: timers, the console's
// keep-alives). Every receipt must close.
struct PacedFigures {
  double busy_percent = 0;
  double idle_percent = 0;
  int receipts = 0;
  double cpu_per_receipt_ms = 0;
  double wake_ups_per_receipt = 0;
  double wake_up_micros = 0;  // this machine's price of one
  bool ok = true;
};

int StartedPort(Program& daemon);

// A service of its own with the paced registers alone: the built-in
// simulated registers of the other parts live in the service's process and
// would count in its CPU.
PacedFigures AtLineSpeed(const Options& o, const TempDir& dir) {
  const auto paced = PacedRegisters(o.paced);
  std::vector<std::string> args{o.tavireld,       "--listen",     "127.0.0.1:0",      "--journal",
                                dir / "paced.db", "--token-file", dir / "paced-token"};
  for (std::size_t p = 0; p < paced.size(); ++p) {
    args.insert(args.end(),
                {"--register", "p" + std::to_string(p + 1) + "=" + paced[p].server->DevicePath()});
  }
  Program service(args);
  const int port = StartedPort(service);
  const pid_t daemon = service.pid();
  std::string token;
  std::getline(std::ifstream(dir / "paced-token"), token);
  PacedFigures f;
  const auto window = std::chrono::seconds(o.paced_seconds);
  auto percent = [&](double cpu_ms, Clock::duration took) {
    return 100.0 * cpu_ms / Millis(took) / o.paced;
  };
  double cpu = CpuMillis(daemon);
  auto start = Clock::now();
  // Idle first: nothing runs, the registers stay open.
  while (Clock::now() - start < window / 4) std::this_thread::sleep_for(100ms);
  f.idle_percent = percent(CpuMillis(daemon) - cpu, Clock::now() - start);

  std::vector<std::vector<Result>> sent(static_cast<std::size_t>(o.paced));
  std::vector<std::thread> clients;
  cpu = CpuMillis(daemon);
  const long wake_ups = WakeUps(daemon);
  start = Clock::now();
  for (int p = 0; p < o.paced; ++p) {
    clients.emplace_back([&, p] {
      auto client = Client(port, token);
      const std::string reg = "p" + std::to_string(p + 1);
      for (int i = 0; Clock::now() - start < window; ++i) {
        sent[static_cast<std::size_t>(p)].push_back(
            Send(*client, reg, reg + "-" + std::to_string(i)));
      }
    });
  }
  for (auto& t : clients) t.join();
  const double busy_cpu = CpuMillis(daemon) - cpu;
  const long busy_wake_ups = WakeUps(daemon) - wake_ups;
  f.busy_percent = percent(busy_cpu, Clock::now() - start);
  for (const auto& list : sent) {
    f.receipts += static_cast<int>(list.size());
    f.ok = f.ok && !list.empty() && Check(list);
  }
  f.cpu_per_receipt_ms = busy_cpu / std::max(1, f.receipts);
  f.wake_ups_per_receipt = static_cast<double>(busy_wake_ups) / std::max(1, f.receipts);
  f.wake_up_micros = WakeUpMicros();
  // Its log is a line per document: far below what the pipe holds.
  service.Signal(SIGTERM);
  const auto status = service.Wait(60s);
  if (!status || *status != 0) {
    std::cerr << "the paced service did not stop cleanly: " << service.Errors();
    f.ok = false;
  }
  return f;
}

int StartedPort(Program& daemon) {
  std::smatch match;
  const auto line = daemon.ReadLine(30s);
  if (!line || !std::regex_search(*line, match, std::regex(R"(:(\d+)$)"))) {
    throw std::runtime_error("tavireld did not start: " + daemon.Errors());
  }
  return std::stoi(match[1]);
}

int Run(const Options& o) {
  TempDir dir;
  std::vector<std::string> args{o.tavireld,         "--listen",     "127.0.0.1:0", "--journal",
                                dir / "service.db", "--token-file", dir / "token"};
  for (int r = 1; r <= o.registers; ++r) {
    args.insert(args.end(), {"--register", "r" + std::to_string(r) + "=sim"});
  }
  Program daemon(args);
  const int port = StartedPort(daemon);
  std::string token;
  std::getline(std::ifstream(dir / "token"), token);
  // tavireld logs every document to its standard error: read it meanwhile,
  // or the pipe fills and the service's log blocks it.
  std::atomic<bool> running{true};
  std::thread drain([&] {
    while (running) {
      daemon.Errors();
      std::this_thread::sleep_for(20ms);
    }
  });
  struct Join {
    std::atomic<bool>& running;
    std::thread& drain;
    ~Join() {
      running = false;
      drain.join();
    }
  } join{running, drain};

  DirectRun direct_run(dir);
  auto client = Client(port, token);
  std::vector<Result> sequential;
  std::vector<double> direct, through, differences;
  double sequential_cpu = 0;
  for (int i = 0; i < o.sequential; ++i) {
    direct.push_back(direct_run.One("direct-" + std::to_string(i)));
    const double cpu_before = CpuMillis(daemon.pid());
    sequential.push_back(Send(*client, "r1", "seq-" + std::to_string(i)));
    sequential_cpu += CpuMillis(daemon.pid()) - cpu_before;
    through.push_back(sequential.back().millis);
    differences.push_back(through.back() - direct.back());
  }

  const double load_cpu_before = CpuMillis(daemon.pid());
  const auto start = Clock::now();
  const auto results = Concurrent(o, port, token);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu_under_load = (CpuMillis(daemon.pid()) - load_cpu_before) / o.documents;
  const double cpu_one_by_one = sequential_cpu / std::max(1, o.sequential);
  std::vector<double> latency;
  int resent = 0;
  for (const auto& r : results) {
    latency.push_back(r.millis);
    resent += r.resent;
  }
  const PacedFigures line_speed = o.paced > 0 ? AtLineSpeed(o, dir) : PacedFigures{};
  const bool ok = Check(results) && Check(sequential) && line_speed.ok;
  running = false;
  drain.join();
  drain = std::thread([] {});
  daemon.Signal(SIGTERM);
  const auto status = daemon.Wait(60s);

  if (o.bench) {
    const std::string shape = std::to_string(o.registers) + " simulated registers x " +
                              std::to_string(o.clients) + " clients";
    const double throughput = o.documents / seconds;
    std::printf("service throughput, %s\tdocuments/s\t%.4g\t%.4g\t%.4g\t\t\t\t\n", shape.c_str(),
                throughput, throughput, throughput);
    std::printf(
        "tavireld CPU per document under load, %s\tms\t%.4g\t%.4g\t%.4g\tone after "
        "another\t%.4g\t<= 1.2x\t%s\n",
        shape.c_str(), cpu_under_load, cpu_under_load, cpu_under_load, cpu_one_by_one,
        cpu_under_load <= 1.2 * cpu_one_by_one ? "met" : "MISSED");
    if (o.paced > 0) {
      std::printf(
          "tavireld CPU per register at line speed, %d registers at 9600 baud, %d receipts\t%% "
          "of a core\t%.3g\t%.3g\t%.3g\tthe same service idle\t%.3g\t<= 0.3\t%s\n",
          o.paced, line_speed.receipts, line_speed.busy_percent, line_speed.busy_percent,
          line_speed.busy_percent, line_speed.idle_percent,
          line_speed.busy_percent <= 0.3 ? "met" : "MISSED");
      // What the wake-ups alone cost at this machine's price of one.
      const double floor_ms = line_speed.wake_ups_per_receipt * line_speed.wake_up_micros / 1000;
      std::printf(
          "tavireld CPU per receipt at line speed (9 steps)\tms\t%.3g\t%.3g\t%.3g\tits %.0f "
          "wake-ups at %.0f us each (a timed 50 ms sleep here)\t%.3g\t\t\n",
          line_speed.cpu_per_receipt_ms, line_speed.cpu_per_receipt_ms,
          line_speed.cpu_per_receipt_ms, line_speed.wake_ups_per_receipt, line_speed.wake_up_micros,
          floor_ms);
    }
    return ok && status == 0 ? 0 : 1;
  }
  std::printf("| figure | value |\n|---|---|\n");
  std::printf("| documents at once | %d over %d registers, %d clients |\n", o.documents,
              o.registers, o.clients);
  std::printf("| throughput | %.1f documents/s |\n", o.documents / seconds);
  std::printf("| latency p50 / p99 / max | %.1f / %.1f / %.1f ms |\n", Percentile(latency, 0.5),
              Percentile(latency, 0.99), Percentile(latency, 1.0));
  std::printf("| sent again (no answer or 503) | %d |\n", resent);
  std::printf("| one after another, library directly | p50 %.2f ms per document (%d) |\n",
              Percentile(direct, 0.5), o.sequential);
  std::printf("| one after another, through the service | p50 %.2f ms per document |\n",
              Percentile(through, 0.5));
  std::printf("| the service's own cost (p50 of the pairs' differences) | %.2f ms per document |\n",
              Percentile(differences, 0.5));
  std::printf("| tavireld CPU per document, under load / one after another | %.2f / %.2f ms |\n",
              cpu_under_load, cpu_one_by_one);
  if (o.paced > 0) {
    std::printf(
        "| tavireld CPU per register at line speed, busy / idle (%d registers, %d receipts) "
        "| %.3f / %.3f %% of a core |\n",
        o.paced, line_speed.receipts, line_speed.busy_percent, line_speed.idle_percent);
    std::printf(
        "| tavireld per receipt at line speed: CPU / wake-ups / one wake-up's price here | "
        "%.2f ms / %.1f / %.0f us |\n",
        line_speed.cpu_per_receipt_ms, line_speed.wake_ups_per_receipt, line_speed.wake_up_micros);
  }
  std::printf("| nothing lost or doubled | %s |\n", ok ? "yes" : "NO");
  if (!status || *status != 0) std::cerr << "tavireld did not stop cleanly: " << daemon.Errors();
  return ok && status == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(Parse(argc, argv));
  } catch (const std::exception& e) {
    std::cerr << "tavireld_load: " << e.what() << std::endl;
    return 2;
  }
}
