#pragma once
// What the generated vtable methods (tavirel_vtable.inc) are written with:
// arguments as VARIANTs that borrow the caller's variables or values for
// the call, and the result VARIANT moved into the method's typed result.
#include <oaidl.h>

namespace tavirel::com {

/// An omitted argument.
inline VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_ERROR;
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

/// A reference to the caller's variable (nullptr: omitted).
template <typename T>
VARIANT RefOf(T* value, VARTYPE type) {
  if (value == nullptr) return Missing();
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = static_cast<VARTYPE>(type | VT_BYREF);
  V_BYREF(&v) = value;
  return v;
}
inline VARIANT Ref(short* v) { return RefOf(v, VT_I2); }
inline VARIANT Ref(LONG* v) { return RefOf(v, VT_I4); }
inline VARIANT Ref(float* v) { return RefOf(v, VT_R4); }
inline VARIANT Ref(CY* v) { return RefOf(v, VT_CY); }
inline VARIANT Ref(DATE* v) { return RefOf(v, VT_DATE); }
inline VARIANT Ref(BSTR* v) { return RefOf(v, VT_BSTR); }

/// A value passed for the call (a text is borrowed, not copied).
inline VARIANT Val(short value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}
inline VARIANT Val(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}
inline VARIANT Val(float value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R4;
  V_R4(&v) = value;
  return v;
}
inline VARIANT Val(BSTR value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = value;
  return v;
}
inline VARIANT Val(const VARIANT& value) { return value; }

/// The call's result into the method's own result type (a short also takes
/// a Boolean, which Automation keeps in a short).
inline HRESULT TakeResult(VARIANT& out, short* r) {
  if (V_VT(&out) == VT_I2)
    *r = V_I2(&out);
  else if (V_VT(&out) == VT_BOOL)
    *r = V_BOOL(&out);
  else
    return DISP_E_TYPEMISMATCH;
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, LONG* r) {
  if (V_VT(&out) != VT_I4) return DISP_E_TYPEMISMATCH;
  *r = V_I4(&out);
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, float* r) {
  if (V_VT(&out) != VT_R4) return DISP_E_TYPEMISMATCH;
  *r = V_R4(&out);
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, CY* r) {
  if (V_VT(&out) != VT_CY) return DISP_E_TYPEMISMATCH;
  *r = V_CY(&out);
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, DATE* r) {
  if (V_VT(&out) != VT_DATE) return DISP_E_TYPEMISMATCH;
  *r = V_DATE(&out);
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, BSTR* r) {
  if (V_VT(&out) != VT_BSTR) {
    VariantClear(&out);
    return DISP_E_TYPEMISMATCH;
  }
  *r = V_BSTR(&out);  // ownership moves to the caller
  V_VT(&out) = VT_EMPTY;
  return S_OK;
}
inline HRESULT TakeResult(VARIANT& out, VARIANT* r) {
  *r = out;  // ownership moves to the caller
  V_VT(&out) = VT_EMPTY;
  return S_OK;
}

}  // namespace tavirel::com
