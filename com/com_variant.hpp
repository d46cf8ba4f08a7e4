#pragma once
// VARIANT to the library's Variant and back, and UTF-16 to UTF-8 and back.
// Pure conversions: no state, safe on any thread.
#include <oaidl.h>

#include <string>
#include <string_view>

#include "tavirel/variant.hpp"

namespace tavirel::com {

/// UTF-16 text as UTF-8.
std::string Utf8(const wchar_t* text, std::size_t length);
/// A BSTR's text as UTF-8 (a null BSTR is the empty text).
std::string Utf8(BSTR text);
/// UTF-8 text as a new BSTR (the caller frees it); nullptr when out of memory.
BSTR NewBstr(std::string_view utf8);
/// UTF-8 text as UTF-16.
std::wstring Wide(std::string_view utf8);

/// An argument as the library's Variant: a reference is followed, a missing
/// argument (VT_ERROR DISP_E_PARAMNOTFOUND) or VT_EMPTY is empty, the
/// interface's own types are taken as they are and any other is converted
/// to `wanted` by Automation's rules (a Double to Currency, a Byte to
/// Integer). Throws ConversionError for a value that does not convert.
Variant FromVariant(const VARIANT& given, VarType wanted);

/// `value` into `out` (which must be empty or cleared). E_OUTOFMEMORY when a
/// text cannot be allocated.
HRESULT ToVariant(const Variant& value, VARIANT* out);

}  // namespace tavirel::com
