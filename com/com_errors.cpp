// Errors of the call to HRESULT, EXCEPINFO and IErrorInfo.
#include "com_errors.hpp"

#include <oleauto.h>

#include <new>

#include "com_ids.hpp"
#include "com_variant.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::com {

CallError Classify(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const SettingsError& e) {
    return {kSettingsError, e.what()};
  } catch (const SerialError& e) {
    return {kSerialError, e.what()};
  } catch (const ConversionError& e) {
    return {kConversionError, e.what()};
  } catch (const BusyError& e) {
    return {kBusyError, e.what()};
  } catch (const CancelledError& e) {
    return {kCancelledError, e.what()};
  } catch (const DispatchError& e) {
    return {kDispatchError, e.what()};
  } catch (const std::bad_alloc&) {
    return {E_OUTOFMEMORY, "out of memory"};
  } catch (const std::exception& e) {
    return {kOtherError, e.what()};
  } catch (...) {
    return {E_UNEXPECTED, "unexpected error"};
  }
}

HRESULT Report(const CallError& error, EXCEPINFO* info) {
  if (info != nullptr) {
    *info = EXCEPINFO{};
    info->bstrSource = SysAllocString(kErrorSource);
    info->bstrDescription = NewBstr(error.message);
    info->scode = error.code;
  }
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    const std::wstring description = Wide(error.message);
    create->SetGUID(IID__TavirelControl);
    create->SetSource(const_cast<LPOLESTR>(kErrorSource));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    IErrorInfo* errorInfo = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo)))) {
      SetErrorInfo(0, errorInfo);
      errorInfo->Release();
    }
    create->Release();
  }
  return error.code;
}

}  // namespace tavirel::com
