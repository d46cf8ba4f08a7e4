#pragma once
// The token file's platform part: random bytes from the system, a file made
// for its owner alone, and one read back after checking that it is a plain
// file nobody else may read or write (token_file_posix.cpp: modes;
// token_file_win.cpp: the file's access list).
//
// Free functions: safe from any thread.
#include <cstddef>
#include <string>

namespace tavirel::service::token_file {

/// `size` random bytes from the system's generator. Throws TokenError.
std::string RandomBytes(std::size_t size);

/// Whether anything (a file, a link, a folder) is at `path`. Throws
/// TokenError when the path cannot be reached for another reason.
bool Exists(const std::string& path);

/// Makes the file `path` holding `text`, written durably, readable and
/// writable by the current user alone, never through a link. False when
/// something is there already (another start made it first). Throws
/// TokenError naming the file.
bool CreatePrivate(const std::string& path, const std::string& text);

/// At most `limit` bytes of `path`, which must be a regular file (not a
/// link) that other users can neither read nor write. Throws TokenError
/// naming the file and what is wrong, with how to fix it.
std::string ReadPrivate(const std::string& path, std::size_t limit);

}  // namespace tavirel::service::token_file
