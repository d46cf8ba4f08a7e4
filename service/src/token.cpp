#include "token.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "service_errors.hpp"
#include "tavirel/support/user_folders.hpp"

namespace tavirel::service {
namespace {

std::string SystemText(int error) { return std::strerror(error); }

std::string RandomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  std::size_t done = 0;
  while (done < bytes) {
    const ssize_t n = ::getrandom(raw.data() + done, bytes - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      throw TokenError("the system gave no random bytes for the token: " + SystemText(errno));
    done += static_cast<std::size_t>(n);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : raw) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

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

void CreateToken(const std::string& path) {
  support::MakePrivateFolders<TokenError>(path, "the token");
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0) {
    if (errno == EEXIST) return;  // another start made it first: read theirs
    throw TokenError("cannot create the token file " + path + ": " + SystemText(errno));
  }
  const std::string text = RandomHex(32) + "\n";
  if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      ::fsync(fd.get()) != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    throw TokenError("cannot write the token file " + path + ": " + SystemText(error));
  }
}

std::string ReadToken(const std::string& path) {
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
  std::string text(4096, '\0');
  const ssize_t n = ::read(fd.get(), text.data(), text.size());
  if (n < 0) throw TokenError("cannot read the token file " + path + ": " + SystemText(errno));
  text.resize(static_cast<std::size_t>(n));
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  if (text.size() < 16 || text.find_first_of(" \t\r\n") != std::string::npos) {
    throw TokenError("the token file " + path +
                     " must hold one token of at least 16 characters without spaces");
  }
  return text;
}

}  // namespace

std::string DefaultTokenPath() {
  const auto config = support::UserFolderPath(support::UserFolder::Config);
  if (!config) {
    throw TokenError(support::UserFolderMissing(support::UserFolder::Config) +
                     ": give --token-file");
  }
  return *config + "/tavirel/token";
}

std::string LoadOrCreateToken(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT)
      throw TokenError("cannot reach the token file " + path + ": " + SystemText(errno));
    CreateToken(path);
  }
  return ReadToken(path);
}

bool TokenMatches(std::string_view expected, std::string_view given) {
  if (expected.empty()) return false;
  // Every byte of `expected` is visited once whatever `given` holds.
  unsigned difference = given.size() == expected.size() ? 0U : 1U;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const unsigned char other =
        given.empty() ? 0 : static_cast<unsigned char>(given[i % given.size()]);
    difference |= static_cast<unsigned char>(expected[i]) ^ other;
  }
  return difference == 0;
}

}  // namespace tavirel::service
