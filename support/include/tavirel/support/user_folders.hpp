#pragma once
// Where the programs keep their files: the user's state and configuration
// folders (XDG), and folders made readable by their owner alone. One place
// for both, header-only so the document layer uses it too.
//
// Free functions: safe from any thread.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace tavirel::support {

enum class UserFolder {
  State,   // $XDG_STATE_HOME, or ~/.local/state
  Config,  // $XDG_CONFIG_HOME, or ~/.config
};

/// The folder's path, or nothing when neither its variable nor HOME is set.
inline std::optional<std::string> UserFolderPath(UserFolder folder) {
  const bool state = folder == UserFolder::State;
  const char* own = std::getenv(state ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME");
  if (own != nullptr && *own != '\0') return std::string(own);
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return std::nullopt;
  return std::string(home) + (state ? "/.local/state" : "/.config");
}

/// The name of the variable that says where `folder` is.
inline const char* UserFolderVariable(UserFolder folder) {
  return folder == UserFolder::State ? "XDG_STATE_HOME" : "XDG_CONFIG_HOME";
}

/// Makes the folders above `file_path` that are missing, readable by their
/// owner alone (existing ones are left as they are). Throws Error naming the
/// folder and `what` the file is for ("the journal").
template <typename Error>
void MakePrivateFolders(const std::string& file_path, const std::string& what) {
  for (std::size_t at = file_path.find('/', 1); at != std::string::npos;
       at = file_path.find('/', at + 1)) {
    const std::string folder = file_path.substr(0, at);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      throw Error("cannot make the folder " + folder + " for " + what + ": " +
                  std::strerror(errno));
    }
  }
}

}  // namespace tavirel::support
