#pragma once
// What the COM suite's files share: tavirel-com.dll loaded from beside the
// suite, objects made through its own class factory (no registration), and
// small owners of COM resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_ids.hpp"
#include "com_variant.hpp"

namespace tavirel::com::test {

/// The DLL's full path (beside the test program).
std::wstring DllPath();

/// COM initialised for the test's thread as an apartment.
struct Apartment {
  Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Apartment() { CoUninitialize(); }
};

/// A COM pointer holding one reference.
template <typename T>
class Ptr {
 public:
  Ptr() = default;
  ~Ptr() { reset(); }
  Ptr(const Ptr&) = delete;
  Ptr& operator=(const Ptr&) = delete;
  T** out() {
    reset();
    return &p_;
  }
  void** out_void() { return reinterpret_cast<void**>(out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

/// A new TavirelControl from the DLL's class factory, as IDispatch.
void CreateControl(Ptr<IDispatch>& control);
/// The DLL's embedded type library.
void LoadTypeLib(Ptr<ITypeLib>& lib);

/// A VARIANT cleared when it goes.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  ~Var() { VariantClear(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
};

/// The outcome of one IDispatch call by name.
struct CallResult {
  HRESULT hr = S_OK;
  VARTYPE type = VT_EMPTY;
  Variant value;
  std::string source;       ///< EXCEPINFO's, on an error
  std::string description;  ///< EXCEPINFO's, on an error
  SCODE scode = 0;          ///< EXCEPINFO's, on an error
};

/// Arguments for CallByName (the call's owner clears them).
VARIANT I2Arg(short value);
VARIANT I4Arg(LONG value);
VARIANT TextArg(const wchar_t* value);

/// Calls `name` with `args` (in order) through GetIDsOfNames and Invoke.
CallResult CallByName(IDispatch* target, const std::wstring& name, WORD flags,
                      std::vector<VARIANT> args);

}  // namespace tavirel::com::test
