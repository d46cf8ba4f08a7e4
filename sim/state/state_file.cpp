#include "tavirel/sim/state_file.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
  throw StateFileError(what + " " + path + ": " + std::strerror(err));
}

void WriteAll(int fd, const std::string& data, const std::string& path) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write", path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

StateFile::StateFile(std::string path) : path_(std::move(path)) {}

bool StateFile::Exists() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0;
}

void StateFile::CheckWritable() const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    throw StateFileError("state file " + path_ + " is read-only: refused");
}

SavedRegister StateFile::Load() const {
  // Not blocking: a FIFO or a device at the path is refused, not waited on.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) Fail("cannot open state file", path_, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw StateFileError("state file " + path_ + " is not a regular file (" +
                         (S_ISFIFO(st.st_mode)  ? "a FIFO"
                          : S_ISDIR(st.st_mode) ? "a folder"
                                                : "a device") +
                         "): refused");
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      Fail("cannot read state file", path_, err);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return StateFromJson(text, path_);
}

void StateFile::Save(const RegisterState& state, const std::vector<FiscalRecord>& memory) const {
  const std::string data = StateToJson(state, memory);
  // A name nobody can guess, created exclusively: a link planted where the
  // temporary goes is never followed.
  std::string temp = path_ + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) Fail("cannot create a temporary beside state file", path_, errno);
  bool open = true;
  try {
    WriteAll(fd, data, temp);
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0) Fail("cannot flush", temp, errno);
    open = false;
    if (::close(fd) != 0) Fail("cannot write", temp, errno);
  } catch (...) {
    if (open) ::close(fd);
    ::unlink(temp.c_str());  // no partial temporary left behind
    throw;
  }
  if (::rename(temp.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    Fail("cannot replace state file", path_, err);
  }
  // The rename itself must reach the disk for the new state to survive a crash.
  const int dir = ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) {
    const int err = errno;
    if (dir >= 0) ::close(dir);
    Fail("cannot flush the folder of state file", path_, err);
  }
  ::close(dir);
}

}  // namespace tavirel::sim
