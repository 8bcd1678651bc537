// The bad-argument sweep: every method and property of every creatable class in the
// registered type library, called late-bound with argument sets no client should send.
#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "fuzz.h"

#include <standinsclient.h>

namespace fuzz {

namespace {

const GUID kLibId = {0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

struct Member {
  CLSID clsid;
  std::wstring name;  // Class.Member
  MEMBERID id;
  INVOKEKIND kind;
  UINT params;                 // without the return value
  std::vector<VARTYPE> types;  // of those, VT_BYREF for a pointer (an out-parameter)
};

// The type a parameter takes as a VARIANT: a pointer is VT_BYREF of what it points to,
// anything unusual a VARIANT.
VARTYPE ParameterType(const TYPEDESC& type) {
  if (type.vt == VT_PTR && type.lptdesc) return VT_BYREF | ParameterType(*type.lptdesc);
  if (type.vt == VT_SAFEARRAY && type.lptdesc) return VT_ARRAY | ParameterType(*type.lptdesc);
  switch (type.vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_I8:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_BOOL:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
    case VT_HRESULT: return type.vt;
    default: return VT_VARIANT;
  }
}

enum ArgumentSet {
  kNone,
  kEmpty,
  kNull,
  kMissing,
  kEmptyText,
  kWrongText,
  kMinusOne,
  kHuge,
  kHugeText,
  kArray,
  kNullObject,
  kObject,
  kTooMany,
  kArgumentSetCount
};

bool IsDispatchPlumbing(const std::wstring& name) {
  for (const wchar_t* n : {L"QueryInterface", L"AddRef", L"Release", L"GetTypeInfoCount",
                           L"GetTypeInfo", L"GetIDsOfNames", L"Invoke"})
    if (name == n) return true;
  return false;
}

void AddMembers(ITypeInfo* type, const CLSID& clsid, const std::wstring& className,
                std::vector<Member>& out) {
  TYPEATTR* attr = nullptr;
  if (FAILED(type->GetTypeAttr(&attr))) return;
  for (UINT f = 0; f < attr->cFuncs; ++f) {
    FUNCDESC* desc = nullptr;
    if (FAILED(type->GetFuncDesc(f, &desc))) continue;
    plat::unique_bstr name;
    type->GetDocumentation(desc->memid, name.put(), nullptr, nullptr, nullptr);
    std::vector<VARTYPE> types;
    for (SHORT p = 0; p < desc->cParams; ++p)
      if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
        types.push_back(ParameterType(desc->lprgelemdescParam[p].tdesc));
    if (!(desc->wFuncFlags & FUNCFLAG_FRESTRICTED) && name.get() && !IsDispatchPlumbing(name.get()))
      out.push_back({clsid, className + L"." + name.get(), desc->memid, desc->invkind,
                     static_cast<UINT>(types.size()), types});
    type->ReleaseFuncDesc(desc);
  }
  type->ReleaseTypeAttr(attr);
}

const std::vector<Member>& Members() {
  static const std::vector<Member> members = [] {
    std::vector<Member> out;
    plat::com_ptr<ITypeLib> library;
    if (FAILED(LoadRegTypeLib(kLibId, 380, 0, 0x409, library.put())) &&
        FAILED(LoadRegTypeLib(kLibId, 380, 0, LOCALE_NEUTRAL, library.put())))
      return out;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
      plat::com_ptr<ITypeInfo> coclass;
      if (FAILED(library->GetTypeInfo(i, coclass.put()))) continue;
      TYPEATTR* attr = nullptr;
      if (FAILED(coclass->GetTypeAttr(&attr))) continue;
      const bool creatable =
          attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FCANCREATE);
      const CLSID clsid = attr->guid;
      const WORD implementedCount = attr->cImplTypes;
      coclass->ReleaseTypeAttr(attr);
      if (!creatable) continue;
      plat::unique_bstr className;
      coclass->GetDocumentation(MEMBERID_NIL, className.put(), nullptr, nullptr, nullptr);
      for (WORD t = 0; t < implementedCount; ++t) {
        INT flags = 0;
        HREFTYPE ref = 0;
        plat::com_ptr<ITypeInfo> implemented;
        if (FAILED(coclass->GetImplTypeFlags(t, &flags)) || !(flags & IMPLTYPEFLAG_FDEFAULT) ||
            (flags & IMPLTYPEFLAG_FSOURCE) || FAILED(coclass->GetRefTypeOfImplType(t, &ref)) ||
            FAILED(coclass->GetRefTypeInfo(ref, implemented.put())))
          continue;
        // A dual interface's dispatch view lists what a late-bound client calls.
        HREFTYPE dispatchRef = 0;
        plat::com_ptr<ITypeInfo> dispatchView;
        if (SUCCEEDED(implemented->GetRefTypeOfImplType(static_cast<UINT>(-1), &dispatchRef)) &&
            SUCCEEDED(implemented->GetRefTypeInfo(dispatchRef, dispatchView.put())))
          implemented = std::move(dispatchView);
        AddMembers(implemented.get(), clsid, className.get() ? className.get() : L"?", out);
      }
    }
    return out;
  }();
  return members;
}

// An object to pass where the method takes one: it counts its references, so a call that
// keeps one after everything was released shows.
class Token final : public IDispatch {
 public:
  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&refs_); }
  STDMETHOD_(ULONG, Release)() override { return InterlockedDecrement(&refs_); }
  STDMETHOD(GetTypeInfoCount)(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  LONG References() const { return refs_; }

 private:
  LONG refs_ = 1;
};

// Failures the dispatcher gives before a method runs: what leaks then is not the method's.
bool IsDispatcherFailure(HRESULT hr) {
  return hr == DISP_E_TYPEMISMATCH || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND ||
         hr == DISP_E_BADVARTYPE || hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_OVERFLOW ||
         hr == DISP_E_NONAMEDARGS;
}

void SetObject(VARIANT& v, IDispatch* object) {
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  if (object) object->AddRef();
}

// One call of the sweep: every argument bad the same way (position -1), or one argument
// bad and the others what a client would pass.
struct Case {
  size_t member;
  int position;
  ArgumentSet set;
};

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = [] {
    std::vector<Case> out;
    const std::vector<Member>& members = Members();
    for (size_t m = 0; m < members.size(); ++m) {
      for (int set = 0; set < kArgumentSetCount; ++set)
        out.push_back({m, -1, static_cast<ArgumentSet>(set)});
      if (members[m].params < 2) continue;  // the cases above cover a single argument
      for (UINT p = 0; p < members[m].params; ++p)
        for (int set = kEmpty; set < kTooMany; ++set)
          out.push_back({m, static_cast<int>(p), static_cast<ArgumentSet>(set)});
    }
    return out;
  }();
  return cases;
}

// What a client would pass for a parameter of type `vt`; an out-parameter points into
// `storage`, which outlives the call.
void FillPlausible(VARIANT& v, VARTYPE vt, IDispatch* workspace, VARIANT& storage) {
  VariantInit(&v);
  VariantInit(&storage);
  if (vt & VT_BYREF) {
    const VARTYPE target = vt & ~VT_BYREF;
    v.vt = vt;
    v.byref = target == VT_VARIANT ? static_cast<void*>(&storage)
                                   : static_cast<void*>(&storage.llVal);  // zeroed: no value
    return;
  }
  if (vt & VT_ARRAY) {
    const VARTYPE element = (vt & ~VT_ARRAY) == VT_VARIANT ? VT_VARIANT : VT_I4;
    SAFEARRAY* array = SafeArrayCreateVector(element, 0, 1);
    if (array && element == VT_VARIANT) {
      VARIANT* items = static_cast<VARIANT*>(array->pvData);
      items[0].vt = VT_I4;
      items[0].lVal = 1;
    } else if (array) {
      static_cast<LONG*>(array->pvData)[0] = 1;
    }
    v.vt = VT_ARRAY | element;
    v.parray = array;
    return;
  }
  switch (vt) {
    case VT_BSTR:
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(L"1");
      break;
    case VT_BOOL:
      v.vt = VT_BOOL;
      v.boolVal = VARIANT_TRUE;
      break;
    case VT_I8:
      v.vt = VT_I8;
      v.llVal = 0;
      break;  // a window handle: none
    case VT_DISPATCH:
    case VT_UNKNOWN: SetObject(v, workspace); break;
    default:
      v.vt = VT_I4;
      v.lVal = 1;
      break;
  }
}

void Fill(VARIANT& v, ArgumentSet set, IDispatch* self) {
  VariantInit(&v);
  switch (set) {
    case kEmpty: break;
    case kNull: v.vt = VT_NULL; break;
    case kMissing:
      v.vt = VT_ERROR;
      v.scode = DISP_E_PARAMNOTFOUND;
      break;
    case kEmptyText:
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(L"");
      break;
    case kWrongText:
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(L"<x a='&amp;'/> not a number");
      break;
    case kMinusOne:
      v.vt = VT_I4;
      v.lVal = -1;
      break;
    case kHuge:
      v.vt = VT_I8;
      v.llVal = 0x7FFFFFFFFFFFFFFFLL;
      break;
    case kHugeText: {
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(nullptr, 1 << 20);
      for (UINT i = 0; i < (1u << 20); ++i) v.bstrVal[i] = L'A' + i % 26;
      break;
    }
    case kArray: {
      SAFEARRAYBOUND bound{3, 0};
      v.vt = VT_ARRAY | VT_VARIANT;
      v.parray = SafeArrayCreate(VT_VARIANT, 1, &bound);
      break;
    }
    case kNullObject:
      v.vt = VT_DISPATCH;
      v.pdispVal = nullptr;
      break;
    case kObject:
    case kTooMany: SetObject(v, self); break;
    default: break;
  }
}

}  // namespace

SweepOutcome RunSweepCase(uint64_t index) {
  SweepOutcome outcome;
  if (index >= Cases().size()) return outcome;
  const Case& sweepCase = Cases()[index];
  const Member& member = Members()[sweepCase.member];
  const ArgumentSet set = sweepCase.set;
  outcome.exists = true;
  outcome.name =
      member.name + L" (argument set " + std::to_wstring(set) +
      (sweepCase.position >= 0 ? L" at argument " + std::to_wstring(sweepCase.position + 1)
                               : std::wstring(L" everywhere")) +
      L")";
  if (GetEnvironmentVariableW(L"WQFUZZ_VERBOSE", nullptr, 0)) {
    fwprintf(stdout, L"%llu: %ls\n", static_cast<unsigned long long>(index), outcome.name.c_str());
    fflush(stdout);
  }

  plat::com_ptr<IDispatch> object;
  if (FAILED(CoCreateInstance(member.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              object.put_void())))
    return outcome;
  const UINT count = set == kNone ? 0 : set == kTooMany ? member.params + 2 : member.params;
  // A token someone still holds is never freed: it outlives this case.
  Token* tokenObject = new Token;
  Token& token = *tokenObject;
  // The stand-ins stay loaded for the run: like the server, they take a TLS slot at every
  // load, and freeing unused libraries after each case would reload them a thousand times.
  static plat::com_ptr<IWQStandinWorkspace> keepStandinsLoaded;
  if (!keepStandinsLoaded) wqstandins::CreateWorkspace(keepStandinsLoaded);
  plat::com_ptr<IWQStandinWorkspace> workspace;
  wqstandins::CreateWorkspace(workspace);
  std::vector<VARIANT> args(count);
  std::vector<VARIANT> storage(count);
  // rgvarg holds the arguments last first.
  for (UINT i = 0; i < count; ++i) {
    const UINT position = count - 1 - i;
    if (sweepCase.position < 0 || static_cast<int>(position) == sweepCase.position)
      Fill(args[i], set, &token);
    else
      FillPlausible(args[i], member.types[position], workspace.get(), storage[i]);
  }
  DISPPARAMS params{args.data(), nullptr, count, 0};
  DISPID named = DISPID_PROPERTYPUT;
  WORD flags = static_cast<WORD>(member.kind);
  if (member.kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) {
    if (count == 0) return outcome;  // a put without a value is the dispatcher's business
    params.rgdispidNamedArgs = &named;
    params.cNamedArgs = 1;
  }
  plat::unique_variant result;
  EXCEPINFO exception{};
  UINT argError = 0;
  SetErrorInfo(0, nullptr);
  const HRESULT hr =
      object->Invoke(member.id, IID_NULL, 0x409, flags, &params, &result, &exception, &argError);
  // A failure of the method itself comes as an exception with its description.
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    outcome.missingErrorInfo = !exception.bstrDescription || !*exception.bstrDescription;
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  for (UINT i = 0; i < count; ++i) {
    if (!(args[i].vt & VT_BYREF)) {
      VariantClear(&args[i]);
      continue;
    }
    // What an out-parameter received is the caller's to free.
    const VARTYPE target = args[i].vt & ~VT_BYREF;
    void* received = reinterpret_cast<void*>(storage[i].llVal);
    if (target == VT_VARIANT)
      VariantClear(&storage[i]);
    else if (target == VT_BSTR)
      SysFreeString(static_cast<BSTR>(received));
    else if ((target == VT_DISPATCH || target == VT_UNKNOWN) && received)
      static_cast<IUnknown*>(received)->Release();
    else if ((target & VT_ARRAY) && received)
      SafeArrayDestroy(static_cast<SAFEARRAY*>(received));
  }
  SetErrorInfo(0, nullptr);
  object.reset();
  workspace.reset();
  if (token.References() == 1) {
    delete tokenObject;
  } else {
    wchar_t code[16];
    _snwprintf(code, 16, L"%08lx", static_cast<unsigned long>(hr));
    code[15] = L'\0';
    outcome.leak = true;
    outcome.leakIsWine = IsDispatcherFailure(hr);
    outcome.name += L": an argument keeps " + std::to_wstring(token.References() - 1) +
                    L" references (HRESULT 0x" + code + L")";
  }
  return outcome;
}

HRESULT SweepCanUnload() {
  CoFreeUnusedLibrariesEx(0, 0);
  return ServerCanUnloadNow();
}

// Closes every window of the process a few times a second: a method that shows a modal
// dialog returns once it is cancelled.
void StartDialogCloser() {
  std::thread([] {
    for (;;) {
      Sleep(150);
      EnumWindows(
          [](HWND window, LPARAM) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
              PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
              PostMessageW(window, WM_CLOSE, 0, 0);
            }
            return TRUE;
          },
          0);
    }
  }).detach();
}

}  // namespace fuzz
