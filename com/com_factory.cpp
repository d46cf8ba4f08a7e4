// The class factory.
#include "com_factory.hpp"

#include <new>

#include "com_errors.hpp"
#include "com_module.hpp"
#include "com_object.hpp"

namespace tavirel::com {

STDMETHODIMP ControlFactory::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ControlFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) ControlFactory::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ControlFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    auto* control = new ComControl();
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ControlFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

}  // namespace tavirel::com
