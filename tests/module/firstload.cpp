// A client whose threads each create the server's first object in the process at once
// (tests/module/firstload.sh runs it many times): every thread must come back, and
// loading the server and making the object must load no library that only dialogs or
// account lookups need. Links nothing but the system's COM libraries, so that what is
// loaded is the server's doing.
//
// Usage: firstload.exe <threads> <ProgID>. Exits 0 when all is well; 1 when a creation
// failed or a library was loaded; 2 when a thread did not come back within the time, the
// process then ended without waiting for the loader (a thread may hold its lock).
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr int kMostThreads = 32;

// What the server must not load with itself or its first object.
const wchar_t* const kNotLoaded[] = {L"comctl32.dll", L"activeds.dll"};

struct Start {
  const wchar_t* progId;
  HANDLE go;
  HRESULT result = E_PENDING;
};

DWORD WINAPI CreateFirst(void* parameter) {
  Start& start = *static_cast<Start*>(parameter);
  // Each thread enters its apartment as it starts, so that one may be loading the display
  // driver (for its apartment's window) while another loads the server.
  WaitForSingleObject(start.go, INFINITE);
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) {
    start.result = hr;
    return 0;
  }
  CLSID clsid;
  IUnknown* object = nullptr;
  hr = CLSIDFromProgID(start.progId, &clsid);
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(&object));
  if (object) object->Release();
  start.result = hr;
  CoUninitialize();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int count = argc == 3 ? _wtoi(argv[1]) : 0;
  if (count < 1 || count > kMostThreads) {
    std::fprintf(stderr, "usage: firstload.exe <threads, 1 to %d> <ProgID>\n", kMostThreads);
    return 1;
  }
  const HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<Start> starts(count, Start{argv[2], go});
  std::vector<HANDLE> threads;
  for (Start& start : starts)
    threads.push_back(CreateThread(nullptr, 0, CreateFirst, &start, 0, nullptr));
  // The threads are made and wait at their start line; they all leave it at once.
  Sleep(50);
  SetEvent(go);
  if (WaitForMultipleObjects(count, threads.data(), TRUE, kTimeoutMs) != WAIT_OBJECT_0) {
    for (int i = 0; i < count; ++i)
      if (WaitForSingleObject(threads[i], 0) != WAIT_OBJECT_0)
        std::printf("thread %d of %d did not come back from creating %ls\n", i + 1, count, argv[2]);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 2);
  }
  int status = 0;
  for (int i = 0; i < count; ++i) {
    if (starts[i].result != S_OK) {
      std::printf("thread %d: creating %ls failed: 0x%08lx\n", i + 1, argv[2],
                  static_cast<unsigned long>(starts[i].result));
      status = 1;
    }
  }
  for (const wchar_t* library : kNotLoaded) {
    if (GetModuleHandleW(library)) {
      std::printf("%ls was loaded with the server's first object\n", library);
      status = 1;
    }
  }
  std::fflush(stdout);
  return status;
}
