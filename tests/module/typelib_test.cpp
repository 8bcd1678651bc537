// The type library as clients that read it meet it (early binding, object browsers,
// #import): every optional parent window defaults to 0, and the whole library, dumped
// member by member, is the checked-in expectation.
#include <gtest/gtest.h>

#include "comtest.h"

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const GUID kMainClsid = {
    0x38000201, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

// The library behind a server object's IDispatch: the registered one, from the DLL.
plat::com_ptr<ITypeLib> RegisteredLibrary() {
  plat::com_ptr<IDispatch> main;
  EXPECT_EQ(
      CoCreateInstance(kMainClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, main.put_void()),
      S_OK);
  plat::com_ptr<ITypeInfo> info;
  plat::com_ptr<ITypeLib> library;
  if (!main || FAILED(main->GetTypeInfo(0, 0, info.put()))) return library;
  UINT index = 0;
  EXPECT_EQ(info->GetContainingTypeLib(library.put(), &index), S_OK);
  return library;
}

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

std::string Hex(unsigned long value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

std::string Name(ITypeInfo* info, MEMBERID member = MEMBERID_NIL, std::string* help = nullptr) {
  plat::unique_bstr name, doc;
  info->GetDocumentation(member, name.put(), doc.put(), nullptr, nullptr);
  if (help) *help = doc.get() ? " \"" + Narrow(doc.c_str()) + "\"" : "";
  return Narrow(name.c_str());
}

std::string TypeName(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR: return TypeName(info, *type.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + TypeName(info, *type.lptdesc) + ")";
    case VT_USERDEFINED: {
      plat::com_ptr<ITypeInfo> ref;
      if (FAILED(info->GetRefTypeInfo(type.hreftype, ref.put()))) return "?";
      return Name(ref.get());
    }
    case VT_I2: return "short";
    case VT_I4: return "long";
    case VT_I8: return "hyper";
    case VT_INT: return "int";
    case VT_UI4: return "unsigned long";
    case VT_R8: return "double";
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_VARIANT: return "VARIANT";
    case VT_DISPATCH: return "IDispatch*";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_HRESULT: return "HRESULT";
    case VT_VOID: return "void";
    case VT_I1: return "char";
    case VT_UI1: return "unsigned char";
    case VT_UI2: return "unsigned short";
    case VT_UINT: return "unsigned int";
    default: return "vt" + std::to_string(type.vt);
  }
}

std::string ValueText(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  std::string out = "vt" + std::to_string(V_VT(&value));
  if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
    out += ' ';
    out += Narrow(V_BSTR(&text));
    VariantClear(&text);
  }
  return out;
}

std::string ParamText(ITypeInfo* info, const ELEMDESC& param, const std::string& name) {
  const USHORT flags = param.paramdesc.wParamFlags;
  std::vector<std::string> attrs;
  if (flags & PARAMFLAG_FIN) attrs.push_back("in");
  if (flags & PARAMFLAG_FOUT) attrs.push_back("out");
  if (flags & PARAMFLAG_FRETVAL) attrs.push_back("retval");
  if (flags & PARAMFLAG_FOPT) attrs.push_back("optional");
  if ((flags & PARAMFLAG_FHASDEFAULT) && param.paramdesc.pparamdescex)
    attrs.push_back("defaultvalue(" + ValueText(param.paramdesc.pparamdescex->varDefaultValue) +
                    ")");
  std::string out = "[";
  for (size_t i = 0; i < attrs.size(); ++i) out += (i ? ", " : "") + attrs[i];
  return out + "] " + TypeName(info, param.tdesc) + " " + name;
}

void DumpFunctions(ITypeInfo* info, const TYPEATTR& attr, std::vector<std::string>* lines) {
  static const char* const kInvokeKinds[] = {"", "method", "propget", "",          "propput",
                                             "", "",       "",        "propputref"};
  for (UINT f = 0; f < attr.cFuncs; ++f) {
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(f, &func))) {
      lines->push_back("  func " + std::to_string(f) + " unreadable");
      continue;
    }
    BSTR names[32] = {};
    UINT count = 0;
    info->GetNames(func->memid, names, 32, &count);
    std::string help;
    Name(info, func->memid, &help);
    std::string line = "  " + std::string(kInvokeKinds[func->invkind & 8 ? 8 : func->invkind & 7]) +
                       " id(" + Hex(func->memid) + ") flags " + Hex(func->wFuncFlags) + " vft " +
                       std::to_string(func->oVft) + " " + TypeName(info, func->elemdescFunc.tdesc) +
                       " " + Narrow(names[0]) + "(";
    for (SHORT p = 0; p < func->cParams; ++p) {
      const UINT n = static_cast<UINT>(p) + 1;
      line += (p ? ", " : "") +
              ParamText(info, func->lprgelemdescParam[p], n < count ? Narrow(names[n]) : "");
    }
    lines->push_back(line + ") optional " + std::to_string(func->cParamsOpt) + help);
    for (UINT i = 0; i < count; ++i) SysFreeString(names[i]);
    info->ReleaseFuncDesc(func);
  }
}

void DumpTypeInfo(ITypeInfo* info, std::vector<std::string>* lines) {
  static const char* const kKinds[] = {"enum",          "record",  "module", "interface",
                                       "dispinterface", "coclass", "alias",  "union"};
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) {
    lines->push_back("unreadable type info");
    return;
  }
  std::string help;
  const std::string name = Name(info, MEMBERID_NIL, &help);
  lines->push_back(std::string(kKinds[attr->typekind % 8]) + " " + name + " " +
                   Narrow(wqtest::GuidText(attr->guid).c_str()) + " " +
                   std::to_string(attr->wMajorVerNum) + "." + std::to_string(attr->wMinorVerNum) +
                   " flags " + Hex(attr->wTypeFlags) + help);
  for (UINT i = 0; i < attr->cImplTypes; ++i) {
    HREFTYPE ref = 0;
    INT flags = 0;
    plat::com_ptr<ITypeInfo> base;
    info->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, base.put())))
      lines->push_back("  implements " + Name(base.get()) + " flags " + Hex(flags));
  }
  for (UINT v = 0; v < attr->cVars; ++v) {
    VARDESC* var = nullptr;
    if (FAILED(info->GetVarDesc(v, &var))) continue;
    std::string line = "  var id(" + Hex(var->memid) + ") " + Name(info, var->memid);
    if (var->varkind == VAR_CONST && var->lpvarValue) line += " = " + ValueText(*var->lpvarValue);
    lines->push_back(line);
    info->ReleaseVarDesc(var);
  }
  DumpFunctions(info, *attr, lines);
  const bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  HREFTYPE vtable = 0;
  plat::com_ptr<ITypeInfo> vtableSide;
  if (dual && SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable)) &&
      SUCCEEDED(info->GetRefTypeInfo(vtable, vtableSide.put())))
    DumpTypeInfo(vtableSide.get(), lines);
}

std::vector<std::string> Dump(ITypeLib* library) {
  std::vector<std::string> lines;
  TLIBATTR* attr = nullptr;
  if (FAILED(library->GetLibAttr(&attr))) return lines;
  plat::unique_bstr name, doc;
  library->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr);
  lines.push_back("library " + Narrow(name.c_str()) + " " +
                  Narrow(wqtest::GuidText(attr->guid).c_str()) + " " +
                  std::to_string(attr->wMajorVerNum) + "." + std::to_string(attr->wMinorVerNum) +
                  " flags " + Hex(attr->wLibFlags) + " \"" + Narrow(doc.c_str()) + "\"");
  library->ReleaseTLibAttr(attr);
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    plat::com_ptr<ITypeInfo> info;
    if (SUCCEEDED(library->GetTypeInfo(i, info.put()))) DumpTypeInfo(info.get(), &lines);
  }
  return lines;
}

class TypeLibrary : public testing::Test {
 protected:
  void TearDown() override { wqtest::ExpectUnloadable(L"WQCGenericSvcs.dll"); }
};

// widl cannot write these defaults: the build adds them to the library.
TEST_F(TypeLibrary, EveryOptionalParentWindowDefaultsToZero) {
  const std::set<std::string> expected = {
      "IWQCXMLDialog.ShowDialog",          "IWQCSelectCaseDlg.ShowDialog",
      "IWQCRenameCaseDlg.ShowDialog",      "IWQCSelectKBDlg.ShowDialog",
      "IWQCSelectClassDlg.ShowDialog",     "IWQCSelectObjectDlg.ShowDialog",
      "IWQCSelectUnitSetDlg.ShowDialog",   "IWQCAssocHoldDlg.ShowDialog",
      "IWQCClaimDlg.ShowDialog",           "IWQCUnClaimDlg.ShowDialog",
      "IWQCSelectDatasheetDlg.ShowDialog", "IWQCOpenDatasheetDlg.ShowDialog",
      "IWQCConflictResolution.Show",       "IWQCConflictResolution.ShowModifiedDocuments",
      "IWQCAccessControl.ShowRoles",       "IWQCAccessControl.ShowUsers"};
  plat::com_ptr<ITypeLib> library = RegisteredLibrary();
  ASSERT_TRUE(library);
  std::set<std::string> found;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    plat::com_ptr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfo(i, info.put()), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const WORD funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT f = 0; f < funcs; ++f) {
      FUNCDESC* func = nullptr;
      ASSERT_EQ(info->GetFuncDesc(f, &func), S_OK);
      BSTR names[16] = {};
      UINT count = 0;
      info->GetNames(func->memid, names, 16, &count);
      const std::string member = Name(info.get()) + "." + Narrow(names[0]);
      for (SHORT p = 0; p < func->cParams; ++p) {
        const PARAMDESC& param = func->lprgelemdescParam[p].paramdesc;
        if (!(param.wParamFlags & PARAMFLAG_FOPT) || func->lprgelemdescParam[p].tdesc.vt != VT_I8)
          continue;
        ASSERT_LT(static_cast<UINT>(p) + 1, count);
        EXPECT_EQ(Narrow(names[p + 1]), "lParentHWnd") << member;
        ASSERT_TRUE(param.wParamFlags & PARAMFLAG_FHASDEFAULT) << member;
        ASSERT_TRUE(param.pparamdescex) << member;
        EXPECT_EQ(V_VT(&param.pparamdescex->varDefaultValue), VT_I8) << member;
        EXPECT_EQ(V_I8(&param.pparamdescex->varDefaultValue), 0) << member;
        found.insert(member);
      }
      for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
      info->ReleaseFuncDesc(func);
    }
  }
  EXPECT_EQ(found, expected);
}

// The expectation is the IDL read back; after a change of the IDL, compare the new dump
// (written beside the test) with the IDL and check it in.
TEST_F(TypeLibrary, MatchesTheIdlMemberForMember) {
  plat::com_ptr<ITypeLib> library = RegisteredLibrary();
  ASSERT_TRUE(library);
  const std::vector<std::string> actual = Dump(library.get());
  std::vector<std::string> expected;
  std::ifstream in(WQ_TYPELIB_EXPECTED);
  ASSERT_TRUE(in) << "cannot read " << WQ_TYPELIB_EXPECTED;
  for (std::string line; std::getline(in, line);) expected.push_back(line);
  if (actual != expected) {
    std::ofstream out(Narrow(wqtest::ExecutableDirectory().c_str()) + "\\typelib.actual.txt");
    for (const std::string& line : actual) out << line << "\n";
  }
  for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    ASSERT_EQ(i < actual.size() ? actual[i] : "(end)", i < expected.size() ? expected[i] : "(end)")
        << "line " << i + 1 << " of the dump (typelib.actual.txt beside the test)";
  }
}

}  // namespace
