#pragma once
// The journal's file as the platform sees it (posix_journal_file.cpp,
// win_journal_file.cpp): made before SQLite opens it, and the system errors
// that mean a write found no room.
#include <optional>
#include <string>

namespace tavirel::documents {

/// Makes the file when it is not there (readable by its owner alone where
/// the system has modes); refuses a link, what is not a plain file, and an
/// empty file unless `empty_is_new`. True when it made it (or found it
/// empty). Throws JournalError naming the path.
bool PrepareJournalFile(const std::string& path, bool empty_is_new);

/// What a failed write's system error (as SQLite's file layer keeps it) says
/// about room, in words ("the disk is full"); nothing for other errors.
std::optional<std::string> RoomProblem(int system_error);

}  // namespace tavirel::documents
