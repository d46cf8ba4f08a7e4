// On Windows the journal's file is made with the folder's permissions (the
// user's local application data is the user's alone); SQLite's file layer
// keeps GetLastError() codes.
#include <windows.h>

#include <filesystem>
#include <string>

#include "journal_file.hpp"
#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {
namespace {

std::string ErrorText(DWORD error) {
  char text[512] = {};
  const DWORD size = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, size);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message + " (error " + std::to_string(error) + ")";
}

}  // namespace

bool PrepareJournalFile(const std::string& path, bool empty_is_new) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (!ec && std::filesystem::exists(status)) {
    if (std::filesystem::is_symlink(status)) {
      throw JournalError("journal " + path + ": is a symbolic link; give the file's own path");
    }
    if (!std::filesystem::is_regular_file(status))
      throw JournalError("journal " + path + ": is not a file");
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size == 0 && !empty_is_new) {
      throw JournalError("journal " + path +
                         ": the file is empty, where a journal was expected; if a new journal is "
                         "meant, remove the file or ask for a new one (--new-journal)");
    }
    return !ec && size == 0;
  }
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    throw JournalError("journal " + path + ": cannot create: " + ErrorText(::GetLastError()));
  }
  ::CloseHandle(file);
  return true;
}

std::optional<std::string> RoomProblem(int system_error) {
  if (system_error == ERROR_DISK_FULL || system_error == ERROR_HANDLE_DISK_FULL)
    return "the disk is full";
  return std::nullopt;
}

}  // namespace tavirel::documents
