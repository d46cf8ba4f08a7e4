// Registration through the DLL's own entry points: per user (DllInstall
// "user", as `regsvr32 /n /i:user` calls it) and machine-wide
// (DllRegisterServer); unregistering leaves the registry as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "com_test_support.hpp"

namespace tavirel::com::test {
namespace {

using Lines = std::vector<std::wstring>;

// Every key and value under `path`, one line each, sorted.
void Dump(HKEY root, const std::wstring& path, Lines& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out.push_back(path);
  wchar_t name[512];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD name_size = 512;
    DWORD data_size = sizeof data;
    DWORD type = 0;
    if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, data, &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::wstring text = type == REG_SZ ? std::wstring(reinterpret_cast<wchar_t*>(data))
                                       : std::to_wstring(data_size) + L" bytes";
    out.push_back(path + L"|" + name + L"=" + text);
  }
  Lines children;
  for (DWORD i = 0;; ++i) {
    DWORD name_size = 512;
    if (RegEnumKeyExW(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    children.push_back(path + L"\\" + name);
  }
  RegCloseKey(key);
  for (const std::wstring& child : children) Dump(root, child, out);
  std::sort(out.begin(), out.end());
}

std::wstring Value(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t data[1024] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return L"(missing)";
  }
  return data;
}

std::wstring Guid(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

template <typename F>
F Entry(const char* name) {
  HMODULE dll = LoadLibraryW(DllPath().c_str());
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// What registration writes, in either scope.
void ExpectRegistered(HKEY root) {
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring clsid = Guid(CLSID_TavirelControl);
  const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  EXPECT_EQ(Value(root, classes + L"Tavirel.Control\\CLSID"), clsid);
  EXPECT_EQ(Value(root, classes + L"Tavirel.Control.1\\CLSID"), clsid);
  EXPECT_EQ(Value(root, classes + L"Tavirel.Control\\CurVer"), L"Tavirel.Control.1");
  EXPECT_EQ(Value(root, classes + L"CLSID\\" + clsid + L"\\InprocServer32"), DllPath());
  EXPECT_EQ(Value(root, classes + L"CLSID\\" + clsid + L"\\InprocServer32", L"ThreadingModel"),
            L"Apartment");
  EXPECT_EQ(Value(root, classes + L"TypeLib\\" + Guid(LIBID_TavirelLib) + L"\\1.0\\0\\" + platform),
            DllPath());
  for (REFIID iid : {IID__TavirelControl, DIID___TavirelControl}) {
    EXPECT_EQ(Value(root, classes + L"Interface\\" + Guid(iid) + L"\\ProxyStubClsid32"),
              L"{00020424-0000-0000-C000-000000000046}");
  }
}

TEST(Registration, PerUserWritesTheUsersClassesAndRemovesExactlyThat) {
  using Install = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);
  auto install = Entry<Install>("DllInstall");
  ASSERT_NE(install, nullptr);
  // Every Windows user has this key; a fresh wine prefix may not yet, and
  // what the server must remove is its own keys below it, not the key.
  HKEY classes = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_READ,
                            nullptr, &classes, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(classes);
  Lines before;
  Dump(HKEY_CURRENT_USER, L"Software\\Classes", before);
  ASSERT_EQ(install(TRUE, L"user"), S_OK);
  ExpectRegistered(HKEY_CURRENT_USER);
  ASSERT_EQ(install(FALSE, L"User"), S_OK);
  Lines after;
  Dump(HKEY_CURRENT_USER, L"Software\\Classes", after);
  EXPECT_EQ(after, before);
}

TEST(Registration, MachineWideWritesTheMachinesClassesAndRemovesExactlyThat) {
  const std::wstring ours = L"Software\\Classes\\CLSID\\" + Guid(CLSID_TavirelControl);
  HKEY existing = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ours.c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS) {
    RegCloseKey(existing);
    GTEST_SKIP() << "already registered for the machine: left alone";
  }
  using Entry0 = HRESULT(STDAPICALLTYPE*)();
  auto do_register = Entry<Entry0>("DllRegisterServer");
  auto unregister = Entry<Entry0>("DllUnregisterServer");
  ASSERT_NE(do_register, nullptr);
  ASSERT_NE(unregister, nullptr);
  // The machine's Classes are large: its keys that registration touches.
  const std::wstring touched[] = {L"Software\\Classes\\Tavirel.Control",
                                  L"Software\\Classes\\Tavirel.Control.1",
                                  ours,
                                  L"Software\\Classes\\TypeLib\\" + Guid(LIBID_TavirelLib),
                                  L"Software\\Classes\\Interface\\" + Guid(IID__TavirelControl),
                                  L"Software\\Classes\\Interface\\" + Guid(DIID___TavirelControl)};
  auto snapshot = [&] {
    Lines lines;
    for (const std::wstring& key : touched) Dump(HKEY_LOCAL_MACHINE, key, lines);
    return lines;
  };
  const Lines before = snapshot();
  ASSERT_EQ(do_register(), S_OK);
  ExpectRegistered(HKEY_LOCAL_MACHINE);
  ASSERT_EQ(unregister(), S_OK);
  EXPECT_EQ(snapshot(), before);
  EXPECT_TRUE(before.empty());
}

}  // namespace
}  // namespace tavirel::com::test
