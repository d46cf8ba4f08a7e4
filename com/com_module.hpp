#pragma once
// What the objects need from the module that hosts them (the DLL or the
// server program, each with its own com_*_main.cpp): its lifetime count,
// so it unloads or ends once nothing uses it, and its own file.
#include <oaidl.h>
#include <windows.h>

#include <string>

namespace tavirel::com {

/// An object or a server lock was made: the module must stay.
void LockModule();
/// One was released: the module may go when none is left.
void UnlockModule();
/// The full path of the module holding this code (DLL or program).
std::wstring ModulePath();
/// The type library embedded in the module (resource 1); the caller releases it.
HRESULT LoadEmbeddedTypeLib(ITypeLib** lib);

}  // namespace tavirel::com
