#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "file_io.hpp"
#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a file";
}

// The descriptor, when it is a regular file; closed and refused otherwise.
int RequireRegular(int fd, const std::string& path, const std::string& what) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw StateFileError(what + " " + path + " is not a regular file (" + KindOf(st.st_mode) +
                         "): refused");
  }
  return fd;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void FailOnFile(const std::string& what, const std::string& path, int err) {
  throw StateFileError(what + " " + path + ": " + std::strerror(err));
}

std::optional<std::string> ReadRegularFile(const std::string& path, const std::string& what) {
  // Not blocking: a FIFO or a device at the path is refused, not waited on.
  const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (opened < 0 && errno == ENOENT) return std::nullopt;
  if (opened < 0) FailOnFile("cannot open " + what, path, errno);
  const int fd = RequireRegular(opened, path, what);
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      FailOnFile("cannot read " + what, path, err);
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

int OpenForAppend(const std::string& path, const std::string& what) {
  const int fd =
      ::open(path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW, 0644);
  if (fd < 0) FailOnFile("cannot open " + what, path, errno);
  return RequireRegular(fd, path, what);
}

void WriteAll(int fd, const std::string& data, const std::string& path) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) FailOnFile("cannot write", path, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
}

void FlushFolderOf(const std::string& path) {
  const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0 || ::fsync(dir) != 0) {
    const int err = errno;
    if (dir >= 0) ::close(dir);
    FailOnFile("cannot flush the folder of", path, err);
  }
  ::close(dir);
}

void ReplaceFile(const std::string& path, const std::string& data) {
  // A name nobody can guess, created exclusively: a link planted where the
  // temporary goes is never followed.
  std::string temp = path + ".tmp-XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) FailOnFile("cannot create a temporary beside", path, errno);
  bool open = true;
  try {
    WriteAll(fd, data, temp);
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0) FailOnFile("cannot flush", temp, errno);
    open = false;
    if (::close(fd) != 0) FailOnFile("cannot write", temp, errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) FailOnFile("cannot replace", path, errno);
  } catch (...) {
    if (open) ::close(fd);
    ::unlink(temp.c_str());  // no partial temporary left behind
    throw;
  }
  FlushFolderOf(path);
}

}  // namespace tavirel::sim
