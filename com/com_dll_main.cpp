// tavirel-com.dll: the in-process server's entry points.
#include <atomic>

#include "com_factory.hpp"
#include "com_ids.hpp"
#include "com_module.hpp"
#include "com_registry.hpp"

namespace tavirel::com {
namespace {

// Objects and server locks alive: COM asks DllCanUnloadNow before it frees
// the DLL, so this count is the module's, and the module's only state.
std::atomic<long>& Users() {
  static std::atomic<long> users{0};
  return users;
}

}  // namespace

void LockModule() { ++Users(); }
void UnlockModule() { --Users(); }

}  // namespace tavirel::com

using namespace tavirel::com;

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_TavirelControl)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ControlFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() { return Users() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return Register(Scope::Machine, ServerKind::InProcess, ModulePath()); }

STDAPI DllUnregisterServer() { return Unregister(Scope::Machine, ServerKind::InProcess); }

// regsvr32 /n /i:user registers for the user alone; /u /n /i:user removes it.
STDAPI DllInstall(BOOL install, LPCWSTR command_line) {
  const Scope scope = ScopeNamed(command_line);
  return install ? Register(scope, ServerKind::InProcess, ModulePath())
                 : Unregister(scope, ServerKind::InProcess);
}

}  // extern "C"
