// What the DLL and the server program share about their own module.
#include <string>

#include "com_ids.hpp"
#include "com_module.hpp"

namespace tavirel::com {

std::wstring ModulePath() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModulePath), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (size < path.size()) {
      path.resize(size);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT LoadEmbeddedTypeLib(ITypeLib** lib) {
  if (lib == nullptr) return E_POINTER;
  return LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, lib);
}

}  // namespace tavirel::com
