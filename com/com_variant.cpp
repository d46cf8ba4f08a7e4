// Conversions between Automation's VARIANT and the library's Variant.
#include "com_variant.hpp"

#include <windows.h>

#include "tavirel/errors.hpp"

namespace tavirel::com {
namespace {

// Releases a VARIANT on every way out.
struct Cleared {
  VARIANT value;
  Cleared() { VariantInit(&value); }
  ~Cleared() { VariantClear(&value); }
  Cleared(const Cleared&) = delete;
  Cleared& operator=(const Cleared&) = delete;
};

VARTYPE TargetOf(VarType wanted) {
  switch (wanted) {
    case VarType::VT_EMPTY:
    case VarType::VT_VARIANT: return VT_BSTR;
    default: return static_cast<VARTYPE>(wanted);
  }
}

Variant Direct(const VARIANT& v) {
  switch (V_VT(&v)) {
    case VT_I2: return Variant(static_cast<std::int16_t>(V_I2(&v)));
    case VT_I4: return Variant(static_cast<std::int32_t>(V_I4(&v)));
    case VT_R4: return Variant(V_R4(&v));
    case VT_CY: return Variant(Currency::FromRaw(V_CY(&v).int64));
    case VT_DATE: return Variant(OleDate(V_DATE(&v)));
    case VT_BSTR: return Variant(Utf8(V_BSTR(&v)));
    case VT_BOOL: return Variant(VariantBool{V_BOOL(&v) != VARIANT_FALSE});
    default: return {};
  }
}

bool IsDirect(VARTYPE type) {
  switch (type) {
    case VT_I2:
    case VT_I4:
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_BOOL: return true;
    default: return false;
  }
}

}  // namespace

std::string Utf8(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  const int size = static_cast<int>(length);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, size, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::string Utf8(BSTR text) {
  return text == nullptr ? std::string() : Utf8(text, SysStringLen(text));
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), chars);
  return out;
}

BSTR NewBstr(std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

Variant FromVariant(const VARIANT& given, VarType wanted) {
  Cleared plain;  // the value itself, references followed
  if (FAILED(VariantCopyInd(&plain.value, const_cast<VARIANT*>(&given)))) {
    throw ConversionError("an argument of Automation type " + std::to_string(V_VT(&given)) +
                          " cannot be read");
  }
  const VARTYPE type = V_VT(&plain.value);
  if (type == VT_EMPTY) return {};
  if (type == VT_ERROR && V_ERROR(&plain.value) == DISP_E_PARAMNOTFOUND) return {};
  if (IsDirect(type)) return Direct(plain.value);
  Cleared converted;
  if (FAILED(VariantChangeTypeEx(&converted.value, &plain.value, LOCALE_INVARIANT, 0,
                                 TargetOf(wanted)))) {
    throw ConversionError("an argument of Automation type " + std::to_string(type) +
                          " does not convert to " + std::string(TypeName(wanted)));
  }
  return Direct(converted.value);
}

HRESULT ToVariant(const Variant& value, VARIANT* out) {
  switch (value.type()) {
    case VarType::VT_EMPTY:
    case VarType::VT_VARIANT: V_VT(out) = VT_EMPTY; return S_OK;
    case VarType::VT_I2:
      V_VT(out) = VT_I2;
      V_I2(out) = value.get<std::int16_t>();
      return S_OK;
    case VarType::VT_I4:
      V_VT(out) = VT_I4;
      V_I4(out) = value.get<std::int32_t>();
      return S_OK;
    case VarType::VT_R4:
      V_VT(out) = VT_R4;
      V_R4(out) = value.get<float>();
      return S_OK;
    case VarType::VT_CY:
      V_VT(out) = VT_CY;
      V_CY(out).int64 = value.get<Currency>().raw();
      return S_OK;
    case VarType::VT_DATE:
      V_VT(out) = VT_DATE;
      V_DATE(out) = value.get<OleDate>().value();
      return S_OK;
    case VarType::VT_BOOL:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.get<VariantBool>().value ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VarType::VT_BSTR: {
      BSTR text = NewBstr(value.get<std::string>());
      if (text == nullptr) return E_OUTOFMEMORY;
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = text;
      return S_OK;
    }
  }
  return E_UNEXPECTED;
}

}  // namespace tavirel::com
