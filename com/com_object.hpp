#pragma once
// The COM object TavirelControl: the dual interface _TavirelControl, whose
// every call goes through the library's dispatch table and argument
// binding; FPError to connected sinks; class information, error
// information and the three persisted settings.
//
// Thread safety: an apartment-threaded object. COM calls it on the thread
// of the apartment that made it, one call at a time, and so does the
// control's FPError and yield hooks. A call made from inside the wait's
// message pumping (a nested call) is refused with the library's BusyError.
// Lifetime: reference counted; it holds the module while it lives.
#include <memory>
#include <span>
#include <vector>

#include "com_events.hpp"
#include "com_ids.hpp"
#include "com_vtable_args.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::com {

class ComControl final : public _TavirelControl,
                         public IProvideClassInfo2,
                         public ISupportErrorInfo,
                         public IConnectionPointContainer,
                         public IPersistPropertyBag,
                         public IPersistStreamInit {
 public:
  /// A new object with one reference, on the default serial component.
  ComControl();
  ~ComControl();
  ComControl(const ComControl&) = delete;
  ComControl& operator=(const ComControl&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                             DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* info, UINT* bad_argument) override;

  // _TavirelControl's vtable, one method per member, generated.
#include "tavirel_vtable.inc"

  // IProvideClassInfo2
  STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
  STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IPersist, IPersistPropertyBag, IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP InitNew() override;
  STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
  STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;
  STDMETHODIMP IsDirty() override;
  STDMETHODIMP Load(LPSTREAM stream) override;
  STDMETHODIMP Save(LPSTREAM stream, BOOL clear_dirty) override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

 private:
  // One call of a member with its arguments in order (nullptr: omitted).
  // Errors of the call fill `info` when given, and set the thread's error
  // info; the result is then the error's HRESULT.
  HRESULT Call(const MemberInfo& member, std::span<const VARIANT* const> args, VARIANT* result,
               EXCEPINFO* info);
  // The vtable's way in: the member by slot id, the result in its own type.
  HRESULT VtableCall(std::int32_t slot, std::initializer_list<VARIANT> args, VARIANT* result);
  template <typename T>
  HRESULT FromVtable(std::int32_t slot, std::initializer_list<VARIANT> args, T* result) {
    if (result == nullptr) return E_POINTER;
    VARIANT out;
    VariantInit(&out);
    const HRESULT hr = VtableCall(slot, args, &out);
    if (FAILED(hr)) return hr;
    const HRESULT taken = TakeResult(out, result);
    VariantClear(&out);
    return taken;
  }
  HRESULT FromVtable(std::int32_t slot, std::initializer_list<VARIANT> args, std::nullptr_t) {
    return VtableCall(slot, args, nullptr);
  }
  HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info);

  LONG references_ = 1;
  bool dirty_ = false;
  std::unique_ptr<TavirelControl> control_;
  FPErrorPoint events_;
  ITypeLib* type_lib_ = nullptr;  // loaded on first use, released with the object
};

}  // namespace tavirel::com
