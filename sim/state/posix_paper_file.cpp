#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/paper_file.hpp"

namespace tavirel::sim {
namespace {

// Records are a few hundred bytes; the tail read needs the last two.
constexpr long long kTailBytes = 16 * 1024;

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
  throw SimError(what + " " + path + ": " + std::strerror(err));
}

const char* FileKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

void RequireRegular(const struct stat& st, const std::string& path) {
  if (!S_ISREG(st.st_mode))
    throw SimError("paper file " + path + " is " + FileKind(st.st_mode) + ": refused");
}

PaperRecord ReadRecord(std::string_view line, const std::string& path) {
  try {
    return ParsePaperLine(line);
  } catch (const SimError& e) {
    throw SimError("paper file " + path + ": " + e.what());
  }
}

}  // namespace

PaperFile::PaperFile(std::string path) : path_(std::move(path)) {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) RequireRegular(st, path_);
  // O_NONBLOCK: should the path turn into a FIFO meanwhile, the open does not wait.
  fd_ =
      ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd_ < 0) Fail("cannot open paper file", path_, errno);
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    RequireRegular(st, path_);
  }
  size_ = st.st_size;
  try {
    ReadTail();
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

PaperFile::~PaperFile() {
  if (fd_ >= 0) ::close(fd_);
}

void PaperFile::ReadTail() {
  const long long from = size_ > kTailBytes ? size_ - kTailBytes : 0;
  std::vector<char> buffer(static_cast<std::size_t>(size_ - from));
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = ::pread(fd_, buffer.data() + got, buffer.size() - got,
                              static_cast<off_t>(from + static_cast<long long>(got)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot read paper file", path_, n < 0 ? errno : EIO);
    got += static_cast<std::size_t>(n);
  }
  std::string tail(buffer.begin(), buffer.end());
  // A line without its newline was cut short: the document it began is not on the paper.
  const auto end = tail.find_last_of('\n');
  const long long complete =
      end == std::string::npos ? from : from + static_cast<long long>(end) + 1;
  if (complete < size_) TruncateTo(complete);
  tail.resize(static_cast<std::size_t>(complete - from));
  last_.reset();
  before_last_.reset();
  last_start_ = complete;
  if (tail.empty()) return;
  tail.pop_back();
  const auto last_break = tail.find_last_of('\n');
  const std::size_t last_begin = last_break == std::string::npos ? 0 : last_break + 1;
  if (last_break == std::string::npos && from > 0)
    throw SimError("paper file " + path_ + " ends in a line too long to be a record");
  last_start_ = from + static_cast<long long>(last_begin);
  last_ = ReadRecord(std::string_view(tail).substr(last_begin), path_);
  if (last_begin == 0) return;
  const std::string_view before(tail.data(), last_begin - 1);
  const auto before_break = before.find_last_of('\n');
  if (before_break == std::string_view::npos && from > 0) return;
  before_last_ = ReadRecord(
      before.substr(before_break == std::string_view::npos ? 0 : before_break + 1), path_);
}

void PaperFile::TruncateTo(long long size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    Fail("cannot shorten paper file", path_, errno);
  size_ = size;
}

void PaperFile::Append(const PaperRecord& record) {
  const std::string line = PaperLine(record) + "\n";
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : ENOSPC;
      ::ftruncate(fd_, static_cast<off_t>(size_));  // no half record left behind
      Fail("cannot write paper file", path_, err);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fdatasync(fd_) != 0) {
    const int err = errno;
    ::ftruncate(fd_, static_cast<off_t>(size_));
    Fail("cannot flush paper file", path_, err);
  }
  before_last_ = std::move(last_);
  last_ = record;
  last_start_ = size_;
  size_ += static_cast<long long>(line.size());
}

void PaperFile::DropLast() {
  if (!last_) return;
  TruncateTo(last_start_);
  if (::fdatasync(fd_) != 0) Fail("cannot flush paper file", path_, errno);
  ReadTail();
}

void ReconcilePaper(PaperFile& paper, std::uint64_t documents, const PaperRecord& last,
                    const std::string& state_path) {
  if (!paper.Last()) return;  // a new paper
  const std::uint64_t on_paper = paper.Last()->seq;
  if (on_paper == documents && (documents == 0 || *paper.Last() == last)) return;
  const bool before_matches =
      documents == 0 ? !paper.BeforeLast() : paper.BeforeLast() && *paper.BeforeLast() == last;
  if (on_paper == documents + 1 && before_matches) {
    paper.DropLast();
    return;
  }
  if (documents > 0 && on_paper < documents) {
    paper.Append(last);
    return;
  }
  throw SimError("paper file " + paper.Path() + " ends at document " + std::to_string(on_paper) +
                 " but state file " + state_path + " at document " + std::to_string(documents) +
                 ": they are not of the same register");
}

}  // namespace tavirel::sim
