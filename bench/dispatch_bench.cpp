// Late-bound calls: Main's IDispatch::Invoke of a method that does nothing, against
// ITypeInfo::Invoke of the same method on the same vtable (the platform's dispatch alone).
#include <windows.h>

#include "benchsupport.h"

namespace {

constexpr int kCalls = 100000;

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "dispatch_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int status = 1;
  {
    plat::com_ptr<IDispatch> main;
    plat::com_ptr<ITypeInfo> info;
    LPOLESTR name = const_cast<LPOLESTR>(L"SubmitDatasheets");
    DISPID member = DISPID_UNKNOWN;
    if (!bench::CreateRegistered(L"WQCGenericSvcs.Main", IID_IDispatch, main) ||
        FAILED(main->GetTypeInfo(0, 0, info.put())) ||
        FAILED(main->GetIDsOfNames(IID_NULL, &name, 1, 0, &member)))
      return 1;

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
    bool ok = true;

    const bench::Times times = bench::MedianTimes(
        [&] {
          for (int i = 0; i < kCalls; ++i) {
            VARIANT result;
            VariantInit(&result);
            ok = ok && SUCCEEDED(main->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &params,
                                              &result, nullptr, nullptr));
            VariantClear(&result);
          }
        },
        [&] {
          for (int i = 0; i < kCalls; ++i) {
            VARIANT result;
            VariantInit(&result);
            ok = ok && SUCCEEDED(info->Invoke(main.get(), member, DISPATCH_METHOD, &params, &result,
                                              nullptr, nullptr));
            VariantClear(&result);
          }
        });
    bench::PrintHeader("Late-bound calls, against ITypeInfo::Invoke on the same vtable");
    bench::PrintFigure("Main Invoke of an empty method, per call", kCalls, times, 1.3, true);
    SafeArrayDestroy(datasheets);
    status = ok && bench::AllMeasured() ? 0 : 1;
    if (!ok) std::printf("a call failed\n");
  }
  CoUninitialize();
  return status;
}
