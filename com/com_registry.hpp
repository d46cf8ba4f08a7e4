#pragma once
// Registration of the class, its ProgIDs, its type library and its
// interfaces (marshalled by the system's Automation marshaller), for the
// machine (HKLM\Software\Classes) or for the user alone
// (HKCU\Software\Classes). Unregistration removes exactly those keys.
#include <windows.h>

#include <string>

namespace tavirel::com {

enum class Scope { Machine, User };
enum class ServerKind { InProcess, LocalServer };

/// Writes the keys for a server at `module_path`.
HRESULT Register(Scope scope, ServerKind kind, const std::wstring& module_path);
/// Removes that server's key; the class, ProgIDs, type library and
/// interfaces go too once no server of the class is left registered.
HRESULT Unregister(Scope scope, ServerKind kind);

/// "user" (any case) is the user scope; anything else the machine's.
Scope ScopeNamed(const wchar_t* text);

}  // namespace tavirel::com
