// The COM suite's shared helpers.
#include "com_test_support.hpp"

namespace tavirel::com::test {

std::wstring DllPath() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self);
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + Wide(TAVIREL_COM_DLL);
}

void CreateControl(Ptr<IDispatch>& control) {
  HMODULE dll = LoadLibraryW(DllPath().c_str());  // kept for the program's life
  ASSERT_NE(dll, nullptr) << "cannot load " << Utf8(DllPath().c_str(), DllPath().size());
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  ASSERT_NE(get, nullptr);
  Ptr<IClassFactory> factory;
  ASSERT_EQ(get(CLSID_TavirelControl, IID_IClassFactory, factory.out_void()), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, control.out_void()), S_OK);
}

void LoadTypeLib(Ptr<ITypeLib>& lib) {
  ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib.out()), S_OK);
}

VARIANT I2Arg(short value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}

VARIANT I4Arg(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT TextArg(const wchar_t* value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(value);
  return v;
}

CallResult CallByName(IDispatch* target, const std::wstring& name, WORD flags,
                      std::vector<VARIANT> args) {
  CallResult result;
  std::wstring copy = name;
  LPOLESTR names[] = {copy.data()};
  DISPID id = 0;
  result.hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(result.hr)) return result;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if ((flags & DISPATCH_PROPERTYPUT) != 0) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  Var out;
  EXCEPINFO info{};
  UINT bad = 0;
  result.hr =
      target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &out.v, &info, &bad);
  result.type = V_VT(&out.v);
  if (SUCCEEDED(result.hr)) {
    result.value = FromVariant(out.v, VarType::VT_EMPTY);
  } else if (result.hr == DISP_E_EXCEPTION) {
    result.source = Utf8(info.bstrSource);
    result.description = Utf8(info.bstrDescription);
    result.scode = info.scode;
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
  return result;
}

}  // namespace tavirel::com::test
