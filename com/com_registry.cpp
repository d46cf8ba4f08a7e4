// The registry keys of the COM server.
#include "com_registry.hpp"

#include <cwctype>
#include <vector>

#include "com_ids.hpp"
#include "com_module.hpp"

namespace tavirel::com {
namespace {

constexpr const wchar_t* kClasses = L"Software\\Classes";
constexpr const wchar_t* kProgId = L"Tavirel.Control";
constexpr const wchar_t* kProgIdVersion = L"Tavirel.Control.1";
constexpr const wchar_t* kAutomationMarshaller = L"{00020424-0000-0000-C000-000000000046}";

std::wstring Text(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HKEY Root(Scope scope) { return scope == Scope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring Under(const std::wstring& key) { return std::wstring(kClasses) + L"\\" + key; }

HRESULT Set(Scope scope, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  const LSTATUS status =
      RegSetKeyValueW(Root(scope), Under(key).c_str(), name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(static_cast<unsigned long>(status));
}

bool Exists(Scope scope, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(Root(scope), Under(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

HRESULT DeleteTree(Scope scope, const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(Root(scope), Under(key).c_str());
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(static_cast<unsigned long>(status));
  RegDeleteKeyW(Root(scope), Under(key).c_str());
  return S_OK;
}

// A user's Classes may have had no CLSID, TypeLib or Interface key before
// the first registration: one left empty goes with the last of ours.
void DeleteIfEmpty(Scope scope, const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(Root(scope), Under(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return;
  }
  DWORD subkeys = 0;
  DWORD values = 0;
  const LSTATUS status = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                          nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(handle);
  if (status == ERROR_SUCCESS && subkeys == 0 && values == 0) {
    RegDeleteKeyW(Root(scope), Under(key).c_str());
  }
}

std::wstring ClassKey() { return L"CLSID\\" + Text(CLSID_TavirelControl); }
std::wstring TypeLibKey() { return L"TypeLib\\" + Text(LIBID_TavirelLib); }
std::wstring ServerKey(ServerKind kind) {
  return ClassKey() + (kind == ServerKind::InProcess ? L"\\InprocServer32" : L"\\LocalServer32");
}

std::wstring Folder(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

Scope ScopeNamed(const wchar_t* text) {
  if (text == nullptr) return Scope::Machine;
  const wchar_t* user = L"user";
  std::size_t i = 0;
  for (; text[i] != L'\0' && user[i] != L'\0'; ++i) {
    if (std::towlower(text[i]) != user[i]) return Scope::Machine;
  }
  return text[i] == L'\0' && user[i] == L'\0' ? Scope::User : Scope::Machine;
}

HRESULT Register(Scope scope, ServerKind kind, const std::wstring& module_path) {
  const std::wstring clsid = Text(CLSID_TavirelControl);
  const std::wstring libid = Text(LIBID_TavirelLib);
  const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  const std::wstring server =
      kind == ServerKind::InProcess ? module_path : L"\"" + module_path + L"\"";
  struct Value {
    std::wstring key;
    const wchar_t* name;
    std::wstring value;
  };
  const std::wstring interface_keys[] = {L"Interface\\" + Text(IID__TavirelControl),
                                         L"Interface\\" + Text(DIID___TavirelControl)};
  const std::wstring interface_names[] = {L"_TavirelControl", L"__TavirelControl"};
  std::vector<Value> values = {
      {kProgId, nullptr, L"TavirelControl"},
      {std::wstring(kProgId) + L"\\CLSID", nullptr, clsid},
      {std::wstring(kProgId) + L"\\CurVer", nullptr, kProgIdVersion},
      {kProgIdVersion, nullptr, L"TavirelControl"},
      {std::wstring(kProgIdVersion) + L"\\CLSID", nullptr, clsid},
      {ClassKey(), nullptr, L"TavirelControl"},
      {ServerKey(kind), nullptr, server},
      {ClassKey() + L"\\ProgID", nullptr, kProgIdVersion},
      {ClassKey() + L"\\VersionIndependentProgID", nullptr, kProgId},
      {ClassKey() + L"\\TypeLib", nullptr, libid},
      {ClassKey() + L"\\Version", nullptr, L"1.0"},
      {TypeLibKey() + L"\\1.0", nullptr, L"Tavirel fiscal register control"},
      {TypeLibKey() + L"\\1.0\\0\\" + platform, nullptr, module_path},
      {TypeLibKey() + L"\\1.0\\FLAGS", nullptr, L"0"},
      {TypeLibKey() + L"\\1.0\\HELPDIR", nullptr, Folder(module_path)},
  };
  if (kind == ServerKind::InProcess)
    values.push_back({ServerKey(kind), L"ThreadingModel", L"Apartment"});
  for (int i = 0; i < 2; ++i) {
    values.push_back({interface_keys[i], nullptr, interface_names[i]});
    values.push_back({interface_keys[i] + L"\\ProxyStubClsid32", nullptr, kAutomationMarshaller});
    values.push_back({interface_keys[i] + L"\\TypeLib", nullptr, libid});
    values.push_back({interface_keys[i] + L"\\TypeLib", L"Version", L"1.0"});
  }
  for (const Value& v : values) {
    const HRESULT hr = Set(scope, v.key, v.name, v.value);
    if (FAILED(hr)) {
      Unregister(scope, kind);
      return hr == E_ACCESSDENIED ? SELFREG_E_CLASS : hr;
    }
  }
  return S_OK;
}

HRESULT Unregister(Scope scope, ServerKind kind) {
  HRESULT hr = DeleteTree(scope, ServerKey(kind));
  const ServerKind other =
      kind == ServerKind::InProcess ? ServerKind::LocalServer : ServerKind::InProcess;
  if (Exists(scope, ServerKey(other))) return hr;
  const std::wstring trees[] = {kProgId,
                                kProgIdVersion,
                                ClassKey(),
                                TypeLibKey(),
                                L"Interface\\" + Text(IID__TavirelControl),
                                L"Interface\\" + Text(DIID___TavirelControl)};
  for (const std::wstring& key : trees) {
    const HRESULT deleted = DeleteTree(scope, key);
    if (SUCCEEDED(hr)) hr = deleted;
  }
  if (scope == Scope::User) {
    for (const wchar_t* parent : {L"CLSID", L"TypeLib", L"Interface"}) DeleteIfEmpty(scope, parent);
  }
  return hr;
}

}  // namespace tavirel::com
