// The dual interface's vtable (early-bound clients: VB6 with a reference,
// C++ with the generated header) reaches the same members as IDispatch:
// arguments by reference and by value, omitted optionals, every result
// type, and errors as the kind's HRESULT with the thread's error info.
#include <gtest/gtest.h>

#include "com_errors.hpp"
#include "com_test_support.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::com::test {
namespace {

TEST(Vtable, CallsReachTheMembersWithEveryKindOfArgumentAndResult) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  Ptr<_TavirelControl> dual;
  ASSERT_EQ(control->QueryInterface(IID__TavirelControl, dual.out_void()), S_OK);

  short major = 0;
  ASSERT_EQ(dual->get_Major(&major), S_OK);
  EXPECT_EQ(major, 1);
  BSTR settings = SysAllocString(L"19200,e,7,2");
  ASSERT_EQ(dual->put_Settings(settings), S_OK);
  SysFreeString(settings);
  BSTR read = nullptr;
  ASSERT_EQ(dual->get_Settings(&read), S_OK);
  EXPECT_EQ(Utf8(read), "19200,e,7,2");
  SysFreeString(read);

  // By reference, optionals by value, a Currency through a VARIANT omitted.
  short operator_code = 1;
  BSTR description = SysAllocString(L"PANE");
  CY price{};
  price.int64 = 15000;
  short department = 2;
  BSTR product = SysAllocString(L"0");
  short result = -9;
  ASSERT_EQ(dual->opReparto(&operator_code, &description, &price, &department, 1, product, &result),
            S_OK);
  EXPECT_EQ(result, OP_ERR_EUROLOCK);
  SysFreeString(description);
  SysFreeString(product);
  VARIANT omitted;
  VariantInit(&omitted);
  V_VT(&omitted) = VT_ERROR;
  V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
  ASSERT_EQ(dual->opContante(&operator_code, omitted, &result), S_OK);
  EXPECT_EQ(result, OP_ERR_EUROLOCK);

  // opEndSNoFisc's VARIANT result holds an Integer; PortIsOpen's is a Boolean.
  VARIANT code;
  VariantInit(&code);
  ASSERT_EQ(dual->opEndSNoFisc(&operator_code, &code), S_OK);
  EXPECT_EQ(V_VT(&code), VT_I2);
  EXPECT_EQ(V_I2(&code), OP_ERR_EUROLOCK);
  VARIANT_BOOL open = VARIANT_TRUE;
  ASSERT_EQ(dual->PortIsOpen(&open), S_OK);
  EXPECT_EQ(open, VARIANT_FALSE);

  short level = -1;
  LONG printer_error = 23;
  BSTR text = nullptr;
  ASSERT_EQ(dual->GetLastErrorDescription(&level, &printer_error, &text), S_OK);
  EXPECT_EQ(Utf8(text), "CHIUDI SCONTRINO");
  SysFreeString(text);
  EXPECT_EQ(level, -1);  // read, never written
  EXPECT_EQ(printer_error, 23);
}

TEST(Vtable, AnErrorIsTheKindsHResultWithErrorInfo) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  Ptr<_TavirelControl> dual;
  ASSERT_EQ(control->QueryInterface(IID__TavirelControl, dual.out_void()), S_OK);
  BSTR bad = SysAllocString(L"9600,n,8");
  EXPECT_EQ(dual->put_Settings(bad), kSettingsError);
  SysFreeString(bad);
  Ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.out()), S_OK);
  BSTR source = nullptr;
  BSTR description = nullptr;
  info->GetSource(&source);
  info->GetDescription(&description);
  EXPECT_EQ(Utf8(source), "Tavirel.Control");
  EXPECT_NE(Utf8(description).find("9600,n,8"), std::string::npos) << Utf8(description);
  SysFreeString(source);
  SysFreeString(description);
  EXPECT_EQ(dual->put_COMPort(0), kSerialError);
}

}  // namespace
}  // namespace tavirel::com::test
