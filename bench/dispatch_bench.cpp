// Late-bound calls against ITypeInfo::Invoke of the same method on the same vtable (the
// platform's dispatch alone): Main's method that does nothing, and a method with an id
// parameter, whose argument the module looks at before the type library coerces it, with
// its arguments given by position and by name.
#include <windows.h>

#include "benchsupport.h"

namespace {

constexpr int kCalls = 100000;

// Invoke on the object against ITypeInfo::Invoke on it, `kCalls` calls each, in turns.
bench::Times TimeCalls(IDispatch* object, ITypeInfo* info, DISPID member, DISPPARAMS& params,
                       bool* ok) {
  return bench::MedianTimes(
      [&] {
        for (int i = 0; i < kCalls; ++i) {
          VARIANT result;
          VariantInit(&result);
          *ok = *ok && SUCCEEDED(object->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &params,
                                                &result, nullptr, nullptr));
          VariantClear(&result);
        }
      },
      [&] {
        for (int i = 0; i < kCalls; ++i) {
          VARIANT result;
          VariantInit(&result);
          *ok = *ok && SUCCEEDED(info->Invoke(object, member, DISPATCH_METHOD, &params, &result,
                                              nullptr, nullptr));
          VariantClear(&result);
        }
      });
}

// The object of `progId` as IDispatch, its type information and the DISPID of `name`.
bool Resolve(const wchar_t* progId, const wchar_t* name, plat::com_ptr<IDispatch>& object,
             plat::com_ptr<ITypeInfo>& info, DISPID* member) {
  LPOLESTR names = const_cast<LPOLESTR>(name);
  return bench::CreateRegistered(progId, IID_IDispatch, object) &&
         SUCCEEDED(object->GetTypeInfo(0, 0, info.put())) &&
         SUCCEEDED(object->GetIDsOfNames(IID_NULL, &names, 1, 0, member));
}

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "dispatch_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 1;
  {
    plat::com_ptr<IDispatch> main, request;
    plat::com_ptr<ITypeInfo> mainInfo, requestInfo;
    DISPID submit = DISPID_UNKNOWN;
    DISPID initialise = DISPID_UNKNOWN;
    if (!Resolve(L"WQCGenericSvcs.Main", L"SubmitDatasheets", main, mainInfo, &submit) ||
        !Resolve(L"WQCGenericSvcs.WQCKBDialogRequest", L"Initialise", request, requestInfo,
                 &initialise))
      return 1;
    bool ok = true;
    bench::PrintHeader("Late-bound calls, against ITypeInfo::Invoke on the same vtable");

    // SubmitDatasheets(workspace, datasheets, parent window), arguments last first.
    SAFEARRAY* datasheets = SafeArrayCreateVector(VT_I4, 0, 1);
    VARIANT args[3];
    V_VT(&args[0]) = VT_I8;
    V_I8(&args[0]) = 0;
    V_VT(&args[1]) = VT_ARRAY | VT_I4;
    V_ARRAY(&args[1]) = datasheets;
    V_VT(&args[2]) = VT_DISPATCH;
    V_DISPATCH(&args[2]) = nullptr;
    DISPPARAMS params{args, nullptr, 3, 0};
    bench::PrintFigure("Main Invoke of an empty method, per call", kCalls,
                       TimeCalls(main.get(), mainInfo.get(), submit, params, &ok), 1.3, true);

    // Initialise(strXML, lOID): by position (the id first in rgvarg), and both named.
    plat::unique_bstr xml = plat::unique_bstr::copy(L"<Dialog/>");
    VARIANT idArgs[2];
    V_VT(&idArgs[0]) = VT_I4;
    V_I4(&idArgs[0]) = 1001;
    V_VT(&idArgs[1]) = VT_BSTR;
    V_BSTR(&idArgs[1]) = xml.get();
    DISPPARAMS positional{idArgs, nullptr, 2, 0};
    bench::PrintFigure("a method with an id parameter, by position, per call", kCalls,
                       TimeCalls(request.get(), requestInfo.get(), initialise, positional, &ok),
                       1.3, true);
    DISPID names[2] = {1, 0};
    DISPPARAMS named{idArgs, names, 2, 2};
    bench::PrintFigure("a method with an id parameter, by name, per call", kCalls,
                       TimeCalls(request.get(), requestInfo.get(), initialise, named, &ok), 1.3,
                       true);
    SafeArrayDestroy(datasheets);
    status = ok && bench::AllMeasured() ? 0 : 1;
    if (!ok) std::printf("a call failed\n");
  }
  CoUninitialize();
  return status;
}
