// The token file on Windows: made with an access list that grants the
// current user alone (protected from the folder's inherited entries), and
// read back only when its list lets no other account read or write it. The
// system and the administrators may, as they may anything on the machine.
#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>

#include <memory>
#include <system_error>
#include <vector>

#include "service_errors.hpp"
#include "token_file.hpp"

namespace tavirel::service::token_file {
namespace {

std::string ErrorText(DWORD error) {
  return std::system_category().message(static_cast<int>(error));
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct LocalFreer {
  void operator()(void* p) const { ::LocalFree(p); }
};

// The current user's security identifier (a copy of the process token's).
std::vector<unsigned char> CurrentUser() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    throw TokenError("cannot read who runs the service: " + ErrorText(::GetLastError()));
  }
  const Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(raw, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(raw, TokenUser, buffer.data(), size, &size)) {
    throw TokenError("cannot read who runs the service: " + ErrorText(::GetLastError()));
  }
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return {bytes, bytes + ::GetLengthSid(sid)};
}

// Accounts that may hold the token besides its owner: the system and the
// administrators.
bool TrustedAccount(PSID sid) {
  for (WELL_KNOWN_SID_TYPE type : {WinLocalSystemSid, WinBuiltinAdministratorsSid}) {
    if (::IsWellKnownSid(sid, type)) return true;
  }
  return false;
}

// What a reader or writer of the token's text needs.
constexpr ACCESS_MASK kReadOrWrite = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA |
                                     GENERIC_READ | GENERIC_WRITE | GENERIC_ALL | WRITE_DAC |
                                     WRITE_OWNER;

// The first account other than `user` that the list lets read or write,
// as text ("S-1-1-0"); empty when there is none.
std::string OtherReader(const ACL* dacl, PSID user) {
  if (dacl == nullptr) return "everyone (the file has no access list)";
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(const_cast<ACL*>(dacl), i, &entry)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const PSID sid = &allowed->SidStart;
    if ((allowed->Mask & kReadOrWrite) == 0 || ::EqualSid(sid, user) || TrustedAccount(sid)) {
      continue;
    }
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(sid, &text)) return "another account";
    const std::unique_ptr<void, LocalFreer> owned(text);
    return text;
  }
  return {};
}

}  // namespace

std::string RandomBytes(std::size_t size) {
  std::string raw(size, '\0');
  const NTSTATUS status =
      ::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(raw.data()), static_cast<ULONG>(size),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status != 0) {
    throw TokenError("the system gave no random bytes for the token (status " +
                     std::to_string(static_cast<unsigned long>(status)) + ")");
  }
  return raw;
}

bool Exists(const std::string& path) {
  if (::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
  throw TokenError("cannot reach the token file " + path + ": " + ErrorText(error));
}

bool CreatePrivate(const std::string& path, const std::string& text) {
  std::vector<unsigned char> user = CurrentUser();
  // One entry: the current user may do anything; nothing inherited.
  const DWORD acl_size =
      sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + static_cast<DWORD>(user.size()) - sizeof(DWORD);
  std::vector<unsigned char> acl_buffer(acl_size);
  auto* acl = reinterpret_cast<ACL*>(acl_buffer.data());
  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeAcl(acl, acl_size, ACL_REVISION) ||
      !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, user.data()) ||
      !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
      !::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    throw TokenError("cannot make the token file's access list: " + ErrorText(::GetLastError()));
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  const std::wstring wide = Wide(path);
  // CREATE_NEW never opens what is there, a link included.
  Handle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
    throw TokenError("cannot create the token file " + path + ": " + ErrorText(error));
  }
  DWORD written = 0;
  if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size() || !::FlushFileBuffers(file.get())) {
    const DWORD error = ::GetLastError();
    file.reset();
    ::DeleteFileW(wide.c_str());
    throw TokenError("cannot write the token file " + path + ": " + ErrorText(error));
  }
  return true;
}

std::string ReadPrivate(const std::string& path, std::size_t limit) {
  // The link itself when the path is one: refused below.
  Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    throw TokenError("cannot read the token file " + path + ": " + ErrorText(::GetLastError()));
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    throw TokenError("the token file " + path + " is not a regular file");
  }
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD got = ::GetSecurityInfo(file.get(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, &dacl, nullptr, &descriptor);
  if (got != ERROR_SUCCESS) {
    throw TokenError("cannot read the token file's access list " + path + ": " + ErrorText(got));
  }
  const std::unique_ptr<void, LocalFreer> owned(descriptor);
  std::vector<unsigned char> user = CurrentUser();
  if (const std::string other = OtherReader(dacl, user.data()); !other.empty()) {
    throw TokenError("the token file " + path + " can be read or written by " + other +
                     ": let your account alone have it (icacls \"" + path +
                     "\" /inheritance:r /grant:r %USERNAME%:F)");
  }
  std::string text(limit, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), text.data(), static_cast<DWORD>(limit), &read, nullptr)) {
    throw TokenError("cannot read the token file " + path + ": " + ErrorText(::GetLastError()));
  }
  text.resize(read);
  return text;
}

}  // namespace tavirel::service::token_file
