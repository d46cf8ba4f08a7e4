#pragma once
// The user's folders on POSIX systems: the XDG state and configuration
// folders; a folder made for its owner alone with mode 0700. Chosen by the
// build (support/CMakeLists.txt) beside its Windows sibling.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

namespace tavirel::support::platform {

/// "/": the only separator of a path's folders.
inline constexpr const char* kFolderSeparators = "/";

/// $XDG_STATE_HOME or ~/.local/state (`state`), $XDG_CONFIG_HOME or
/// ~/.config; nothing when neither the variable nor HOME is set.
inline std::optional<std::string> FolderPath(bool state) {
  const char* own = std::getenv(state ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME");
  if (own != nullptr && *own != '\0') return std::string(own);
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return std::nullopt;
  return std::string(home) + (state ? "/.local/state" : "/.config");
}

/// The variable that says where the folder is.
inline const char* FolderVariable(bool state) {
  return state ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME";
}

/// Why FolderPath gave nothing.
inline std::string FolderMissing(bool state) {
  return std::string("neither ") + FolderVariable(state) + " nor HOME is set";
}

/// Makes `folder`, readable by its owner alone: 0, or the errno (EEXIST
/// when it is there already).
inline int MakeOwnFolder(const std::string& folder) {
  return ::mkdir(folder.c_str(), 0700) == 0 ? 0 : errno;
}

}  // namespace tavirel::support::platform
