#pragma once
// The user's folders on Windows: both state and configuration live in the
// user's local application data (%LOCALAPPDATA%), which the system keeps for
// that user alone; a folder made there inherits that. Chosen by the build
// (support/CMakeLists.txt) beside its POSIX sibling.
#include <direct.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

namespace tavirel::support::platform {

/// Both "/" and "\" separate a path's folders.
inline constexpr const char* kFolderSeparators = "/\\";

/// %LOCALAPPDATA%, or nothing when it is not set.
inline std::optional<std::string> FolderPath(bool) {
  const char* local = std::getenv("LOCALAPPDATA");
  if (local == nullptr || *local == '\0') return std::nullopt;
  return std::string(local);
}

/// The variable that says where the folder is.
inline const char* FolderVariable(bool) { return "LOCALAPPDATA"; }

/// Why FolderPath gave nothing.
inline std::string FolderMissing(bool) { return "LOCALAPPDATA is not set"; }

/// Makes `folder`: 0, or the errno (EEXIST when it is there already).
inline int MakeOwnFolder(const std::string& folder) {
  return ::_mkdir(folder.c_str()) == 0 ? 0 : errno;
}

}  // namespace tavirel::support::platform
