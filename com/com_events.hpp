#pragma once
// The connection point of __TavirelControl: the sinks that receive FPError.
// Apartment-threaded, as its owner; its references are its owner's.
#include <cstdint>
#include <vector>

#include "com_ids.hpp"

namespace tavirel::com {

class FPErrorPoint final : public IConnectionPoint {
 public:
  /// A point owned by `owner`, which it hands out as its container.
  explicit FPErrorPoint(IConnectionPointContainer* owner) : owner_(owner) {}
  ~FPErrorPoint();
  FPErrorPoint(const FPErrorPoint&) = delete;
  FPErrorPoint& operator=(const FPErrorPoint&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

  /// Raises FPError on every sink, synchronously, with the engine's own
  /// variables by reference: what a sink stores in them is what the call
  /// then uses. A sink's failure is ignored (the call's outcome stands).
  void Raise(std::int16_t& error_level, std::int32_t& error_code);

 private:
  struct Sink {
    DWORD cookie;
    IDispatch* sink;  // one reference held
  };
  IConnectionPointContainer* owner_;
  std::vector<Sink> sinks_;
  DWORD next_cookie_ = 1;
};

}  // namespace tavirel::com
