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

/// `sink` connected to `control`'s FPError for the object's life (the sink
/// must outlive it).
class Connection {
 public:
  Connection(IDispatch* control, IDispatch* sink) {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer,
                                       reinterpret_cast<void**>(&container)))) {
      return;
    }
    if (SUCCEEDED(container->FindConnectionPoint(DIID___TavirelControl, &point_)) &&
        FAILED(point_->Advise(sink, &cookie_))) {
      cookie_ = 0;
    }
    container->Release();
  }
  ~Connection() {
    if (cookie_ != 0) point_->Unadvise(cookie_);
    if (point_ != nullptr) point_->Release();
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  /// 0 when the connection failed.
  [[nodiscard]] DWORD cookie() const { return cookie_; }
  /// Disconnects now; returns what Unadvise said.
  HRESULT Disconnect() {
    const HRESULT hr = point_->Unadvise(cookie_);
    cookie_ = 0;
    return hr;
  }
  /// The connection point.
  [[nodiscard]] IConnectionPoint* point() const { return point_; }

 private:
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace tavirel::com::test
