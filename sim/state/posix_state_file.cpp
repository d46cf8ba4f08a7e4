#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "file_io.hpp"
#include "state_check.hpp"
#include "state_log.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/state_file.hpp"

namespace tavirel::sim {
namespace {

// Temporaries of the snapshot a killed register left: "FILE.tmp-" and six
// characters, beside it. Removing a link removes the link, not what it names.
void RemoveLeftTemporaries(const std::string& path) {
  const std::filesystem::path snapshot(path);
  const std::string prefix = snapshot.filename().string() + ".tmp-";
  std::error_code ec;
  const auto folder = snapshot.has_parent_path() ? snapshot.parent_path() : ".";
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.rfind(prefix, 0) == 0)
      std::filesystem::remove(entry.path(), ec);
  }
}

// The complete records of a log: a last line without its newline was cut
// short by a kill before its change was answered, and does not count.
std::size_t CompleteLength(const std::string& log) {
  const auto end = log.find_last_of('\n');
  return end == std::string::npos ? 0 : end + 1;
}

}  // namespace

StateFile::StateFile(std::string path) : path_(std::move(path)) {}

StateFile::~StateFile() { CloseLog(); }

StateFile::StateFile(StateFile&& other) noexcept
    : path_(std::move(other.path_)),
      log_fd_(std::exchange(other.log_fd_, -1)),
      changes_(other.changes_),
      log_bytes_(other.log_bytes_) {}

StateFile& StateFile::operator=(StateFile&& other) noexcept {
  if (this != &other) {
    CloseLog();
    path_ = std::move(other.path_);
    log_fd_ = std::exchange(other.log_fd_, -1);
    changes_ = other.changes_;
    log_bytes_ = other.log_bytes_;
  }
  return *this;
}

void StateFile::CloseLog() {
  if (log_fd_ >= 0) ::close(log_fd_);
  log_fd_ = -1;
}

bool StateFile::Exists() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0;
}

void StateFile::CheckWritable() const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw StateFileError("state file " + path_ + " is read-only: refused");
}

SavedRegister StateFile::Load() {
  const auto snapshot = ReadRegularFile(path_, "state file");
  if (!snapshot) FailOnFile("cannot open state file", path_, ENOENT);
  SavedRegister saved = StateFromJson(*snapshot, path_);
  const std::string log = ReadRegularFile(LogPath(), "state log").value_or("");
  const std::size_t complete = CompleteLength(log);
  std::uint64_t line_number = 0;
  try {
    for (std::size_t at = 0; at < complete;) {
      const std::size_t end = log.find('\n', at);
      const std::string line = log.substr(at, end - at);
      at = end + 1;
      ++line_number;
      const std::uint64_t n = ChangeNumber(line);
      if (n <= saved.changes) continue;  // already in the snapshot
      if (n != saved.changes + 1) throw std::invalid_argument("a change is missing before it");
      ApplyChangeRecord(line, saved.state, saved.memory);
      saved.changes = n;
    }
    CheckRanges(saved.state, saved.memory);
  } catch (const std::exception& e) {
    throw StateFileError("state log " + LogPath() + " is damaged at line " +
                         std::to_string(line_number) + ": " + e.what());
  }
  changes_ = saved.changes;
  // What follows the complete records is cut before anything is appended.
  if (complete < log.size()) {
    OpenLog();
    if (::ftruncate(log_fd_, static_cast<off_t>(complete)) != 0)
      FailOnFile("cannot repair state log", LogPath(), errno);
  }
  log_bytes_ = complete;
  return saved;
}

void StateFile::Claim() {
  OpenLog();
  if (::flock(log_fd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    CloseLog();
    if (err == EWOULDBLOCK)
      throw StateFileError("state file " + path_ + " is in use by another register: refused");
    FailOnFile("cannot lock state log", LogPath(), err);
  }
  RemoveLeftTemporaries(path_);
}

void StateFile::OpenLog() {
  if (log_fd_ < 0) log_fd_ = OpenForAppend(LogPath(), "state log");
}

void StateFile::Save(const RegisterState& state, const std::vector<FiscalRecord>& memory) {
  ReplaceFile(path_, StateToJson(state, memory, changes_));
  // The snapshot holds every change now: the log starts again. Should the
  // log not be emptied, its records are numbered within the snapshot and are
  // passed over at the next start.
  OpenLog();
  if (::ftruncate(log_fd_, 0) != 0 || ::fdatasync(log_fd_) != 0)
    FailOnFile("cannot empty state log", LogPath(), errno);
  log_bytes_ = 0;
}

void StateFile::Append(const RegisterState& state, const std::vector<FiscalRecord>& memory,
                       const StateChange& change) {
  OpenLog();
  const std::string line = ChangeRecord(state, memory, change, changes_ + 1) + "\n";
  try {
    WriteAll(log_fd_, line, LogPath());
    if (::fdatasync(log_fd_) != 0) FailOnFile("cannot flush", LogPath(), errno);
  } catch (...) {
    // No half record left behind: the next record must follow the last whole one.
    [[maybe_unused]] const int cut = ::ftruncate(log_fd_, static_cast<off_t>(log_bytes_));
    throw;
  }
  ++changes_;
  log_bytes_ += line.size();
}

}  // namespace tavirel::sim
