// FPError's connection point.
#include "com_events.hpp"

#include <algorithm>

#include "tavirel/dispatch.hpp"

namespace tavirel::com {

FPErrorPoint::~FPErrorPoint() {
  for (const Sink& s : sinks_) s.sink->Release();
}

STDMETHODIMP FPErrorPoint::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FPErrorPoint::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) FPErrorPoint::Release() { return owner_->Release(); }

STDMETHODIMP FPErrorPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = DIID___TavirelControl;
  return S_OK;
}

STDMETHODIMP FPErrorPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  *container = owner_;
  owner_->AddRef();
  return S_OK;
}

STDMETHODIMP FPErrorPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  IDispatch* events = nullptr;
  if (FAILED(sink->QueryInterface(DIID___TavirelControl, reinterpret_cast<void**>(&events))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&events)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  sinks_.push_back({next_cookie_, events});
  *cookie = next_cookie_++;
  return S_OK;
}

STDMETHODIMP FPErrorPoint::Unadvise(DWORD cookie) {
  const auto found =
      std::find_if(sinks_.begin(), sinks_.end(), [&](const Sink& s) { return s.cookie == cookie; });
  if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
  IDispatch* sink = found->sink;
  sinks_.erase(found);
  sink->Release();
  return S_OK;
}

STDMETHODIMP FPErrorPoint::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  return E_NOTIMPL;
}

void FPErrorPoint::Raise(std::int16_t& error_level, std::int32_t& error_code) {
  // A sink may unadvise itself from inside its handler: call a copy.
  std::vector<IDispatch*> sinks;
  for (const Sink& s : sinks_) {
    s.sink->AddRef();
    sinks.push_back(s.sink);
  }
  for (IDispatch* sink : sinks) {
    VARIANT args[2];  // in reverse order, as Automation passes them
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    V_VT(&args[0]) = VT_I4 | VT_BYREF;
    V_I4REF(&args[0]) = reinterpret_cast<LONG*>(&error_code);
    V_VT(&args[1]) = VT_I2 | VT_BYREF;
    V_I2REF(&args[1]) = &error_level;
    DISPPARAMS params{args, nullptr, 2, 0};
    sink->Invoke(FPErrorEvent().id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                 nullptr, nullptr, nullptr);
    sink->Release();
  }
}

}  // namespace tavirel::com
