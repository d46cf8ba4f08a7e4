#pragma once
// Where the programs keep their files: the user's state and configuration
// folders (XDG on POSIX systems, %LOCALAPPDATA% on Windows), and folders
// made readable by their owner alone. One place for both, header-only so the
// document layer uses it too; the platform's part is
// tavirel/support/platform_folders.hpp, whose folder the build picks.
//
// Free functions: safe from any thread.
#include <cstring>
#include <optional>
#include <string>

#include "tavirel/support/platform_folders.hpp"

namespace tavirel::support {

enum class UserFolder {
  State,   // $XDG_STATE_HOME, or ~/.local/state (Windows: %LOCALAPPDATA%)
  Config,  // $XDG_CONFIG_HOME, or ~/.config (Windows: %LOCALAPPDATA%)
};

/// The folder's path, or nothing when the variables that say where it is
/// are not set.
inline std::optional<std::string> UserFolderPath(UserFolder folder) {
  return platform::FolderPath(folder == UserFolder::State);
}

/// The name of the variable that says where `folder` is.
inline const char* UserFolderVariable(UserFolder folder) {
  return platform::FolderVariable(folder == UserFolder::State);
}

/// Why UserFolderPath gave nothing: "neither XDG_STATE_HOME nor HOME is set".
inline std::string UserFolderMissing(UserFolder folder) {
  return platform::FolderMissing(folder == UserFolder::State);
}

/// Makes the folders above `file_path` that are missing, readable by their
/// owner alone (existing ones are left as they are). Throws Error naming the
/// folder and `what` the file is for ("the journal").
template <typename Error>
void MakePrivateFolders(const std::string& file_path, const std::string& what) {
  for (std::size_t at = file_path.find_first_of(platform::kFolderSeparators, 1);
       at != std::string::npos; at = file_path.find_first_of(platform::kFolderSeparators, at + 1)) {
    const std::string folder = file_path.substr(0, at);
    if (const int error = platform::MakeOwnFolder(folder); error != 0 && error != EEXIST) {
      throw Error("cannot make the folder " + folder + " for " + what + ": " +
                  std::strerror(error));
    }
  }
}

}  // namespace tavirel::support
