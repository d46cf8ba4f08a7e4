// A C++ client of tavirel-com.dll through COM alone (the DLL's class
// factory, IDispatch by name, connection points, persistence), without a
// register: every operation is refused for the currency mode, which is
// enough to carry every member's arguments and result across.
#include <gtest/gtest.h>

#include <map>

#include "com_errors.hpp"
#include "com_test_support.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/result_codes.hpp"
#include "test_sink.hpp"

namespace tavirel::com::test {
namespace {

VARIANT Arg(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type;
  switch (type) {
    case VT_I2: V_I2(&v) = 1; break;
    case VT_I4: V_I4(&v) = 1; break;
    case VT_R4: V_R4(&v) = 1.5f; break;
    case VT_CY: V_CY(&v).int64 = 15000; break;
    case VT_DATE: V_DATE(&v) = 45000.5; break;
    case VT_BOOL: V_BOOL(&v) = VARIANT_TRUE; break;
    case VT_BSTR: V_BSTR(&v) = SysAllocString(L"9600,n,8,1"); break;
    default:  // an optional VARIANT: omitted
      V_VT(&v) = VT_ERROR;
      V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  }
  return v;
}

VARTYPE TypeOf(const ELEMDESC& element) {
  return element.tdesc.vt == VT_PTR ? element.tdesc.lptdesc->vt : element.tdesc.vt;
}

WORD FlagsOf(INVOKEKIND kind) {
  if (kind == INVOKE_PROPERTYGET) return DISPATCH_PROPERTYGET;
  if (kind == INVOKE_PROPERTYPUT) return DISPATCH_PROPERTYPUT;
  return DISPATCH_METHOD;
}

// Every member as the type library declares it, called by name with
// arguments of its declared types: the call succeeds and its result has
// the declared type (a VARIANT result holds an Integer).
TEST(ComClient, EveryMemberByNameWithTheTypeLibrarysTypes) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  Ptr<ITypeInfo> dispatch;
  ASSERT_EQ(control->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatch.out()), S_OK);
  HREFTYPE vtable = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), S_OK);
  Ptr<ITypeInfo> info;
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable, info.out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  const UINT count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  int operations = 0;
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
    BSTR name = nullptr;
    info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
    const std::wstring wide(name, SysStringLen(name));
    SysFreeString(name);
    const std::string member = Utf8(wide.c_str(), wide.size());
    SCOPED_TRACE(member);
    std::vector<VARIANT> args;
    VARTYPE result = VT_EMPTY;
    for (SHORT p = 0; p < f->cParams; ++p) {
      const ELEMDESC& e = f->lprgelemdescParam[p];
      if ((e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) {
        result = TypeOf(e);
      } else {
        args.push_back(Arg(TypeOf(e)));
      }
    }
    const WORD flags = FlagsOf(f->invkind);
    info->ReleaseFuncDesc(f);
    if (member == "PortOpen") continue;  // opens COM1: the register suite opens a real port
    if (member == "EuroSettings" && flags == DISPATCH_PROPERTYPUT) V_I4(&args[0]) = 0;
    const CallResult call = CallByName(control.get(), wide, flags, args);
    for (VARIANT& a : args) VariantClear(&a);
    ASSERT_EQ(call.hr, S_OK) << call.description;
    if (result == VT_VARIANT) {
      EXPECT_EQ(call.type, VT_I2);
    } else {
      EXPECT_EQ(call.type, result);
    }
    if (member.rfind("op", 0) == 0) {
      ++operations;
      EXPECT_EQ(call.value.ToI2(), OP_ERR_EUROLOCK);
    }
  }
  EXPECT_EQ(operations, 67);
}

// Errors of the call: DISP_E_EXCEPTION with the kind's HRESULT, the source
// and the library's message.
TEST(ComClient, ErrorsOfTheCallAreExceptionsWithTheirHResult) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  auto text = TextArg;
  auto number = I2Arg;
  struct Case {
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT scode;
    const char* said;
  };
  std::vector<Case> cases;
  cases.push_back(
      {L"Settings", DISPATCH_PROPERTYPUT, {text(L"9600,q,8,1")}, kSettingsError, "9600,q,8,1"});
  cases.push_back({L"COMPort", DISPATCH_PROPERTYPUT, {number(0)}, kSerialError, "0"});
  cases.push_back({L"opReparto",
                   DISPATCH_METHOD,
                   {number(1), text(L"PANE"), text(L"uno"), number(2)},
                   kConversionError,
                   "Prezzo"});
  cases.push_back({L"opSubTot", DISPATCH_METHOD, {}, kDispatchError, "opSubTot"});
  for (Case& c : cases) {
    SCOPED_TRACE(Utf8(c.member, wcslen(c.member)));
    const CallResult call = CallByName(control.get(), c.member, c.flags, c.args);
    for (VARIANT& a : c.args) VariantClear(&a);
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.scode, c.scode);
    EXPECT_EQ(call.source, "Tavirel.Control");
    EXPECT_NE(call.description.find(c.said), std::string::npos) << call.description;
  }
  // An unknown name is the standard refusal, before any call.
  EXPECT_EQ(CallByName(control.get(), L"opNoSuchThing", DISPATCH_METHOD, {}).hr,
            DISP_E_UNKNOWNNAME);
  // Names are matched whatever their case, as Automation clients expect.
  EXPECT_EQ(CallByName(control.get(), L"MAJOR", DISPATCH_PROPERTYGET, {}).value,
            Variant(std::int16_t{1}));
}

// FPError reaches a connected sink inside the call; what the handler stores
// in ErrorLevel (results 1-5) is the code the call returns.
TEST(ComClient, FPErrorIsRaisedInsideTheCallAndItsErrorLevelIsTheResult) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  FPErrorSink sink;
  Connection connection(control.get(), &sink);
  const DWORD cookie = connection.cookie();
  ASSERT_NE(cookie, 0u);
  VARIANT one = I2Arg(1);
  EXPECT_EQ(CallByName(control.get(), L"opSubTot", DISPATCH_METHOD, {one}).value,
            Variant(std::int16_t{OP_ERR_EUROLOCK}));
  ASSERT_EQ(sink.received.size(), 1u);
  EXPECT_EQ(sink.received[0], std::make_pair(short{OP_ERR_EUROLOCK}, LONG{0}));
  sink.store_level = OP_ERR_TIMEOUT;
  sink.store_code = 55;  // refers to a temporary for results 1-5: no effect
  EXPECT_EQ(CallByName(control.get(), L"opSubTot", DISPATCH_METHOD, {one}).value,
            Variant(std::int16_t{OP_ERR_TIMEOUT}));
  EXPECT_EQ(CallByName(control.get(), L"LastEERR", DISPATCH_PROPERTYGET, {}).value,
            Variant(std::int16_t{-2}));
  ASSERT_EQ(connection.Disconnect(), S_OK);
  EXPECT_EQ(CallByName(control.get(), L"opSubTot", DISPATCH_METHOD, {one}).value,
            Variant(std::int16_t{OP_ERR_EUROLOCK}));
  EXPECT_EQ(sink.received.size(), 2u);  // none after Unadvise
  EXPECT_EQ(connection.point()->Unadvise(cookie), CONNECT_E_NOCONNECTION);
}

// A property bag of the host's, in memory, remembering the order of writes.
class Bag final : public IPropertyBag {
 public:
  std::vector<std::pair<std::wstring, VARTYPE>> writes;
  std::map<std::wstring, Variant> values;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPropertyBag)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    const auto found = values.find(name);
    if (found == values.end()) return E_INVALIDARG;
    return ToVariant(found->second, value);
  }
  STDMETHODIMP Write(LPCOLESTR name, VARIANT* value) override {
    writes.emplace_back(name, V_VT(value));
    values[name] = FromVariant(*value, VarType::VT_EMPTY);
    return S_OK;
  }
};

void Put(IDispatch* control, const wchar_t* name, VARIANT value) {
  const CallResult call = CallByName(control, name, DISPATCH_PROPERTYPUT, {value});
  VariantClear(&value);
  ASSERT_EQ(call.hr, S_OK) << call.description;
}

VARIANT Of(const Variant& value) {
  VARIANT v;
  VariantInit(&v);
  ToVariant(value, &v);
  return v;
}

Variant Get(IDispatch* control, const wchar_t* name) {
  return CallByName(control, name, DISPATCH_PROPERTYGET, {}).value;
}

// The three settings saved in order with their types, and loaded back into
// a new object, through a property bag and through a stream; a bag without
// a value loads its default.
TEST(ComClient, SettingsRoundTripThroughAPropertyBagAndAStream) {
  Apartment apartment;
  Ptr<IDispatch> saved;
  ASSERT_NO_FATAL_FAILURE(CreateControl(saved));
  Put(saved.get(), L"Settings", Of(Variant("19200,e,7,2")));
  Put(saved.get(), L"COMPort", Of(Variant(std::int16_t{3})));
  Put(saved.get(), L"EuroSettings", Of(Variant(std::int32_t{2})));
  Ptr<IPersistPropertyBag> persist;
  ASSERT_EQ(saved->QueryInterface(IID_IPersistPropertyBag, persist.out_void()), S_OK);
  Bag bag;
  ASSERT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
  const std::vector<std::pair<std::wstring, VARTYPE>> order = {
      {L"Settings", VT_BSTR}, {L"COMPort", VT_I2}, {L"EuroSettings", VT_I4}};
  EXPECT_EQ(bag.writes, order);

  Ptr<IDispatch> loaded;
  ASSERT_NO_FATAL_FAILURE(CreateControl(loaded));
  Ptr<IPersistPropertyBag> load;
  ASSERT_EQ(loaded->QueryInterface(IID_IPersistPropertyBag, load.out_void()), S_OK);
  ASSERT_EQ(load->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(Get(loaded.get(), L"Settings"), Variant("19200,e,7,2"));
  EXPECT_EQ(Get(loaded.get(), L"COMPort"), Variant(std::int16_t{3}));
  EXPECT_EQ(Get(loaded.get(), L"EuroSettings"), Variant(std::int32_t{2}));

  bag.values.erase(L"COMPort");
  ASSERT_EQ(load->Load(&bag, nullptr), S_OK);
  EXPECT_EQ(Get(loaded.get(), L"COMPort"), Variant(std::int16_t{1}));

  // Through a stream, then InitNew back to the defaults.
  Ptr<IPersistStreamInit> stream_persist;
  ASSERT_EQ(saved->QueryInterface(IID_IPersistStreamInit, stream_persist.out_void()), S_OK);
  Ptr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), S_OK);
  ASSERT_EQ(stream_persist->Save(stream.get(), TRUE), S_OK);
  ASSERT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  Ptr<IDispatch> from_stream;
  ASSERT_NO_FATAL_FAILURE(CreateControl(from_stream));
  Ptr<IPersistStreamInit> stream_load;
  ASSERT_EQ(from_stream->QueryInterface(IID_IPersistStreamInit, stream_load.out_void()), S_OK);
  ASSERT_EQ(stream_load->Load(stream.get()), S_OK);
  EXPECT_EQ(Get(from_stream.get(), L"Settings"), Variant("19200,e,7,2"));
  EXPECT_EQ(Get(from_stream.get(), L"COMPort"), Variant(std::int16_t{3}));
  EXPECT_EQ(Get(from_stream.get(), L"EuroSettings"), Variant(std::int32_t{2}));
  ASSERT_EQ(stream_load->InitNew(), S_OK);
  EXPECT_EQ(Get(from_stream.get(), L"Settings"), Variant("9600,n,8,1"));
  EXPECT_EQ(Get(from_stream.get(), L"EuroSettings"), Variant(std::int32_t{0}));

  // A stream cut short is refused and changes nothing.
  Ptr<IStream> cut;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, cut.out()), S_OK);
  const unsigned char bytes[] = {40, 0, 0, 0, 3, 0};
  ASSERT_EQ(cut->Write(bytes, sizeof bytes, nullptr), S_OK);
  ASSERT_EQ(cut->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_TRUE(FAILED(stream_load->Load(cut.get())));
  EXPECT_EQ(Get(from_stream.get(), L"Settings"), Variant("9600,n,8,1"));
}

}  // namespace
}  // namespace tavirel::com::test
