// The type library embedded in tavirel-com.dll lists exactly the dispatch
// table's members: same slots, names, ids, kinds, parameters, types,
// optional parameters and defaults, results; and the event interface
// FPError with both arguments by reference.
#include <gtest/gtest.h>

#include "com_test_support.hpp"
#include "tavirel/dispatch.hpp"

namespace tavirel::com::test {
namespace {

struct FuncDesc {
  ITypeInfo* info;
  FUNCDESC* desc = nullptr;
  FuncDesc(ITypeInfo* type_info, UINT index) : info(type_info) { info->GetFuncDesc(index, &desc); }
  ~FuncDesc() {
    if (desc != nullptr) info->ReleaseFuncDesc(desc);
  }
  FuncDesc(const FuncDesc&) = delete;
  FuncDesc& operator=(const FuncDesc&) = delete;
};

MemberKind KindOf(INVOKEKIND kind) {
  if (kind == INVOKE_PROPERTYGET) return MemberKind::PropertyGet;
  if (kind == INVOKE_PROPERTYPUT) return MemberKind::PropertyPut;
  return MemberKind::Method;
}

std::vector<std::string> Names(ITypeInfo* info, MEMBERID id) {
  BSTR names[16] = {};
  UINT count = 0;
  info->GetNames(id, names, 16, &count);
  std::vector<std::string> out;
  for (UINT i = 0; i < count; ++i) {
    out.push_back(Utf8(names[i]));
    SysFreeString(names[i]);
  }
  return out;
}

// A parameter's type: the pointee's for a by-reference parameter.
VARTYPE TypeOf(const ELEMDESC& element) {
  const TYPEDESC& type = element.tdesc;
  return type.vt == VT_PTR ? type.lptdesc->vt : type.vt;
}

// The vtable view of the dual interface: its own members, in slot order.
void InterfaceInfo(Ptr<ITypeInfo>& out) {
  Ptr<ITypeLib> lib;
  ASSERT_NO_FATAL_FAILURE(LoadTypeLib(lib));
  Ptr<ITypeInfo> dispatch;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(IID__TavirelControl, dispatch.out()), S_OK);
  HREFTYPE vtable = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(vtable, out.out()), S_OK);
}

TEST(TypeLibrary, ListsTheDispatchTablesMembersInSlotOrder) {
  Apartment apartment;
  Ptr<ITypeInfo> info;
  ASSERT_NO_FATAL_FAILURE(InterfaceInfo(info));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  const UINT count = attr->cFuncs;
  EXPECT_EQ(attr->wTypeFlags & TYPEFLAG_FDUAL, TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  const auto members = Members();
  ASSERT_EQ(count, members.size());
  for (UINT i = 0; i < count; ++i) {
    const MemberInfo& m = members[i];
    FuncDesc f(info.get(), i);
    ASSERT_NE(f.desc, nullptr);
    SCOPED_TRACE(std::string(m.name) + " (" + std::string(KindName(m.kind)) + ")");
    const std::vector<std::string> names = Names(info.get(), f.desc->memid);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], m.name);
    EXPECT_EQ(f.desc->memid, DispatchId(m));
    EXPECT_EQ(KindOf(f.desc->invkind), m.kind);
    const bool has_result = m.result != VarType::VT_EMPTY;
    ASSERT_EQ(static_cast<std::size_t>(f.desc->cParams), m.params.size() + (has_result ? 1 : 0));
    for (std::size_t p = 0; p < m.params.size(); ++p) {
      const ParamInfo& param = m.params[p];
      const ELEMDESC& e = f.desc->lprgelemdescParam[p];
      const USHORT flags = e.paramdesc.wParamFlags;
      SCOPED_TRACE(std::string(param.name));
      // A property's put names its value after the property.
      if (m.kind != MemberKind::PropertyPut) {
        ASSERT_GT(names.size(), p + 1);
        EXPECT_EQ(names[p + 1], param.name);
      }
      EXPECT_EQ((flags & PARAMFLAG_FOPT) != 0, param.optional);
      // widl writes no Currency default: such an optional is a VARIANT.
      const bool variant_default = param.optional && param.type == VarType::VT_CY;
      EXPECT_EQ(TypeOf(e),
                static_cast<VARTYPE>(variant_default ? VarType::VT_VARIANT : param.type));
      // By reference but a put's value and an optional (which carries a default).
      const bool by_reference = m.kind != MemberKind::PropertyPut && !param.optional;
      EXPECT_EQ(e.tdesc.vt == VT_PTR, by_reference);
      if (param.optional && !variant_default) {
        ASSERT_NE(flags & PARAMFLAG_FHASDEFAULT, 0);
        EXPECT_EQ(FromVariant(e.paramdesc.pparamdescex->varDefaultValue, param.type),
                  param.default_value);
      }
    }
    if (has_result) {
      const ELEMDESC& r = f.desc->lprgelemdescParam[m.params.size()];
      EXPECT_NE(r.paramdesc.wParamFlags & PARAMFLAG_FRETVAL, 0);
      EXPECT_EQ(TypeOf(r), static_cast<VARTYPE>(m.result));
    }
  }
}

TEST(TypeLibrary, TheEventInterfaceHasFPErrorWithBothArgumentsByReference) {
  Apartment apartment;
  Ptr<ITypeLib> lib;
  ASSERT_NO_FATAL_FAILURE(LoadTypeLib(lib));
  Ptr<ITypeInfo> events;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(DIID___TavirelControl, events.out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  events->ReleaseTypeAttr(attr);
  const MemberInfo& fp_error = FPErrorEvent();
  FUNCDESC* desc = nullptr;
  MEMBERID id = 0;
  std::wstring name = Wide(fp_error.name);
  LPOLESTR names[] = {name.data()};
  ASSERT_EQ(events->GetIDsOfNames(names, 1, &id), S_OK);
  EXPECT_EQ(id, fp_error.id);
  UINT index = 0;
  for (;; ++index) {
    ASSERT_EQ(events->GetFuncDesc(index, &desc), S_OK);
    if (desc->memid == id) break;
    events->ReleaseFuncDesc(desc);
  }
  ASSERT_EQ(static_cast<std::size_t>(desc->cParams), fp_error.params.size());
  for (std::size_t p = 0; p < fp_error.params.size(); ++p) {
    EXPECT_EQ(desc->lprgelemdescParam[p].tdesc.vt, VT_PTR);
    EXPECT_EQ(TypeOf(desc->lprgelemdescParam[p]), static_cast<VARTYPE>(fp_error.params[p].type));
  }
  events->ReleaseFuncDesc(desc);
}

// The coclass names the dual interface as default and the events as its
// default source, and IProvideClassInfo2 says the same.
TEST(TypeLibrary, TheObjectDescribesItsClassAndEvents) {
  Apartment apartment;
  Ptr<IDispatch> control;
  ASSERT_NO_FATAL_FAILURE(CreateControl(control));
  Ptr<IProvideClassInfo2> provide;
  ASSERT_EQ(control->QueryInterface(IID_IProvideClassInfo2, provide.out_void()), S_OK);
  GUID source{};
  ASSERT_EQ(provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, DIID___TavirelControl));
  Ptr<ITypeInfo> coclass;
  ASSERT_EQ(provide->GetClassInfo(coclass.out()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_TavirelControl));
  EXPECT_EQ(attr->cImplTypes, 2);
  coclass->ReleaseTypeAttr(attr);
  Ptr<ISupportErrorInfo> errors;
  ASSERT_EQ(control->QueryInterface(IID_ISupportErrorInfo, errors.out_void()), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID__TavirelControl), S_OK);
}

}  // namespace
}  // namespace tavirel::com::test
