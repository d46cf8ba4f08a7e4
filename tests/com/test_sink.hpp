#pragma once
// An FPError sink for the COM suite: records every event and stores the
// values it was told to into the by-reference arguments.
#include <optional>
#include <utility>
#include <vector>

#include "com_ids.hpp"

namespace tavirel::com::test {

class FPErrorSink final : public IDispatch {
 public:
  std::vector<std::pair<short, LONG>> received;  ///< (ErrorLevel, ErrorCode) as they came
  std::optional<short> store_level;              ///< stored into ErrorLevel when set
  std::optional<LONG> store_code;                ///< stored into ErrorCode when set

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, DIID___TavirelControl)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--references_); }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    // FPError(ErrorLevel As Integer, ErrorCode As Long), both by reference,
    // in reverse order as Automation passes them.
    if (id != 1 || params->cArgs != 2 || V_VT(&params->rgvarg[1]) != (VT_I2 | VT_BYREF) ||
        V_VT(&params->rgvarg[0]) != (VT_I4 | VT_BYREF)) {
      received.emplace_back(-999, -999);
      return DISP_E_TYPEMISMATCH;
    }
    short* level = V_I2REF(&params->rgvarg[1]);
    LONG* code = V_I4REF(&params->rgvarg[0]);
    received.emplace_back(*level, *code);
    if (store_level) *level = *store_level;
    if (store_code) *code = *store_code;
    return S_OK;
  }

 private:
  long references_ = 1;  // lives on the test's stack
};

/// Connects `sink` to `control`'s FPError; returns the cookie (0 on failure).
inline DWORD Connect(IDispatch* control, IDispatch* sink, IConnectionPoint** point) {
  IConnectionPointContainer* container = nullptr;
  if (FAILED(control->QueryInterface(IID_IConnectionPointContainer,
                                     reinterpret_cast<void**>(&container)))) {
    return 0;
  }
  const HRESULT found = container->FindConnectionPoint(DIID___TavirelControl, point);
  container->Release();
  DWORD cookie = 0;
  if (FAILED(found) || FAILED((*point)->Advise(sink, &cookie))) return 0;
  return cookie;
}

}  // namespace tavirel::com::test
