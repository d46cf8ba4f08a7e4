// tavirel-com-server.exe: TavirelControl out of process (LocalServer32), so
// a 32-bit host can use the 64-bit build and the other way round; calls
// and events cross by the system's Automation marshaller.
//   tavirel-com-server.exe /regserver [/user]     register (for the user alone)
//   tavirel-com-server.exe /unregserver [/user]   remove exactly that
//   tavirel-com-server.exe -Embedding             as COM starts it
// It ends when its last object is released.
#include <atomic>
#include <cwctype>
#include <string>
#include <vector>

#include "com_factory.hpp"
#include "com_ids.hpp"
// After windows.h, which it needs.
#include <shellapi.h>

#include "com_module.hpp"
#include "com_registry.hpp"

namespace tavirel::com {
namespace {

// The objects and locks alive, and the thread whose loop ends with the
// last of them: the server's only state.
struct ServerState {
  std::atomic<long> users{0};
  DWORD thread = 0;
};

ServerState& State() {
  static ServerState state;
  return state;
}

bool Is(const std::wstring& argument, const wchar_t* option) {
  if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return false;
  const std::wstring name = argument.substr(1);
  if (name.size() != wcslen(option)) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::towlower(name[i]) != option[i]) return false;
  }
  return true;
}

int Serve() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  State().thread = GetCurrentThreadId();
  auto* factory = new ControlFactory();
  DWORD cookie = 0;
  const HRESULT hr = CoRegisterClassObject(CLSID_TavirelControl, factory, CLSCTX_LOCAL_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie);
  factory->Release();
  if (SUCCEEDED(hr)) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    CoRevokeClassObject(cookie);
  }
  CoUninitialize();
  return SUCCEEDED(hr) ? 0 : 1;
}

}  // namespace

void LockModule() { ++State().users; }

void UnlockModule() {
  if (--State().users == 0 && State().thread != 0)
    PostThreadMessageW(State().thread, WM_QUIT, 0, 0);
}

}  // namespace tavirel::com

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace tavirel::com;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args(argv + 1, argv + count);
  LocalFree(argv);
  Scope scope = Scope::Machine;
  for (const std::wstring& a : args) {
    if (Is(a, L"user")) scope = Scope::User;
  }
  for (const std::wstring& a : args) {
    if (Is(a, L"regserver")) return FAILED(Register(scope, ServerKind::LocalServer, ModulePath()));
    if (Is(a, L"unregserver")) return FAILED(Unregister(scope, ServerKind::LocalServer));
  }
  return Serve();
}
