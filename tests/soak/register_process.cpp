#include "register_process.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "tavirel/sim/pty_server.hpp"

namespace tavirel::soak {
namespace {

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) throw std::runtime_error("register process: pipe closed");
    done += static_cast<std::size_t>(n);
  }
}

// Receipt ids are written into every sale line's description as R0000123.
std::set<long> IdsOf(const sim::JournalDocument& document) {
  static const std::regex id_pattern("R([0-9]{7})");
  std::set<long> ids;
  for (const std::string& line : document.lines) {
    for (std::sregex_iterator it(line.begin(), line.end(), id_pattern), end; it != end; ++it) {
      ids.insert(std::stol((*it)[1]));
    }
  }
  return ids;
}

bool IsVoid(const sim::JournalDocument& document) {
  for (const std::string& line : document.lines) {
    if (line.find("SCONTRINO ANNULLATO") != std::string::npos) return true;
  }
  return false;
}

std::string ReportText(const sim::SimulatedRegister& reg) {
  std::ostringstream out;
  const sim::LineStats s = reg.Stats();
  out << "stats " << s.frames << ' ' << s.faulted_frames << ' ' << s.checksum_errors << ' '
      << s.dropped_frames;
  for (int count : s.faults) out << ' ' << count;
  const sim::RegisterState state = reg.State();
  const sim::FinancialTotals& day = state.daily.financial;
  out << "\ntotals " << day.receipts << ' ' << day.voided_receipts << ' ' << day.Net() << '\n';
  std::string closed = "closed", voided = "voided";
  int unreadable = 0;
  for (const auto& document : reg.JournalDocuments()) {
    if (document.kind != sim::DocumentKind::Receipt || !document.complete) continue;
    const std::set<long> ids = IdsOf(document);
    if (ids.size() != 1) {
      ++unreadable;
      continue;
    }
    (IsVoid(document) ? voided : closed) += ' ' + std::to_string(*ids.begin());
  }
  out << closed << '\n' << voided << "\nunreadable " << unreadable << "\nend\n";
  return out.str();
}

[[noreturn]] void ServeChild(int in_fd, int out_fd, sim::SimOptions options) {
  try {
    sim::PtySimulator simulator = sim::StartOnPty(std::move(options));
    WriteAll(out_fd, "device " + simulator.server->DevicePath() + "\n");
    std::FILE* in = ::fdopen(in_fd, "r");
    char* line = nullptr;
    std::size_t size = 0;
    while (::getline(&line, &size, in) > 0) {
      std::string command(line);
      if (!command.empty() && command.back() == '\n') command.pop_back();
      if (command.rfind("arm ", 0) == 0) {
        simulator.reg->ArmFault(sim::ParseFaultSwitch(command.substr(4)));
        WriteAll(out_fd, "ok\n");
      } else if (command == "report") {
        WriteAll(out_fd, ReportText(*simulator.reg));
      }
    }
    simulator.server.reset();
    std::_Exit(0);
  } catch (const std::exception& e) {
    WriteAll(out_fd, std::string("error ") + e.what() + "\n");
    std::_Exit(1);
  }
}

}  // namespace

RegisterProcess::RegisterProcess(const std::vector<sim::FaultSwitch>& faults, std::uint64_t seed) {
  int down[2], up[2];
  if (::pipe(down) != 0 || ::pipe(up) != 0) throw std::runtime_error("register process: no pipe");
  sim::SimOptions options;
  options.faults = faults;
  options.seed = seed;
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("register process: fork failed");
  if (pid_ == 0) {
    ::close(down[1]);
    ::close(up[0]);
    ServeChild(down[0], up[1], std::move(options));
  }
  ::close(down[0]);
  ::close(up[1]);
  to_child_ = down[1];
  from_child_ = ::fdopen(up[0], "r");
  const std::string first = ReadLine();
  if (first.rfind("device ", 0) != 0) throw std::runtime_error("register process: " + first);
  device_ = first.substr(7);
}

RegisterProcess::~RegisterProcess() {
  if (to_child_ >= 0) ::close(to_child_);
  if (from_child_ != nullptr) std::fclose(from_child_);
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
}

std::string RegisterProcess::ReadLine() {
  char* line = nullptr;
  std::size_t size = 0;
  const ssize_t n = ::getline(&line, &size, from_child_);
  std::string text = n > 0 ? std::string(line, static_cast<std::size_t>(n)) : std::string();
  std::free(line);
  if (n <= 0) throw std::runtime_error("register process ended");
  if (text.back() == '\n') text.pop_back();
  return text;
}

std::string RegisterProcess::Ask(const std::string& command) {
  WriteAll(to_child_, command + "\n");
  return ReadLine();
}

void RegisterProcess::Arm(const sim::FaultSwitch& entry) {
  const std::string answer = Ask("arm " + sim::ToString(entry));
  if (answer != "ok") throw std::runtime_error("register process: " + answer);
}

RegisterReport RegisterProcess::Report() {
  RegisterReport report;
  WriteAll(to_child_, "report\n");
  for (std::string line = ReadLine(); line != "end"; line = ReadLine()) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "stats") {
      in >> report.stats.frames >> report.stats.faulted_frames >> report.stats.checksum_errors >>
          report.stats.dropped_frames;
      for (int& count : report.stats.faults) in >> count;
    } else if (key == "totals") {
      in >> report.receipts >> report.voided_receipts >> report.net;
    } else if (key == "closed" || key == "voided") {
      auto& ids = key == "closed" ? report.closed_ids : report.voided_ids;
      for (long id; in >> id;) ids.push_back(id);
    } else if (key == "unreadable") {
      in >> report.unreadable_documents;
    } else {
      throw std::runtime_error("register process: " + line);
    }
  }
  return report;
}

}  // namespace tavirel::soak
