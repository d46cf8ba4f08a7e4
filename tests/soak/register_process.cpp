#include "register_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "tavirel/sim/paper.hpp"

namespace tavirel::soak {
namespace {

constexpr auto kAnswerLimit = std::chrono::seconds(30);

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) throw std::runtime_error("register process: its console is closed");
    done += static_cast<std::size_t>(n);
  }
}

// Receipt ids are written into every sale line's description as R0000123.
std::set<long> IdsOf(const std::vector<std::string>& document) {
  static const std::regex id_pattern("R([0-9]{7})");
  std::set<long> ids;
  for (const std::string& line : document) {
    for (std::sregex_iterator it(line.begin(), line.end(), id_pattern), end; it != end; ++it) {
      ids.insert(std::stol((*it)[1]));
    }
  }
  return ids;
}

bool Contains(const std::vector<std::string>& document, const char* text) {
  for (const std::string& line : document) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

// Every document ends with the serial number line, "MF 123456", centred.
bool EndsDocument(const std::string& line) {
  static const std::regex serial_line(" *MF [0-9]{6}");
  return std::regex_match(line, serial_line);
}

sim::LineStats ParseStats(const std::string& line) {
  std::map<std::string, int> values;
  std::istringstream in(line.substr(6));
  for (std::string pair; in >> pair;) {
    const auto equals = pair.find('=');
    if (equals != std::string::npos)
      values[pair.substr(0, equals)] = std::stoi(pair.substr(equals + 1));
  }
  sim::LineStats s;
  s.frames = values["frames"];
  s.checksum_errors = values["checksum-errors"];
  s.acks_sent = values["acks-sent"];
  s.replies_sent = values["replies-sent"];
  s.host_acks = values["host-acks"];
  s.ignored_bytes = values["ignored-bytes"];
  s.dropped_frames = values["dropped-frames"];
  s.faulted_frames = values["faulted-frames"];
  for (int i = 0; i < sim::kFaultCount; ++i)
    s.faults[static_cast<std::size_t>(i)] =
        values[std::string(sim::FaultName(static_cast<sim::Fault>(i)))];
  return s;
}

std::string MakeDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavirel-soak-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("register process: mkdtemp");
  return pattern;
}

}  // namespace

RegisterProcess::RegisterProcess(const std::vector<sim::FaultSwitch>& faults, std::uint64_t seed)
    : dir_(MakeDir()) {
  std::vector<std::string> args = {
      TAVIREL_CLI_PATH,     "sim",     "--control",          "--journal", "--seed",
      std::to_string(seed), "--paper", dir_ + "/paper.jsonl"};
  for (const auto& entry : faults) {
    args.push_back("--fault");
    args.push_back(sim::ToString(entry));
  }
  int down[2], up[2];
  if (::pipe2(down, O_CLOEXEC) != 0 || ::pipe2(up, O_CLOEXEC) != 0)
    throw std::runtime_error("register process: no pipe");
  ::signal(SIGPIPE, SIG_IGN);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("register process: fork failed");
  if (pid_ == 0) {
    ::dup2(down[0], STDIN_FILENO);
    ::dup2(up[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(down[0]);
  ::close(up[1]);
  to_child_ = down[1];
  from_child_ = up[0];
  reader_ = std::thread([this] { ReadOutput(); });
  const std::string first = Ask("");  // its first line, unasked
  if (first.rfind("DEVICE ", 0) != 0) throw std::runtime_error("register process: " + first);
  device_ = first.substr(7);
}

RegisterProcess::~RegisterProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);  // this child only, by its id, before it is reaped
    ::waitpid(pid_, nullptr, 0);
  }
  if (to_child_ >= 0) ::close(to_child_);
  if (reader_.joinable()) reader_.join();  // its output ends with it
  if (from_child_ >= 0) ::close(from_child_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void RegisterProcess::ReadOutput() {
  std::string pending;
  char chunk[8192];
  for (ssize_t n; (n = ::read(from_child_, chunk, sizeof chunk)) > 0;) {
    pending.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line.rfind("| ", 0) == 0) {
        TakeJournalLine(line.substr(2));
      } else {
        std::lock_guard lock(mutex_);
        answers_.push_back(line);
        answered_.notify_all();
      }
    }
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  answered_.notify_all();
}

void RegisterProcess::TakeJournalLine(const std::string& text) {
  std::lock_guard lock(mutex_);
  document_.push_back(text);
  if (!EndsDocument(text)) return;
  if (Contains(document_, " SF. ")) {
    const std::set<long> ids = IdsOf(document_);
    if (ids.size() != 1) {
      ++unreadable_;
    } else {
      (Contains(document_, "SCONTRINO ANNULLATO") ? voided_ids_ : closed_ids_)
          .push_back(*ids.begin());
    }
  }
  document_.clear();
}

std::string RegisterProcess::Ask(const std::string& command) {
  if (!command.empty()) WriteAll(to_child_, command + "\n");
  std::unique_lock lock(mutex_);
  if (!answered_.wait_for(lock, kAnswerLimit, [this] { return !answers_.empty() || ended_; }))
    throw std::runtime_error("register process: no answer to \"" + command + "\"");
  if (answers_.empty()) throw std::runtime_error("register process ended");
  std::string answer = std::move(answers_.front());
  answers_.pop_front();
  return answer;
}

void RegisterProcess::Arm(const sim::FaultSwitch& entry) {
  const std::string command = "fault " + sim::ToString(entry);
  const std::string answer = Ask(command);
  if (answer != "OK " + command) throw std::runtime_error("register process: " + answer);
}

void RegisterProcess::ReadPaper(RegisterReport& report) const {
  std::ifstream paper(dir_ + "/paper.jsonl");
  for (std::string line; std::getline(paper, line);) {
    const sim::PaperRecord record = sim::ParsePaperLine(line);
    if (record.kind == sim::PaperKind::Receipt) {
      ++report.receipts;
      report.net += record.total;
    } else if (record.kind == sim::PaperKind::Voided) {
      ++report.voided_receipts;
    }
  }
}

RegisterReport RegisterProcess::Report() {
  RegisterReport report;
  const std::string stats = Ask("stats");  // after every journal line printed before it
  if (stats.rfind("STATS ", 0) != 0) throw std::runtime_error("register process: " + stats);
  report.stats = ParseStats(stats);
  ReadPaper(report);
  std::lock_guard lock(mutex_);
  report.closed_ids = closed_ids_;
  report.voided_ids = voided_ids_;
  report.unreadable_documents = unreadable_;
  return report;
}

}  // namespace tavirel::soak
