#include "tavirel/sim/state_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

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
      const int err = errno;
      ::close(fd);
      Fail("cannot write state file", path, err);
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

bool StateFile::Exists() const { return ::access(path_.c_str(), F_OK) == 0; }

SavedRegister StateFile::Load() const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) Fail("cannot open state file", path_, errno);
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) Fail("cannot read state file", path_, errno);
  return StateFromJson(text.str(), path_);
}

void StateFile::Save(const RegisterState& state, const std::vector<FiscalRecord>& memory) const {
  const std::string data = StateToJson(state, memory);
  const std::string temp = path_ + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot create state file", temp, errno);
  WriteAll(fd, data, temp);
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    Fail("cannot flush state file", temp, err);
  }
  ::close(fd);
  if (::rename(temp.c_str(), path_.c_str()) != 0) Fail("cannot replace state file", path_, errno);
  // The rename itself must reach the disk for the new state to survive a crash.
  const int dir = ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace tavirel::sim
