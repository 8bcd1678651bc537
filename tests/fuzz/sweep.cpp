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

namespace fuzz {

namespace {

const GUID kLibId = {0x38000000, 0xA35F, 0x4D89, {0x96, 0x0A, 0xB0, 0x75, 0xAD, 0x91, 0xA1, 0x5F}};

struct Member {
  CLSID clsid;
  std::wstring name;  // Class.Member
  MEMBERID id;
  INVOKEKIND kind;
  UINT params;  // without the return value
};

enum ArgumentSet {
  kNone, kEmpty, kNull, kMissing, kEmptyText, kWrongText, kMinusOne, kHuge, kHugeText, kArray,
  kNullObject, kObject, kTooMany, kArgumentSetCount
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
    UINT params = 0;
    for (SHORT p = 0; p < desc->cParams; ++p)
      if (!(desc->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++params;
    if (!(desc->wFuncFlags & FUNCFLAG_FRESTRICTED) && name.get() && !IsDispatchPlumbing(name.get()))
      out.push_back({clsid, className + L"." + name.get(), desc->memid, desc->invkind, params});
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
      const bool creatable = attr->typekind == TKIND_COCLASS && (attr->wTypeFlags & TYPEFLAG_FCANCREATE);
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

void Fill(VARIANT& v, ArgumentSet set, IDispatch* self) {
  VariantInit(&v);
  switch (set) {
    case kEmpty: break;
    case kNull: v.vt = VT_NULL; break;
    case kMissing: v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; break;
    case kEmptyText: v.vt = VT_BSTR; v.bstrVal = SysAllocString(L""); break;
    case kWrongText: v.vt = VT_BSTR; v.bstrVal = SysAllocString(L"<x a='&amp;'/> not a number"); break;
    case kMinusOne: v.vt = VT_I4; v.lVal = -1; break;
    case kHuge: v.vt = VT_I8; v.llVal = 0x7FFFFFFFFFFFFFFFLL; break;
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
    case kNullObject: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
    case kObject:
    case kTooMany:
      v.vt = VT_DISPATCH;
      v.pdispVal = self;
      if (self) self->AddRef();
      break;
    default: break;
  }
}

}  // namespace

SweepOutcome RunSweepCase(uint64_t index) {
  SweepOutcome outcome;
  const std::vector<Member>& members = Members();
  const uint64_t memberIndex = index / kArgumentSetCount;
  if (memberIndex >= members.size()) return outcome;
  const Member& member = members[memberIndex];
  const ArgumentSet set = static_cast<ArgumentSet>(index % kArgumentSetCount);
  outcome.exists = true;
  outcome.name = member.name + L" (argument set " + std::to_wstring(set) + L")";
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
  std::vector<VARIANT> args(count);
  for (VARIANT& v : args) Fill(v, set, &token);
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
  const HRESULT hr = object->Invoke(member.id, IID_NULL, 0x409, flags, &params, &result,
                                    &exception, &argError);
  // A failure of the method itself comes as an exception with its description.
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    outcome.missingErrorInfo = !exception.bstrDescription || !*exception.bstrDescription;
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  for (VARIANT& v : args) VariantClear(&v);
  SetErrorInfo(0, nullptr);
  object.reset();
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
