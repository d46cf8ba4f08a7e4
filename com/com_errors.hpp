#pragma once
// Errors of the call as Automation reports them: an HRESULT per kind of
// error, the library's message as the description, "Tavirel.Control" as
// the source. The one table of those HRESULTs is here (docs/com.md lists it).
#include <oaidl.h>

#include <exception>
#include <string>

namespace tavirel::com {

/// Source named in every error.
inline constexpr const wchar_t* kErrorSource = L"Tavirel.Control";

/// HRESULTs of errors of the call (FACILITY_ITF, codes 0x0201 up).
inline constexpr HRESULT kSerialError = static_cast<HRESULT>(0x80040201L);
inline constexpr HRESULT kSettingsError = static_cast<HRESULT>(0x80040202L);
inline constexpr HRESULT kConversionError = static_cast<HRESULT>(0x80040203L);
inline constexpr HRESULT kBusyError = static_cast<HRESULT>(0x80040204L);
inline constexpr HRESULT kCancelledError = static_cast<HRESULT>(0x80040205L);
inline constexpr HRESULT kDispatchError = static_cast<HRESULT>(0x80040206L);
inline constexpr HRESULT kOtherError = static_cast<HRESULT>(0x80040200L);

/// What a caught error becomes.
struct CallError {
  HRESULT code;
  std::string message;  ///< UTF-8
};

/// The error `error` (an exception_ptr caught by catch (...)) as a CallError.
CallError Classify(const std::exception_ptr& error);

/// Fills `info` (when given) with the error; sets the thread's error info
/// too, for callers through the vtable. Returns `error.code`.
HRESULT Report(const CallError& error, EXCEPINFO* info);

}  // namespace tavirel::com
