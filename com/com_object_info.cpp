// TavirelControl's class and error information, connection points and
// persistence.
#include "com_errors.hpp"
#include "com_object.hpp"
#include "com_persist.hpp"

namespace tavirel::com {

STDMETHODIMP ComControl::GetClassInfo(ITypeInfo** info) {
  return TypeInfoOf(CLSID_TavirelControl, info);
}

STDMETHODIMP ComControl::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  *guid = DIID___TavirelControl;
  return S_OK;
}

STDMETHODIMP ComControl::InterfaceSupportsErrorInfo(REFIID iid) {
  return IsEqualIID(iid, IID__TavirelControl) ? S_OK : S_FALSE;
}

STDMETHODIMP ComControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points != nullptr) *points = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ComControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(iid, DIID___TavirelControl)) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

STDMETHODIMP ComControl::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_TavirelControl;
  return S_OK;
}

STDMETHODIMP ComControl::InitNew() {
  try {
    control_->InitProperties();
    dirty_ = false;
    return S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ComControl::Load(IPropertyBag* bag, IErrorLog* log) {
  if (bag == nullptr) return E_POINTER;
  try {
    ComPropertyBag adapter(bag, log);
    control_->ReadProperties(adapter);
    dirty_ = false;
    return S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ComControl::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
  if (bag == nullptr) return E_POINTER;
  try {
    ComPropertyBag adapter(bag, nullptr);
    control_->WriteProperties(adapter);
    if (clear_dirty) dirty_ = false;
    return S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ComControl::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP ComControl::Load(LPSTREAM stream) {
  if (stream == nullptr) return E_POINTER;
  try {
    std::vector<std::uint8_t> bytes;
    const HRESULT hr = ReadBagBytes(stream, bytes);
    if (FAILED(hr)) return hr;
    StreamPropertyBag saved;
    saved.Parse(bytes);
    control_->ReadProperties(saved);
    dirty_ = false;
    return S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ComControl::Save(LPSTREAM stream, BOOL clear_dirty) {
  if (stream == nullptr) return E_POINTER;
  try {
    StreamPropertyBag saved;
    control_->WriteProperties(saved);
    const HRESULT hr = WriteBagBytes(stream, saved.Bytes());
    if (SUCCEEDED(hr) && clear_dirty) dirty_ = false;
    return hr;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

STDMETHODIMP ComControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  try {
    StreamPropertyBag saved;
    control_->WriteProperties(saved);
    size->QuadPart = saved.Bytes().size() + 4;
    return S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), nullptr);
  }
}

}  // namespace tavirel::com
