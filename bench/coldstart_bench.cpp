// The first object of the server in a fresh process: creating Main loads the module, against
// creating the stand-ins' workspace, which loads their DLL (a server of the same kind,
// linked the same way, that loads nothing else). Each creation runs in a process of its
// own, started by this one in turns with its floor's; the child times its one creation
// (the apartment entered first, as a client's is) and answers with the time in its exit
// code.
#include <windows.h>

#include <cwchar>
#include <string>

#include "benchsupport.h"

namespace {

constexpr wchar_t kChildSwitch[] = L"--create-first";
// Exit codes of a child: microseconds of its creation, from 1 up to this; 0 when it failed.
constexpr DWORD kLongestMicroseconds = 60'000'000;

// In the child: creates `progId`'s object, the first in the process, and times it.
int CreateFirst(const wchar_t* progId) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 0;
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return 0;
  IUnknown* object = nullptr;
  const double seconds = bench::Time([&] {
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                     reinterpret_cast<void**>(&object));
  });
  if (!object) return 0;
  object->Release();
  const double microseconds = seconds * 1e6;
  return microseconds < 1 ? 1
                          : static_cast<int>(std::min<double>(microseconds, kLongestMicroseconds));
}

// Seconds that a child took to create `progId`'s first object; 0 when it could not.
double ColdCreation(const wchar_t* progId) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return 0;
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + kChildSwitch + L" " + progId;
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 0;
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &code) || code > kLongestMicroseconds)
    code = 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code / 1e6;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], kChildSwitch) == 0) return CreateFirst(argv[2]);
  if (!bench::TakesNoArguments(argc, "coldstart_bench")) return 2;
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, ColdCreation(L"WQCGenericSvcs.Main"));
    turns.Add(1, ColdCreation(L"WQStandins.Workspace"));
  }
  bench::PrintHeader("The first object in a fresh process, against the stand-ins' DLL's", "module",
                     "stand-ins");
  bench::PrintFigure("Main created cold (its DLL loaded)", 0, {turns.Median(0), turns.Median(1)},
                     2.0);
  return bench::AllMeasured() ? 0 : 1;
}
