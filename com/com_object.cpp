// TavirelControl as a COM object: IUnknown, IDispatch through the dispatch
// table, class and error information, connection points.
#include "com_object.hpp"

#include <cwctype>
#include <string>

#include "com_errors.hpp"
#include "com_module.hpp"
#include "com_variant.hpp"
#include "com_wait.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::com {
namespace {

bool SameName(std::string_view ours, const wchar_t* theirs) {
  std::size_t i = 0;
  for (; i < ours.size() && theirs[i] != L'\0'; ++i) {
    if (std::towlower(static_cast<wint_t>(ours[i])) != std::towlower(theirs[i])) return false;
  }
  return i == ours.size() && theirs[i] == L'\0';
}

const MemberInfo* MemberNamed(const wchar_t* name) {
  for (const MemberInfo& m : Members()) {
    if (SameName(m.name, name)) return &m;  // a property's get comes before its put
  }
  return nullptr;
}

// The member an Invoke means: a put goes to the property's put, whose id
// is its get's.
const MemberInfo* MemberFor(DISPID id, WORD flags) {
  const MemberInfo* member = FindMember(static_cast<std::int32_t>(id));
  if (member == nullptr || DispatchId(*member) != member->id) return nullptr;
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
    return member->kind == MemberKind::PropertyGet
               ? FindMember(member->name, MemberKind::PropertyPut)
               : nullptr;
  }
  return member;
}

}  // namespace

ComControl::ComControl() : control_(std::make_unique<TavirelControl>()), events_(this) {
  LockModule();
  HostHooks hooks;
  hooks.fp_error = [this](std::int16_t& level, std::int32_t& code) { events_.Raise(level, code); };
  hooks.yield = [] { PumpWaitingMessages(); };
  hooks.property_changed = [this](std::string_view) { dirty_ = true; };
  control_->SetHooks(std::move(hooks));
}

ComControl::~ComControl() {
  if (type_lib_ != nullptr) type_lib_->Release();
  UnlockModule();
}

STDMETHODIMP ComControl::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  void* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, IID__TavirelControl)) {
    found = static_cast<_TavirelControl*>(this);
  } else if (IsEqualIID(iid, IID_IProvideClassInfo) || IsEqualIID(iid, IID_IProvideClassInfo2)) {
    found = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(iid, IID_ISupportErrorInfo)) {
    found = static_cast<ISupportErrorInfo*>(this);
  } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
    found = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IPersistPropertyBag)) {
    found = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(iid, IID_IPersistStreamInit)) {
    found = static_cast<IPersistStreamInit*>(this);
  }
  *out = found;
  if (found == nullptr) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ComControl::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) ComControl::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT ComControl::TypeInfoOf(REFGUID guid, ITypeInfo** info) {
  if (info == nullptr) return E_POINTER;
  *info = nullptr;
  if (type_lib_ == nullptr) {
    const HRESULT hr = LoadEmbeddedTypeLib(&type_lib_);
    if (FAILED(hr)) return hr;
  }
  return type_lib_->GetTypeInfoOfGuid(guid, info);
}

STDMETHODIMP ComControl::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP ComControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (index != 0) return DISP_E_BADINDEX;
  return TypeInfoOf(IID__TavirelControl, info);
}

STDMETHODIMP ComControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (names == nullptr || ids == nullptr) return E_POINTER;
  if (count == 0) return S_OK;
  HRESULT hr = S_OK;
  const MemberInfo* member = MemberNamed(names[0]);
  ids[0] = member != nullptr ? DispatchId(*member) : DISPID_UNKNOWN;
  if (member == nullptr) hr = DISP_E_UNKNOWNNAME;
  for (UINT i = 1; i < count; ++i) {  // parameter names: their positions
    ids[i] = DISPID_UNKNOWN;
    for (std::size_t p = 0; member != nullptr && p < member->params.size(); ++p) {
      if (SameName(member->params[p].name, names[i])) ids[i] = static_cast<DISPID>(p);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

STDMETHODIMP ComControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* info, UINT* bad_argument) {
  const MemberInfo* member = MemberFor(id, flags);
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;
  const UINT count = params != nullptr ? params->cArgs : 0;
  const UINT named = params != nullptr ? params->cNamedArgs : 0;
  if (named > count) return E_INVALIDARG;
  // Positional arguments come last in rgvarg, in reverse; named ones first.
  std::vector<const VARIANT*> args(count - named, nullptr);
  for (UINT i = 0; i < count - named; ++i) args[i] = &params->rgvarg[count - 1 - i];
  for (UINT j = 0; j < named; ++j) {
    const DISPID slot = params->rgdispidNamedArgs[j];
    const std::size_t index = slot == DISPID_PROPERTYPUT ? 0 : static_cast<std::size_t>(slot);
    if (slot < 0 && slot != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
    if (index >= member->params.size()) {
      if (bad_argument != nullptr) *bad_argument = j;
      return DISP_E_PARAMNOTFOUND;
    }
    if (args.size() <= index) args.resize(index + 1, nullptr);
    args[index] = &params->rgvarg[j];
  }
  VARIANT ignored;
  VariantInit(&ignored);
  VARIANT* out = result != nullptr ? result : &ignored;
  if (result != nullptr) VariantInit(result);
  const HRESULT hr = Call(*member, args, out, info);
  VariantClear(&ignored);
  if (FAILED(hr) && info != nullptr && hr != E_OUTOFMEMORY) return DISP_E_EXCEPTION;
  return hr;
}

HRESULT ComControl::Call(const MemberInfo& member, std::span<const VARIANT* const> args,
                         VARIANT* result, EXCEPINFO* info) {
  try {
    std::vector<Variant> bound;
    bound.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      const ParamInfo* param = i < member.params.size() ? &member.params[i] : nullptr;
      try {
        bound.push_back(args[i] != nullptr
                            ? FromVariant(*args[i], param ? param->type : VarType::VT_EMPTY)
                            : Variant());
      } catch (const ConversionError& e) {
        throw ConversionError(std::string(member.name) + ": " +
                              (param ? std::string(param->name) : "argument") + ": " + e.what());
      }
    }
    const Variant value = tavirel::Invoke(*control_, member, std::move(bound));
    return result != nullptr ? ToVariant(value, result) : S_OK;
  } catch (...) {
    return Report(Classify(std::current_exception()), info);
  }
}

HRESULT ComControl::VtableCall(std::int32_t slot, std::initializer_list<VARIANT> args,
                               VARIANT* result) {
  const MemberInfo* member = FindMember(slot);
  if (member == nullptr) return E_UNEXPECTED;
  std::vector<const VARIANT*> pointers;
  for (const VARIANT& arg : args) pointers.push_back(&arg);
  return Call(*member, pointers, result, nullptr);
}

}  // namespace tavirel::com
