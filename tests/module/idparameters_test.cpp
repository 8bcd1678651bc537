// Id parameters: the module's list of them held against the type library, and late-bound
// calls that hand an id over every way IDispatch allows (by position, by name, as a put's
// value, by reference) through the registered server.
#include <gtest/gtest.h>

#include <standinsclient.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <latebound.h>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "module/idparameters.h"
#include "module/servermodule.h"
#include "workspace/dataservicerequest.h"
#include "workspace/objectid.h"

namespace {

using wqtest::Bstr;

// ---------------------------------------------------------------- the list

// The integer parameters that hold no id, as Key() names them; a parent window goes by its
// name in every member.
const wchar_t* const kNoIds[] = {
    L"IWQCGenericSvcsMain.EnumerationOptions(pbIsClosed)",
    L"IWQCSelectCaseDlg.Selection(iIndex)",
    L"IWQCSelectCaseDlg.SelectionName(lIndex)",
    L"IWQCSelectCaseDlg.Case(lCase)",
    L"IWQCSelectCaseDlg.CaseID(lCase)",
    L"IWQCOpenDatasheetDlg.AddNewDatasheet(nDocType)",
    L"IWQCOpenDatasheetDlg.AddExistingDatasheet(nStatus)",
    L"IWQCOpenDatasheetDlg.AddExistingDatasheet(nDocType)",
    L"IWQCOpenDatasheetDlg.AddExistingDiagram(nStatus)",
    L"IWQCSelectClassDlg.Class(iIndex)",
    L"IWQCSelectClassDlg.Selection(iIndex)",
    L"IWQCSelectObjectDlg.Selection(iIndex)",
    L"IWQCSelectObjectDlg.ObjectID(iIndex)",
    L"IWQCSelectObjectDlg.ObjectName(iIndex)",
    L"IWQCSelectObjectDlg.ObjectEditable(iIndex)",
    L"IWQCSelectUnitSetDlg.Selection(iIndex)",
    L"IWQCSelectUnitSetDlg.Option(iIndex)",
    L"IWQCSelectDatasheetDlg.Selection(iIndex)",
    L"IWQCSelectDatasheetDlg.DatasheetID(iIndex)",
    L"IWQCSelectDatasheetDlg.DatasheetName(iIndex)",
    L"IWQCSelectDatasheetDlg.DatasheetEditable(iIndex)",
    L"IWQCSelectDatasheetDlg.IsProjectSummaryDatasheet(iIndex)",
    L"IWQCSelectKBDlg.Item(index)",
};
const wchar_t* const kParentWindows[] = {L"(lParentHWnd)", L"(lParentHwd)"};

// "Interface.Member(parameter)"; a put's value is "(value)".
std::wstring Key(const wchar_t* iface, const wchar_t* member, const wchar_t* parameter) {
  return std::wstring(iface) + L"." + member + L"(" + (parameter ? parameter : L"value") + L")";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The type information of an interface: a dual one's vtable functions.
plat::com_ptr<ITypeInfo> VtableInfo(plat::com_ptr<ITypeInfo> info) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return nullptr;
  const TYPEKIND kind = attributes->typekind;
  const bool dual = attributes->wTypeFlags & TYPEFLAG_FDUAL;
  info->ReleaseTypeAttr(attributes);
  if (kind == TKIND_INTERFACE) return info;
  HREFTYPE vtable = 0;
  plat::com_ptr<ITypeInfo> functions;
  if (kind == TKIND_DISPATCH && dual && SUCCEEDED(info->GetRefTypeOfImplType(-1, &vtable)))
    info->GetRefTypeInfo(vtable, functions.put());
  return functions;
}

// Every integer parameter the type library takes in (through a pointer too, not in an
// array: the type library converts no array's elements), by Key(), with its type.
std::map<std::wstring, VARTYPE> IntegerParameters(ITypeLib* library) {
  std::map<std::wstring, VARTYPE> found;
  for (UINT t = 0; t < library->GetTypeInfoCount(); ++t) {
    plat::com_ptr<ITypeInfo> any;
    if (FAILED(library->GetTypeInfo(t, any.put()))) continue;
    const plat::com_ptr<ITypeInfo> info = VtableInfo(std::move(any));
    TYPEATTR* attributes = nullptr;
    if (!info || FAILED(info->GetTypeAttr(&attributes))) continue;
    const WORD funcCount = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    plat::unique_bstr iface;
    info->GetDocumentation(MEMBERID_NIL, iface.put(), nullptr, nullptr, nullptr);
    for (UINT f = 0; f < funcCount; ++f) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info->GetFuncDesc(f, &desc))) continue;
      BSTR names[32] = {};
      UINT nameCount = 0;
      info->GetNames(desc->memid, names, 32, &nameCount);
      for (SHORT p = 0; p < desc->cParams; ++p) {
        const ELEMDESC& element = desc->lprgelemdescParam[p];
        const USHORT flags = element.paramdesc.wParamFlags;
        const TYPEDESC* type = &element.tdesc;
        while (type->vt == VT_PTR) type = type->lptdesc;
        const bool integer =
            (type->vt >= VT_I2 && type->vt <= VT_I4) || (type->vt >= VT_I1 && type->vt <= VT_UINT);
        if (!integer || ((flags & PARAMFLAG_FOUT) && !(flags & PARAMFLAG_FIN))) continue;
        const bool value = (desc->invkind & INVOKE_PROPERTYPUT) && p + 1 == desc->cParams;
        const UINT n = static_cast<UINT>(p) + 1;
        found[Key(iface.c_str(), names[0],
                  value           ? nullptr
                  : n < nameCount ? names[n]
                                  : L"?")] = type->vt;
      }
      for (UINT i = 0; i < nameCount; ++i) SysFreeString(names[i]);
      info->ReleaseFuncDesc(desc);
    }
  }
  return found;
}

// Each integer parameter of the type library is an id or declared none, and each listed id
// is a long the library has: neither list can drift from the library.
TEST(IdParameters, EveryIntegerParameterOfTheTypeLibraryIsAnIdOrDeclaredNone) {
  plat::com_ptr<ITypeLib> library;
  ASSERT_EQ(LoadRegTypeLib(wqc::kLibId, wqc::kMajorVersion, wqc::kMinorVersion, wqc::kTypeLibLcid,
                           library.put()),
            S_OK);
  std::set<std::wstring> ids, none(std::begin(kNoIds), std::end(kNoIds));
  for (const wqc::IdParameter& entry : wqc::kIdParameters) {
    plat::com_ptr<ITypeInfo> info;
    plat::unique_bstr iface;
    ASSERT_EQ(library->GetTypeInfoOfGuid(*entry.iid, info.put()), S_OK) << Narrow(entry.member);
    info->GetDocumentation(MEMBERID_NIL, iface.put(), nullptr, nullptr, nullptr);
    ids.insert(Key(iface.c_str(), entry.member, entry.parameter));
  }
  const std::map<std::wstring, VARTYPE> parameters = IntegerParameters(library.get());
  ASSERT_GT(parameters.size(), 50u);
  for (const auto& [key, vt] : parameters) {
    const bool window = std::any_of(std::begin(kParentWindows), std::end(kParentWindows),
                                    [&](const wchar_t* name) { return key.ends_with(name); });
    const bool id = ids.erase(key) > 0;
    const bool declaredNone = none.erase(key) > 0 || window;
    EXPECT_TRUE(id != declaredNone)
        << Narrow(key)
        << (id ? " is listed as an id and as none" : " is listed neither as an id nor as none");
    if (id) {
      EXPECT_EQ(vt, VT_I4) << Narrow(key) << ": an id is a long";
    }
  }
  for (const std::wstring& key : ids) ADD_FAILURE() << "no id parameter " << Narrow(key);
  for (const std::wstring& key : none) ADD_FAILURE() << "no parameter " << Narrow(key);
}

// ---------------------------------------------------------------- late-bound calls

// Owned by the call that takes it.
VARIANT Text(const wchar_t* text) { return plat::ArgText(SysAllocString(text)); }

VARIANT Real(double number) {
  VARIANT v;
  V_VT(&v) = VT_R8;
  V_R8(&v) = number;
  return v;
}

VARIANT Object(IDispatch* object) {
  VARIANT v;
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = object;
  object->AddRef();
  return v;
}

VARIANT Reference(VARIANT* target) {
  VARIANT v;
  V_VT(&v) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&v) = target;
  return v;
}

// One late-bound call's arguments as Invoke takes them: the named ones first, then the
// positional ones last first. Owns its values; a reference refers to `referred`.
struct Call {
  std::vector<VARIANT> args;
  std::vector<DISPID> names;
  VARIANT referred = {};
  ~Call() {
    for (VARIANT& v : args)
      if (!(V_VT(&v) & VT_BYREF)) VariantClear(&v);
    VariantClear(&referred);
  }
};

class LateBoundIds : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wqstandins::CreateWorkspace(ws_), S_OK);
    ASSERT_EQ(ws_.query_to(workspace_), S_OK);
    wqstandins::SetReply(ws_.get(), kServerProgId, L"*", L"Pump");
    wqstandins::SetReply(ws_.get(), kServerProgId, L"RunRule",
                         L"<!--SimpleResponse--><Variant vt=\"8\" value=\"done\"/>");
    ASSERT_EQ(Create(L"WQCGenericSvcs.Main", main_), S_OK);
    ASSERT_EQ(Create(L"WQCGenericSvcs.WQCSelectKBDlg", selectKb_), S_OK);
  }

  static HRESULT Create(const wchar_t* progId, plat::com_ptr<IDispatch>& object) {
    CLSID clsid;
    PLAT_RETURN_IF_FAILED(CLSIDFromProgID(progId, &clsid));
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object.put_void());
  }

  // Invokes `member`; the failure's code (the exception's when there is one) and description.
  HRESULT Invoke(IDispatch* object, const wchar_t* member, WORD flags, Call& call,
                 std::wstring* description = nullptr) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    DISPPARAMS params{call.args.data(), call.names.empty() ? nullptr : call.names.data(),
                      static_cast<UINT>(call.args.size()), static_cast<UINT>(call.names.size())};
    plat::unique_variant result;
    EXCEPINFO exception = {};
    UINT argErr = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, &result, &exception, &argErr);
    if (hr == DISP_E_EXCEPTION) hr = exception.scode;
    if (description) *description = exception.bstrDescription ? exception.bstrDescription : L"";
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    SetErrorInfo(0, nullptr);
    return hr;
  }

  LONG Requests() const { return wqstandins::RequestCount(ws_.get()); }

  LONG KbCaseId() {
    Call none;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(L"CaseID");
    EXPECT_EQ(selectKb_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    DISPPARAMS params{};
    plat::unique_variant result;
    EXPECT_EQ(selectKb_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr,
                                nullptr),
              S_OK);
    return V_VT(&result) == VT_I4 ? V_I4(&result) : -999;
  }

  plat::com_ptr<IWQStandinWorkspace> ws_;
  plat::com_ptr<IDispatch> workspace_;
  plat::com_ptr<IDispatch> main_;
  plat::com_ptr<IDispatch> selectKb_;
};

// ObjectDisplayName(workspace, lOID) with its id named, alone or with the workspace, directly
// or by reference: a value the type library would read as another id is refused as given by
// position, and nothing is sent; a whole number goes through as it is.
TEST_F(LateBoundIds, NamedIdsAreCheckedAsPositionalOnes) {
  enum Way { kPositional, kBothNamed, kIdNamed, kIdNamedByReference, kIdAsPutValue };
  for (const Way way : {kPositional, kBothNamed, kIdNamed, kIdNamedByReference, kIdAsPutValue}) {
    for (const auto& [what, value] :
         {std::pair{"a list in text", Text(L"1,2")}, std::pair{"a fraction", Real(12.5)},
          std::pair{"a text with a tail", Text(L"12abc")}}) {
      SCOPED_TRACE(testing::Message() << what << ", way " << way);
      Call call;
      VARIANT id = value;
      if (way == kIdNamedByReference) {
        call.referred = id;
        id = Reference(&call.referred);
      }
      switch (way) {
        case kPositional: call.args = {id, Object(workspace_.get())}; break;
        case kBothNamed:
          call.args = {id, Object(workspace_.get())};
          call.names = {1, 0};
          break;
        case kIdNamed:
        case kIdNamedByReference:
          call.args = {id, Object(workspace_.get())};
          call.names = {1};
          break;
        case kIdAsPutValue:
          call.args = {id, Object(workspace_.get())};
          call.names = {DISPID_PROPERTYPUT};
          break;
      }
      std::wstring description;
      const HRESULT hr =
          Invoke(main_.get(), L"ObjectDisplayName", DISPATCH_METHOD, call, &description);
      EXPECT_TRUE(FAILED(hr));
      EXPECT_EQ(Requests(), 0) << wqstandins::RequestXml(ws_.get(), 1, false).c_str();
      if (way != kIdAsPutValue) {
        EXPECT_EQ(hr, E_INVALIDARG);
        EXPECT_NE(description.find(kObjectIdMessage), std::wstring::npos);
      }
    }
  }

  // Beyond a long, named or not: the range's text, not the type library's bare overflow.
  for (const std::vector<DISPID>& names : {std::vector<DISPID>{}, std::vector<DISPID>{1, 0}}) {
    Call beyond;
    beyond.args = {Real(3000000000.0), Object(workspace_.get())};
    beyond.names = names;
    std::wstring description;
    EXPECT_EQ(Invoke(main_.get(), L"ObjectDisplayName", DISPATCH_METHOD, beyond, &description),
              DISP_E_OVERFLOW);
    EXPECT_NE(description.find(kObjectIdRangeMessage), std::wstring::npos) << description.c_str();
    EXPECT_EQ(Requests(), 0);
  }

  Call named;
  named.args = {Text(L"12"), Object(workspace_.get())};
  named.names = {1, 0};
  EXPECT_EQ(Invoke(main_.get(), L"ObjectDisplayName", DISPATCH_METHOD, named), S_OK);
  ASSERT_EQ(Requests(), 1);
  EXPECT_NE(wqstandins::RequestXml(ws_.get(), 1, false).find(L"OID=\"12\""), std::wstring::npos)
      << wqstandins::RequestXml(ws_.get(), 1, false).c_str();

  // An id among others, named after positional arguments: RunKBRule(name, workspace, parent,
  // lCaseID, lDocOID, parameters) with the case named.
  Call mixed;
  mixed.args = {Text(L"1,2"),  Text(L"6"), Real(0), VARIANT{}, Object(workspace_.get()),
                Text(L"Check")};
  V_VT(&mixed.args[3]) = VT_I8;
  V_I8(&mixed.args[3]) = 0;
  mixed.names = {3, 4, 5};
  EXPECT_EQ(Invoke(main_.get(), L"RunKBRule", DISPATCH_METHOD, mixed), E_INVALIDARG);
  EXPECT_EQ(Requests(), 1);

  // The name named, the rest by position: the type library hands the positional arguments
  // to the parameters not named, from the left, so the parameters' "1,2" is no id and the
  // document's is.
  for (const bool idsWhole : {true, false}) {
    SCOPED_TRACE(testing::Message() << "ids whole " << idsWhole);
    Call named;
    named.args = {Text(L"Check"), Text(L"1,2"), Text(idsWhole ? L"7" : L"1,2"),
                  Text(L"6"),     VARIANT{},    Object(workspace_.get())};
    V_VT(&named.args[4]) = VT_I8;
    V_I8(&named.args[4]) = 0;
    named.names = {0};
    const LONG before = Requests();
    EXPECT_EQ(Invoke(main_.get(), L"RunKBRule", DISPATCH_METHOD, named),
              idsWhole ? S_OK : E_INVALIDARG);
    ASSERT_EQ(Requests(), before + (idsWhole ? 1 : 0));
    if (idsWhole) {
      const std::wstring sent = wqstandins::RequestXml(ws_.get(), before + 1, false);
      EXPECT_NE(sent.find(L"name=\"Check\""), std::wstring::npos) << sent.c_str();
      EXPECT_NE(sent.find(L"CaseID=\"6\""), std::wstring::npos) << sent.c_str();
      EXPECT_NE(sent.find(L"ActiveDocOid=\"7\""), std::wstring::npos) << sent.c_str();
    }
  }
}

// A put's value is checked whether it is named DISPID_PROPERTYPUT, given by position or by
// reference: the property keeps its value.
TEST_F(LateBoundIds, PropertyPutValuesAreChecked) {
  const LONG before = KbCaseId();
  for (const bool named : {true, false}) {
    for (const bool byReference : {false, true}) {
      SCOPED_TRACE(testing::Message() << "named " << named << ", by reference " << byReference);
      Call call;
      VARIANT value = Text(L"1,2");
      if (byReference) {
        call.referred = value;
        value = Reference(&call.referred);
      }
      call.args = {value};
      if (named) call.names = {DISPID_PROPERTYPUT};
      EXPECT_EQ(Invoke(selectKb_.get(), L"CaseID", DISPATCH_PROPERTYPUT, call), E_INVALIDARG);
      EXPECT_EQ(KbCaseId(), before);
    }
  }
  Call whole;
  whole.args = {Text(L"12")};
  whole.names = {DISPID_PROPERTYPUT};
  EXPECT_EQ(Invoke(selectKb_.get(), L"CaseID", DISPATCH_PROPERTYPUT, whole), S_OK);
  EXPECT_EQ(KbCaseId(), 12);
}

}  // namespace
