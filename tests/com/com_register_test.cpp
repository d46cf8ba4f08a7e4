// The COM object on a register: run by scripts/test-windows with the
// simulated register at COM<TAVIREL_TEST_REGISTER_COM>; skipped without it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "com_errors.hpp"
#include "com_test_support.hpp"
#include "tavirel/result_codes.hpp"
#include "test_sink.hpp"

namespace tavirel::com::test {
namespace {

class ComOnRegister : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("TAVIREL_TEST_REGISTER_COM");
    if (port == nullptr) GTEST_SKIP() << "no register: set TAVIREL_TEST_REGISTER_COM";
    ASSERT_NO_FATAL_FAILURE(CreateControl(control_));
    VARIANT number = I2Arg(static_cast<short>(std::atoi(port)));
    ASSERT_EQ(CallByName(control_.get(), L"COMPort", DISPATCH_PROPERTYPUT, {number}).hr, S_OK);
    VARIANT euro = I4Arg(2);
    ASSERT_EQ(CallByName(control_.get(), L"EuroSettings", DISPATCH_PROPERTYPUT, {euro}).hr, S_OK);
    const CallResult open = CallByName(control_.get(), L"PortOpen", DISPATCH_METHOD, {});
    ASSERT_EQ(open.hr, S_OK) << open.description;
  }
  void TearDown() override {
    if (control_) CallByName(control_.get(), L"PortClose", DISPATCH_METHOD, {});
  }
  // A sale line on a department the register does not have: EERR 13.
  CallResult RefusedLine() {
    std::vector<VARIANT> args = {I2Arg(1), TextArg(L"X"), I2Arg(1), I2Arg(99)};
    CallResult call = CallByName(control_.get(), L"opReparto", DISPATCH_METHOD, args);
    for (VARIANT& a : args) VariantClear(&a);
    return call;
  }
  Apartment apartment_;
  Ptr<IDispatch> control_;
};

// For a printer's error, what the handler stores in ErrorCode is what the
// call puts in LastEERR; ErrorLevel then refers to a temporary.
TEST_F(ComOnRegister, FPErrorsErrorCodeIsWhatLastEERRGets) {
  FPErrorSink sink;
  Connection connection(control_.get(), &sink);
  ASSERT_NE(connection.cookie(), 0u);
  CallResult call = RefusedLine();
  EXPECT_EQ(call.value, Variant(std::int16_t{EERR}));
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0], std::make_pair(short{-1}, LONG{13}));
  EXPECT_EQ(CallByName(control_.get(), L"LastEERR", DISPATCH_PROPERTYGET, {}).value,
            Variant(std::int16_t{13}));
  sink.store_code = 77;
  sink.store_level = OP_ERR_TIMEOUT;
  call = RefusedLine();
  EXPECT_EQ(call.value, Variant(std::int16_t{EERR}));
  EXPECT_EQ(CallByName(control_.get(), L"LastEERR", DISPATCH_PROPERTYGET, {}).value,
            Variant(std::int16_t{77}));
}

// A window of the caller's thread: it calls the control from its window
// procedure, as a host's button would while a call waits.
struct NestedCaller {
  IDispatch* control = nullptr;
  CallResult nested;
  bool called = false;
};

LRESULT CALLBACK NestedProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) {
    auto* caller = reinterpret_cast<NestedCaller*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    caller->called = true;
    caller->nested = CallByName(caller->control, L"opReadDataOra", DISPATCH_METHOD, {});
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// The wait serves the thread's messages; a call made from them is refused
// as a nested call, and the waiting call completes.
TEST_F(ComOnRegister, TheWaitPumpsMessagesAndRefusesANestedCall) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = NestedProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TavirelNestedCaller";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, L"TavirelNestedCaller", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  NestedCaller caller;
  caller.control = control_.get();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&caller));
  ASSERT_TRUE(PostMessageW(window, WM_APP, 0, 0));
  const CallResult outer = CallByName(control_.get(), L"opReadDataOra", DISPATCH_METHOD, {});
  DestroyWindow(window);
  EXPECT_EQ(outer.value, Variant(std::int16_t{OP_OK}));
  ASSERT_TRUE(caller.called) << "the wait did not serve the thread's messages";
  EXPECT_EQ(caller.nested.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(caller.nested.scode, kBusyError);
}

}  // namespace
}  // namespace tavirel::com::test
