// The token file on POSIX systems: mode 0600, opened with O_NOFOLLOW.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "service_errors.hpp"
#include "token_file.hpp"

namespace tavirel::service::token_file {
namespace {

std::string SystemText(int error) { return std::strerror(error); }

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string RandomBytes(std::size_t size) {
  std::string raw(size, '\0');
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::getrandom(raw.data() + done, size - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw TokenError("the system gave no random bytes for the token: " + SystemText(errno));
    done += static_cast<std::size_t>(n);
  }
  return raw;
}

bool Exists(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) return true;
  if (errno != ENOENT)
    throw TokenError("cannot reach the token file " + path + ": " + SystemText(errno));
  return false;
}

bool CreatePrivate(const std::string& path, const std::string& text) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0) {
    if (errno == EEXIST) return false;
    throw TokenError("cannot create the token file " + path + ": " + SystemText(errno));
  }
  if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      ::fsync(fd.get()) != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    throw TokenError("cannot write the token file " + path + ": " + SystemText(error));
  }
  return true;
}

std::string ReadPrivate(const std::string& path, std::size_t limit) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0)
    throw TokenError("cannot read the token file " + path + ": " + SystemText(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    throw TokenError("the token file " + path + " is not a regular file");
  }
  if ((info.st_mode & (S_IROTH | S_IWOTH)) != 0) {
    throw TokenError("the token file " + path +
                     " can be read or written by other users: chmod 600 it (or 640 for a group)");
  }
  std::string text(limit, '\0');
  const ssize_t n = ::read(fd.get(), text.data(), text.size());
  if (n < 0) throw TokenError("cannot read the token file " + path + ": " + SystemText(errno));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

}  // namespace tavirel::service::token_file
