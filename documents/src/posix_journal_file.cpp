#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "journal_file.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

bool PrepareJournalFile(const std::string& path, bool empty_is_new) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) {
      throw JournalError("journal " + path + ": is a symbolic link; give the file's own path");
    }
    if (!S_ISREG(info.st_mode)) throw JournalError("journal " + path + ": is not a file");
    if (info.st_size == 0 && !empty_is_new) {
      throw JournalError("journal " + path +
                         ": the file is empty, where a journal was expected; if a new journal is "
                         "meant, remove the file or ask for a new one (--new-journal)");
    }
    return info.st_size == 0;
  }
  if (errno != ENOENT) {
    throw JournalError("journal " + path + ": " + std::strerror(errno));
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw JournalError("journal " + path + ": cannot create: " + std::strerror(errno));
  ::close(fd);
  return true;
}

std::optional<std::string> RoomProblem(int system_error) {
  if (system_error == ENOSPC || system_error == EDQUOT) return "the disk is full";
  if (system_error == EFBIG) return "the file has reached the size this process may write";
  return std::nullopt;
}

}  // namespace tavirel::documents
