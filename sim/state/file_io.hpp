#pragma once
// Reading and writing the register's files without surprises: a FIFO, a
// device or a folder where a file should be is refused, not waited on; a link
// is not followed where the register writes; every failure is a StateFileError
// naming the file.
#include <optional>
#include <string>

namespace tavirel::sim {

/// The whole content of the regular file at `path`, or nullopt when there is
/// none. `what` names it in errors ("state file").
std::optional<std::string> ReadRegularFile(const std::string& path, const std::string& what);
/// Opens (creating) a regular file for appending, not through a link.
int OpenForAppend(const std::string& path, const std::string& what);
/// Writes all of `data` to `fd`; throws naming `path`.
void WriteAll(int fd, const std::string& data, const std::string& path);
/// Flushes the folder holding `path`, so a rename or a new file in it lasts.
void FlushFolderOf(const std::string& path);
/// Replaces `path` with `data`: a temporary beside it with a name nobody can
/// guess, created exclusively, flushed, renamed over it; removed on failure.
void ReplaceFile(const std::string& path, const std::string& data);
[[noreturn]] void FailOnFile(const std::string& what, const std::string& path, int err);

}  // namespace tavirel::sim
