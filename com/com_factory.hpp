#pragma once
// The class factory of TavirelControl (no aggregation). A factory does not
// hold its module: LockServer does, as COM asks.
#include "com_ids.hpp"

namespace tavirel::com {

class ControlFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  LONG references_ = 1;
};

}  // namespace tavirel::com
