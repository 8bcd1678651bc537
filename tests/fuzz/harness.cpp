// The driver and the child of the fuzzer and the sweep (see fuzz.h).
//
//   wqfuzz run [--inputs N] [--seed S] [--jobs J] [--formats a,b|all|none] [--sweep]
//              [--out DIR] [--timeout MS]
//   wqfuzz replay DIR     every kept input of DIR, in-process: "<format>.<what>.fail.xml"
//                         must be refused, "<format>.<what>.any.xml" only read
//   wqfuzz oracle         the oracle's verdicts on inputs of known meaning
//   wqfuzz digests        the fuzzer's own walks over answers made by hand
//   wqfuzz isolate DIR    every kept input of DIR in a child of its own: a crash or hang
//                         must be Wine's
//   wqfuzz show FORMAT SEED INDEX, wqfuzz show FILE
//                         one input (or one kept in FILE) printed, then read in a child: its
//                         answers and verdict, or the crash or hang named
#include <windows.h>
#include <psapi.h>

#include <handles.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fuzz.h"

namespace fuzz {

namespace {

enum FaultKind : LONG { kNoFault = 0, kCrash = 1, kHang = 2, kMemory = 3 };

// What a child and its driver share.
struct Shared {
  volatile LONG index;  // the input running, -1 between inputs
  volatile LONG finished;
  volatile LONGLONG started;                                   // tick count at the input's start
  LONG tried, wrong, leaks, leaksWine, external, noErrorInfo;  // counted by the child only
  volatile LONG faultKind, faultOurs;
  volatile DWORD faultCode;
  volatile HRESULT canUnload;
  volatile LONGLONG elapsedMs;  // of the last input, when it ended
  wchar_t faultModule[64];
};

Shared* shared = nullptr;
HANDLE mainThread = nullptr;
std::atomic<LONG> pipeOpens{0};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::wstring TempDir() {
  wchar_t path[MAX_PATH];
  GetTempPathW(MAX_PATH, path);
  return path;
}

// Kept inputs are UTF-8, or UTF-16 with its mark when the text holds what UTF-8 cannot
// (a lone surrogate).
void SaveInput(const std::wstring& dir, const std::wstring& name, const std::wstring& xml) {
  CreateDirectoryW(dir.c_str(), nullptr);
  FILE* f = _wfopen((dir + L"\\" + name).c_str(), L"wb");
  if (!f) return;
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, xml.data(),
                                       static_cast<int>(xml.size()), nullptr, 0, nullptr, nullptr);
  if (size > 0 || xml.empty()) {
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, xml.data(), static_cast<int>(xml.size()), &bytes[0], size,
                        nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
  } else {
    const wchar_t bom = 0xFEFF;
    fwrite(&bom, sizeof(bom), 1, f);
    fwrite(xml.data(), sizeof(wchar_t), xml.size(), f);
  }
  fclose(f);
}

bool LoadInput(const std::wstring& path, std::wstring& xml) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return false;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
  fclose(f);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    xml.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    return true;
  }
  xml.resize(bytes.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                         &xml[0], static_cast<int>(xml.size()));
  xml.resize(static_cast<size_t>(length > 0 ? length : 0));
  return true;
}

// ---------------------------------------------------------------- attribution

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
  return _wcsnicmp(text, prefix, wcslen(prefix)) == 0;
}

// Walks the faulting stack: the first frame in our code (the executable, which links the
// module's code, or the server DLL) makes the fault ours; the first in Wine's XML reader
// makes it Wine's. Runtime and system frames between are skipped: they were called.
// Nothing here allocates, since the heap may be what broke.
// The module of an address when it is ours (1) or Wine's XML reader (0); -1 otherwise.
int Owner(DWORD64 address, wchar_t (&name)[MAX_PATH]) {
  HMODULE module = nullptr;
  name[0] = L'\0';
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(address), &module);
  if (!module) return -1;
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(module, path, MAX_PATH);
  const wchar_t* base = wcsrchr(path, L'\\') ? wcsrchr(path, L'\\') + 1 : path;
  lstrcpynW(name, base, MAX_PATH);
  if (module == GetModuleHandleW(nullptr) || _wcsicmp(base, L"WQCGenericSvcs.dll") == 0) return 1;
  if (StartsWithNoCase(base, L"msxml") || StartsWithNoCase(base, L"xmllite")) return 0;
  return -1;
}

// Steps `context` to its caller; false where there is no unwind data.
bool UnwindOne(CONTEXT& context) {
  DWORD64 imageBase = 0;
  PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
  if (!function) return false;
  void* handlerData = nullptr;
  DWORD64 establisher = 0;
  RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                   &establisher, nullptr);
  return true;
}

// When unwinding finds no owner (a thread stopped in Wine's system side has no unwind
// data there), the innermost return address of either owner on the stack decides.
bool ScanStack(DWORD64 rsp) {
  MEMORY_BASIC_INFORMATION region{};
  if (!VirtualQuery(reinterpret_cast<void*>(rsp), &region, sizeof(region))) return false;
  const DWORD64 end = reinterpret_cast<DWORD64>(region.BaseAddress) + region.RegionSize;
  wchar_t name[MAX_PATH];
  for (DWORD64 p = rsp & ~7ull; p + 8 <= end && p < rsp + (512u << 10); p += 8) {
    const int owner = Owner(*reinterpret_cast<DWORD64*>(p), name);
    if (owner < 0) continue;
    shared->faultOurs = owner;
    lstrcpynW(shared->faultModule, name, 64);
    return true;
  }
  return false;
}

void Attribute(CONTEXT context) {
  const DWORD64 stack = context.Rsp;
  wchar_t first[64] = L"?";
  for (int frame = 0; frame < 128 && context.Rip; ++frame) {
    wchar_t name[MAX_PATH];
    const int owner = Owner(context.Rip, name);
    if (frame == 0) lstrcpynW(first, *name ? name : L"?", 64);
    if (owner >= 0) {
      shared->faultOurs = owner;
      lstrcpynW(shared->faultModule, name, 64);
      return;
    }
    if (!UnwindOne(context)) break;
  }
  if (ScanStack(stack)) return;
  shared->faultOurs = 0;
  lstrcpynW(shared->faultModule, first, 64);
}

// abort() (a C++ exception nobody caught, a runtime check) ends the process without an
// exception: the stack above the runtime's abort decides whose it was.
void OnAbort(int) {
  CONTEXT context{};
  RtlCaptureContext(&context);
  shared->faultKind = kCrash;
  shared->faultCode = 3;
  bool pastRuntime = false;
  for (int frame = 0; frame < 128 && context.Rip; ++frame) {
    wchar_t name[MAX_PATH];
    const int owner = Owner(context.Rip, name);
    if (GetEnvironmentVariableW(L"WQFUZZ_VERBOSE", nullptr, 0)) {
      HMODULE module = nullptr;
      GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(context.Rip), &module);
      fwprintf(stdout, L"  abort frame %d: %ls+0x%llx\n", frame, name,
               static_cast<unsigned long long>(context.Rip - reinterpret_cast<DWORD64>(module)));
    }
    const bool runtime = StartsWithNoCase(name, L"msvcrt") || StartsWithNoCase(name, L"ucrtbase");
    if (runtime) pastRuntime = true;
    if (pastRuntime && !runtime && owner >= 0 && !shared->faultModule[0]) {
      shared->faultOurs = owner;
      lstrcpynW(shared->faultModule, name, 64);
      if (!GetEnvironmentVariableW(L"WQFUZZ_VERBOSE", nullptr, 0)) break;
    }
    if (!UnwindOne(context)) break;
  }
  fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 3);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pointers) {
  shared->faultKind = kCrash;
  shared->faultCode = pointers->ExceptionRecord->ExceptionCode;
  Attribute(*pointers->ContextRecord);
  TerminateProcess(GetCurrentProcess(), pointers->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void EndStuckInput(FaultKind kind) {
  HANDLE thread = mainThread;
  shared->faultKind = kind;
  shared->faultOurs = 1;  // unless the stack says otherwise
  lstrcpynW(shared->faultModule, L"(main thread not suspended)", 64);
  if (thread && SuspendThread(thread) != static_cast<DWORD>(-1)) {
    alignas(16) CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    lstrcpynW(shared->faultModule, L"(no thread context)", 64);
    if (GetThreadContext(thread, &context)) Attribute(context);
  }
  TerminateProcess(GetCurrentProcess(), 0xC0DE0000 | kind);
}

// Ends an input that runs past its time or makes the process too big.
void Watchdog(LONGLONG limitMs) {
  for (;;) {
    Sleep(50);
    const LONG index = shared->index;
    if (index < 0) continue;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)) &&
        memory.PrivateUsage > (1536ull << 20))
      EndStuckInput(kMemory);
    if (static_cast<LONGLONG>(GetTickCount64()) - shared->started > limitMs &&
        shared->index == index)
      EndStuckInput(kHang);
  }
}

// Counts every opening of the pipe an external entity may name, and answers the marker.
void PipeServer() {
  for (;;) {
    HANDLE pipe = CreateNamedPipeW(ExternalPipeName().c_str(), PIPE_ACCESS_OUTBOUND,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 4096, 4096,
                                   0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return;
    if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
      ++pipeOpens;
      DWORD written = 0;
      WriteFile(pipe, "WQFUZZEXTERNAL", 14, &written, nullptr);
      FlushFileBuffers(pipe);
      DisconnectNamedPipe(pipe);
    }
    CloseHandle(pipe);
  }
}

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof(memory));
  return memory.PrivateUsage;
}

// Live blocks in every heap of the process: each string, stream or object a reader makes
// is one (BSTRs too: the driver turns the system's string cache off for its children).
LONGLONG LiveHeapBlocks() {
  HANDLE heaps[256];
  const DWORD count = GetProcessHeaps(256, heaps);
  LONGLONG blocks = 0;
  for (DWORD h = 0; h < count && h < 256; ++h) {
    if (!HeapLock(heaps[h])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[h], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
    HeapUnlock(heaps[h]);
  }
  return blocks;
}

// How many more heap blocks live after reading `xml` kReads more times, once the reader's
// and the system's caches have filled: a reader that leaks one thing per read (a string, a
// stream) leaves at least kReads. Each read is an input for the watchdog.
constexpr int kReads = 48;
LONGLONG GrowthPerReads(const Reader& reader, const std::wstring& xml, LONG index) {
  const auto read = [&] {
    shared->started = GetTickCount64();
    shared->index = index;
    reader.read(xml);
    shared->index = -1;
  };
  for (int i = 0; i < 16; ++i) read();
  const LONGLONG before = LiveHeapBlocks();
  for (int i = 0; i < kReads; ++i) read();
  return LiveHeapBlocks() - before;
}

const Reader* FindReader(const std::string& name) {
  for (const Reader& r : Readers())
    if (name == r.name) return &r;
  return nullptr;
}

// The reader and the input of `format` at `index`: "<reader>" mutates the reader's seed,
// "file:<path>" is a kept input whose name starts with its reader's.
bool LoadCase(const std::string& format, uint64_t seed, LONG index, const Reader*& reader,
              Mutant& m) {
  if (format.compare(0, 5, "file:") != 0) {
    reader = FindReader(format);
    if (reader) m = Mutate(*reader, seed, static_cast<uint64_t>(index));
    return reader != nullptr;
  }
  const std::string path = format.substr(5);
  const size_t slash = path.find_last_of("/\\");
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  reader = FindReader(file.substr(0, file.find('.')));
  m = Mutant();
  return reader && LoadInput(Widen(path), m.xml);
}

// How a format shows in the table: a kept input by its file name.
std::string DisplayName(const std::string& format) {
  const size_t slash = format.find_last_of("/\\");
  return format.compare(0, 5, "file:") == 0 && slash != std::string::npos ? format.substr(slash + 1)
                                                                          : format;
}

// Text as UTF-8: the runtime's wide output stops at the first character its code page
// lacks, and mutated inputs hold many.
void PrintText(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// The show's steps, each named before it runs: when one crashes or hangs, the driver
// names the fault and the last line printed names the step.
int ShowAnswers(const std::string& format, uint64_t seed, LONG index) {
  const Reader* reader = nullptr;
  Mutant m;
  if (!LoadCase(format, seed, index, reader, m)) return 2;
  const auto step = [&](const wchar_t* what, auto&& run) {
    fwprintf(stdout, L"%ls ...\n", what);
    fflush(stdout);
    shared->started = GetTickCount64();
    shared->index = index;
    auto answer = run();
    shared->index = -1;
    return answer;
  };
  const auto print = [](const ReaderResult& result) {
    fwprintf(stdout, L"  hr 0x%08lx%ls, answer: ", static_cast<unsigned long>(result.hr),
             result.external ? L", the external entity's text reached it" : L"");
    PrintText(result.shape.substr(0, 400) + (result.shape.size() > 400 ? L" ...\n" : L"\n"));
  };
  const ReaderResult now =
      step(L"read by the module's reader", [&] { return reader->read(m.xml); });
  print(now);
  ReaderResult before;
  if (!m.before.empty()) {
    before =
        step(L"the text before the last mutation, read", [&] { return reader->read(m.before); });
    print(before);
  }
  const bool wellFormed =
      step(L"parsed by Wine's XML reader alone", [&] { return WellFormed(*reader, m.xml); });
  fwprintf(stdout, L"  well-formed: %ls\n", wellFormed ? L"yes" : L"no");
  const bool wrong = step(L"judged by the oracle", [&] {
    return WrongAnswer(*reader, m, now, m.oracle == Oracle::kSameAsSeed ? &before : nullptr);
  });
  fwprintf(stdout, L"  %ls (oracle %d)\n", wrong ? L"a wrong answer" : L"no wrong answer",
           static_cast<int>(m.oracle));
  fflush(stdout);
  shared->finished = 1;
  return 0;
}

// ---------------------------------------------------------------- child

int RunChild(const std::string& format, uint64_t seed, LONG from, LONG to, const std::wstring& out,
             LONGLONG limitMs) {
  SetUnhandledExceptionFilter(CrashFilter);
  signal(SIGABRT, OnAbort);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0,
                  FALSE, DUPLICATE_SAME_ACCESS);
  shared->index = -1;
  std::thread(Watchdog, limitMs).detach();
  std::thread(PipeServer).detach();
  {
    FILE* f = _wfopen(ExternalTargetPath().c_str(), L"wb");
    if (f) {
      fputs("WQFUZZEXTERNAL", f);
      fclose(f);
    }
  }

  if (format == "sweep") {
    StartDialogCloser();
    const bool verbose = GetEnvironmentVariableW(L"WQFUZZ_VERBOSE", nullptr, 0) != 0;
    bool unloadable = true;
    for (LONG i = from; i < to; ++i) {
      shared->started = GetTickCount64();
      shared->index = i;
      const SweepOutcome outcome = RunSweepCase(static_cast<uint64_t>(i));
      shared->index = -1;
      if (!outcome.exists) break;
      ++shared->tried;
      if (outcome.missingErrorInfo) {
        ++shared->noErrorInfo;
        if (verbose) fwprintf(stdout, L"no WQError: %ls\n", outcome.name.c_str());
      }
      if (outcome.leak) {
        ++(outcome.leakIsWine ? shared->leaksWine : shared->leaks);
        fwprintf(stdout, L"%ls%ls\n", outcome.name.c_str(),
                 outcome.leakIsWine
                     ? L" (kept by Wine's dispatcher, which refused the call before the method"
                       L" ran: Wine's leak, not the server's; counted apart, not a fault)"
                     : L"");
      }
      // Every object of the case is released: the server must be free to unload.
      if (unloadable && SweepCanUnload() != S_OK) {
        unloadable = false;
        ++shared->leaks;
        fwprintf(stdout, L"the server stays locked after %ls\n", outcome.name.c_str());
      }
      fflush(stdout);
    }
    shared->canUnload = SweepCanUnload();
    shared->finished = 1;
    return 0;
  }

  if (format.compare(0, 5, "show:") == 0) return ShowAnswers(format.substr(5), seed, from);

  if (format.compare(0, 5, "bare:") == 0) {
    const Reader* reader = nullptr;
    Mutant m;
    if (!LoadCase(format.substr(5), seed, from, reader, m)) return 2;
    shared->started = GetTickCount64();
    shared->index = from;
    // Wine's reader as the module sets it up, with a handler that only collects: an input
    // that is as slow or as big here hangs in Wine's reader, not in ours.
    WellFormed(*reader, m.xml);
    shared->elapsedMs = static_cast<LONGLONG>(GetTickCount64()) - shared->started;
    shared->index = -1;
    shared->finished = 1;
    return 0;
  }

  const std::wstring name = Widen(DisplayName(format));
  SIZE_T baseline = 0;
  for (LONG i = from; i < to; ++i) {
    const Reader* reader = nullptr;
    Mutant m;
    if (!LoadCase(format, seed, i, reader, m)) return 2;
    const LONG opens = pipeOpens;
    shared->started = GetTickCount64();
    shared->index = i;
    const ReaderResult result = reader->read(m.xml);
    ReaderResult before;
    if (m.oracle == Oracle::kSameAsSeed) before = reader->read(m.before);
    shared->index = -1;
    ++shared->tried;
    const std::wstring stem = name + L"." + std::to_wstring(i);
    if (result.external || pipeOpens != opens) {
      ++shared->external;
      SaveInput(out, stem + L".external.any.xml", m.xml);
    }
    // The oracle parses the input again: still part of the input for the watchdog.
    shared->started = GetTickCount64();
    shared->index = i;
    const bool wrong =
        WrongAnswer(*reader, m, result, m.oracle == Oracle::kSameAsSeed ? &before : nullptr);
    shared->index = -1;
    if (wrong) {
      ++shared->wrong;
      SaveInput(out, stem + L".wrong-success.any.xml", m.xml);
    }
    if (LiveReaderObjects() != 0) {
      ++shared->leaks;
      SaveInput(out, stem + L".leak.any.xml", m.xml);
      break;  // the counters stay off from here
    }
    // Small leaks, one string or stream a read, show only over many reads: the first input
    // of the run and every 200th are read again and again (the short ones: it takes time).
    if ((i == from || i % 200 == 0) && m.xml.size() < 20000) {
      const LONGLONG growth = GrowthPerReads(*reader, m.xml, i);
      if (growth >= kReads / 2) {
        ++shared->leaks;
        fwprintf(stdout, L"%ls: input %ld: %lld more heap blocks live after %d more reads\n",
                 name.c_str(), i, growth, kReads);
        fflush(stdout);
        SaveInput(out, stem + L".leak.any.xml", m.xml);
        break;
      }
    }
    if (i == from + 200) baseline = PrivateBytes();
  }
  // Memory that keeps growing over the run is a leak the counters do not see.
  if (baseline && to - from > 2000 && PrivateBytes() > baseline + (128u << 20)) {
    ++shared->leaks;
    fwprintf(stdout, L"%ls: private bytes grew from %zu to %zu over the run\n", name.c_str(),
             static_cast<size_t>(baseline), static_cast<size_t>(PrivateBytes()));
  }
  shared->finished = 1;
  return 0;
}

// ---------------------------------------------------------------- driver

struct Tally {
  LONG tried = 0, crashesOurs = 0, crashesWine = 0, hangsOurs = 0, hangsWine = 0, wrong = 0,
       leaks = 0, leaksWine = 0, external = 0, noErrorInfo = 0;
  HRESULT canUnload = S_OK;
};

struct Options {
  LONG inputs = 1000;
  uint64_t seed = 11;
  int jobs = 1;
  std::vector<std::string> formats;
  bool sweep = false;
  std::wstring out = L"fuzz-out";
  LONGLONG timeoutMs = 4000;
};

std::mutex printLock;

void Note(const char* format, const std::wstring& what) {
  std::lock_guard<std::mutex> lock(printLock);
  fprintf(stdout, format, what.c_str());
  fflush(stdout);
}

// Runs one child over inputs [from, to) of `format` and waits for it; `killed` when the
// child's own watchdog did not end a stuck input and the driver had to.
bool RunChildProcess(const std::wstring& mappingName, Shared* block, const std::string& format,
                     LONG from, LONG to, const Options& options, bool& killed,
                     DWORD* exitCode = nullptr) {
  ZeroMemory(block, sizeof(Shared));
  block->index = -1;
  killed = false;
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" child " + mappingName + L" \"" +
                         Widen(format) + L"\" " + std::to_wstring(options.seed) + L" " +
                         std::to_wstring(from) + L" " + std::to_wstring(to) + L" \"" + options.out +
                         L"\" " + std::to_wstring(options.timeoutMs);
  // Wine's XML reader writes its complaints to stderr: thousands of lines of noise.
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  plat::unique_handle quiet(
      CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup{sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetEnvironmentVariableW(L"WQFUZZ_VERBOSE", nullptr, 0)
                          ? GetStdHandle(STD_ERROR_HANDLE)
                          : quiet.get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  LONG lastIndex = -2;
  ULONGLONG since = GetTickCount64();
  while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT) {
    const LONG index = block->index;
    if (index != lastIndex) {
      lastIndex = index;
      since = GetTickCount64();
    } else if (index >= 0 &&
               GetTickCount64() - since > static_cast<ULONGLONG>(options.timeoutMs) + 15000) {
      TerminateProcess(process.hProcess, 0xC0DE0009);
      WaitForSingleObject(process.hProcess, INFINITE);
      killed = true;
      break;
    }
  }
  if (exitCode) GetExitCodeProcess(process.hProcess, exitCode);
  CloseHandle(process.hProcess);
  return true;
}

// What ended a child inside an input: a crash, a hang or too much memory, whose (ours or
// Wine's XML reader) and where.
struct Fault {
  LONG kind;
  bool ours;
  std::wstring where;
  DWORD code;
};

const wchar_t* KindName(LONG kind) {
  return kind == kCrash ? L"crash" : kind == kHang ? L"hang" : L"memory";
}

std::wstring Describe(const Fault& fault) {
  wchar_t code[16];
  swprintf(code, 16, L"0x%08lx", static_cast<unsigned long>(fault.code));
  const wchar_t* whose = fault.kind != kCrash ? L"" : fault.ours ? L", ours" : L", Wine's";
  return std::wstring(KindName(fault.kind)) + L" in " + fault.where + whose + L" (code " + code +
         L")";
}

// Reads the block of a child that died inside input `index` of `format` (a reader's, a kept
// input's or the sweep). A stuck input is Wine's when Wine's reader alone spends most of the
// time limit on it, or more: that is tried in a child of its own.
Fault Diagnose(const std::wstring& mappingName, Shared* block, const std::string& format,
               LONG index, const Options& options, bool killed, DWORD exitCode) {
  Fault fault{block->faultKind, block->faultModule[0] ? block->faultOurs != 0 : true,
              block->faultModule[0] ? block->faultModule : L"?",
              block->faultCode ? block->faultCode : exitCode};
  if (fault.kind == kNoFault) fault.kind = killed ? kHang : kCrash;
  if (fault.kind != kCrash && format != "sweep") {
    bool bareKilled = false;
    const bool bareRan = RunChildProcess(mappingName, block, "bare:" + format, index, index + 1,
                                         options, bareKilled);
    fault.ours = !bareRan || (block->finished && block->elapsedMs < options.timeoutMs / 2);
    fault.where = fault.ours ? L"our reader (Wine's reader alone finishes it in " +
                                   std::to_wstring(block->elapsedMs) + L" ms)"
                             : L"Wine's XML reader";
  }
  return fault;
}

// The block a driver shares with the children it starts, under a name of its own.
class ChildBlock {
 public:
  ChildBlock() {
    static std::atomic<LONG> runs{0};
    name_ = L"wqfuzz-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(Shared), name_.c_str()));
    block_ = static_cast<Shared*>(MapViewOfFile(mapping_.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  }
  ~ChildBlock() {
    if (block_) UnmapViewOfFile(block_);
  }
  ChildBlock(const ChildBlock&) = delete;
  ChildBlock& operator=(const ChildBlock&) = delete;

  const std::wstring& name() const { return name_; }
  Shared* get() const { return block_; }

 private:
  std::wstring name_;
  plat::unique_handle mapping_;
  Shared* block_ = nullptr;
};

Tally RunFormat(const std::string& format, const Options& options) {
  Tally tally;
  const ChildBlock child;
  const std::wstring& mappingName = child.name();
  Shared* block = child.get();
  if (!block) return tally;
  const LONG to = format == "sweep"                    ? 0x7FFFFFFF
                  : format.compare(0, 5, "file:") == 0 ? 1
                                                       : options.inputs;
  LONG from = 0;
  while (from < to) {
    bool killed = false;
    DWORD exitCode = 0;
    if (!RunChildProcess(mappingName, block, format, from, to, options, killed, &exitCode)) {
      Note("could not start a child for %ls\n", Widen(format));
      ++tally.crashesOurs;
      break;
    }
    tally.tried += block->tried;
    tally.wrong += block->wrong;
    tally.leaks += block->leaks;
    tally.leaksWine += block->leaksWine;
    tally.external += block->external;
    tally.noErrorInfo += block->noErrorInfo;
    if (block->finished) {
      tally.canUnload = block->canUnload;
      break;
    }
    // The child died inside input `index`: record it and go on behind it.
    const LONG index = block->index >= 0 ? block->index : from + block->tried;
    const Fault fault = Diagnose(mappingName, block, format, index, options, killed, exitCode);
    ++tally.tried;
    if (fault.kind == kCrash)
      ++(fault.ours ? tally.crashesOurs : tally.crashesWine);
    else
      ++(fault.ours ? tally.hangsOurs : tally.hangsWine);
    const std::wstring stem = Widen(DisplayName(format)) + L"." + std::to_wstring(index) + L"." +
                              KindName(fault.kind) + (fault.ours ? L"-ours" : L"-wine");
    {
      std::lock_guard<std::mutex> lock(printLock);
      fwprintf(stdout, L"%ls: input %ld: %ls\n", Widen(DisplayName(format)).c_str(), index,
               Describe(fault).c_str());
      fflush(stdout);
    }
    const Reader* reader = nullptr;
    Mutant m;
    if (LoadCase(format, options.seed, index, reader, m))
      SaveInput(options.out, stem + L".any.xml", m.xml);
    from = index + 1;
  }
  return tally;
}

// One input, printed, then read in a child of its own: an input on which a reader crashes
// or hangs is still shown, and the fault named. `format` is a reader's, or "file:" a kept
// input's. 1 when the reading crashed or hung.
int Show(const std::string& format, LONG index, const Options& options) {
  const uint64_t seed = options.seed;
  const Reader* reader = nullptr;
  Mutant m;
  if (!LoadCase(format, seed, index, reader, m)) {
    fprintf(stderr, "wqfuzz: cannot read %s\n", DisplayName(format).c_str());
    return 2;
  }
  if (format.compare(0, 5, "file:") == 0)
    fwprintf(stdout, L"kept input %hs, %zu characters, read by the %hs reader:\n",
             DisplayName(format).c_str(), m.xml.size(), reader->name);
  else
    fwprintf(stdout, L"%hs input %ld of seed %llu, %zu characters; mutations: %hs\n", reader->name,
             index, static_cast<unsigned long long>(seed), m.xml.size(), m.what.c_str());
  constexpr size_t kShown = 10000;
  PrintText(m.xml.substr(0, kShown) +
            (m.xml.size() > kShown
                 ? L"\n... (" + std::to_wstring(m.xml.size() - kShown) + L" more characters)\n"
                 : L"\n"));
  if (!m.before.empty()) {
    fwprintf(stdout, L"--- before the last mutation:\n");
    PrintText(m.before.substr(0, kShown) + L"\n");
  }
  fwprintf(stdout, L"--- in a child process, each step at most %lld ms:\n", options.timeoutMs);
  fflush(stdout);
  const ChildBlock child;
  Shared* block = child.get();
  bool killed = false;
  DWORD exitCode = 0;
  if (!block || !RunChildProcess(child.name(), block, "show:" + format, index, index + 1, options,
                                 killed, &exitCode)) {
    fprintf(stdout, "could not start a child\n");
    return 2;
  }
  if (block->finished) return 0;
  fwprintf(
      stdout, L"%ls\n",
      Describe(Diagnose(child.name(), block, format, index, options, killed, exitCode)).c_str());
  fflush(stdout);
  return 1;
}

int RunDriver(const Options& options) {
  // Freed BSTRs would wait in the system's cache, which a leak of one could drain unseen:
  // the children run without it.
  SetEnvironmentVariableW(L"OANOCACHE", L"1");
  std::vector<std::string> queue = options.formats;
  if (options.sweep) queue.insert(queue.begin(), "sweep");
  std::map<std::string, Tally> results;
  std::mutex lock;
  size_t next = 0;
  std::vector<std::thread> workers;
  for (int j = 0; j < options.jobs; ++j)
    workers.emplace_back([&] {
      for (;;) {
        std::string format;
        {
          std::lock_guard<std::mutex> guard(lock);
          if (next >= queue.size()) return;
          format = queue[next++];
        }
        const Tally tally = RunFormat(format, options);
        std::lock_guard<std::mutex> guard(lock);
        results[format] = tally;
      }
    });
  for (std::thread& w : workers) w.join();

  bool clean = true;
  printf("%-20s %9s %17s %15s %8s %6s %9s\n", "format", "tried", "crashes ours/Wine",
         "hangs ours/Wine", "wrong-ok", "leaks", "external");
  for (const std::string& format : queue) {
    const Tally& t = results[format];
    printf("%-20s %9ld %11ld/%-5ld %9ld/%-5ld %8ld %6ld %9ld\n", DisplayName(format).c_str(),
           t.tried, t.crashesOurs, t.crashesWine, t.hangsOurs, t.hangsWine, t.wrong, t.leaks,
           t.external);
    clean = clean && t.crashesOurs == 0 && t.hangsOurs == 0 && t.wrong == 0 && t.leaks == 0 &&
            t.external == 0 && t.tried > 0;
    if (format == "sweep") {
      // Some methods answer a bad index or a missing workspace with a bare E_INVALIDARG by
      // design: such failures are counted, not failed.
      printf(
          "%-20s failures without a WQError: %ld (allowed); arguments kept by Wine's\n"
          "%-20s dispatcher on a call it refused before the method ran: %ld (Wine's, not\n"
          "%-20s a fault); DllCanUnloadNow: 0x%08lx\n",
          "", t.noErrorInfo, "", t.leaksWine, "", static_cast<unsigned long>(t.canUnload));
      clean = clean && t.canUnload == S_OK;
    }
  }
  printf("%s\n", clean ? "clean" : "FAULTS FOUND (inputs kept in the output folder)");
  return clean ? 0 : 1;
}

// Kept inputs, each once in this process: a crash or hang fails the test that runs this.
int Replay(const std::wstring& dir) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\*.xml").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    fwprintf(stderr, L"wqfuzz: no inputs (*.xml) in %ls\n", dir.c_str());
    return 2;
  }
  int failures = 0, count = 0;
  do {
    const std::wstring file = found.cFileName;
    const std::string format(file.begin(), file.begin() + file.find(L'.'));
    const Reader* reader = FindReader(format);
    std::wstring xml;
    if (!reader || !LoadInput(dir + L"\\" + file, xml)) {
      fwprintf(stdout, L"%ls: no such reader or unreadable\n", file.c_str());
      ++failures;
      continue;
    }
    ++count;
    const ULONGLONG start = GetTickCount64();
    const ReaderResult result = reader->read(xml);
    fwprintf(stdout, L"%ls: 0x%08lx in %llu ms\n", file.c_str(),
             static_cast<unsigned long>(result.hr), GetTickCount64() - start);
    const bool mustFail = file.size() > 9 && file.compare(file.size() - 9, 9, L".fail.xml") == 0;
    // Success for a text the XML reader finds ill-formed is wrong, whatever the file says.
    const bool wrong = SUCCEEDED(result.hr) && (mustFail || !WellFormed(*reader, xml));
    if (wrong || LiveReaderObjects() != 0 || result.external) {
      fwprintf(stdout, L"%ls: hr 0x%08lx, live objects %ld\n", file.c_str(),
               static_cast<unsigned long>(result.hr), LiveReaderObjects());
      ++failures;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  printf("%d kept inputs, %d failed\n", count, failures);
  return failures ? 1 : 0;
}

// Kept inputs that make Wine's reader crash or hang, each in a child of its own: they may
// do so again, but never in our code.
int Isolate(const std::wstring& dir, Options options) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((dir + L"\\*.xml").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    fwprintf(stderr, L"wqfuzz: no inputs (*.xml) in %ls\n", dir.c_str());
    return 2;
  }
  do {
    const std::wstring path = dir + L"\\" + found.cFileName;
    options.formats.push_back("file:" + std::string(path.begin(), path.end()));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return RunDriver(options);
}

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string item =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!item.empty()) out.push_back(item);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A whole number written in decimal digits only, at most `max`.
bool Number(const wchar_t* text, uint64_t max, uint64_t& out) {
  out = 0;
  if (!*text) return false;
  for (; *text; ++text) {
    if (*text < L'0' || *text > L'9' || out > (max - (*text - L'0')) / 10) return false;
    out = out * 10 + static_cast<uint64_t>(*text - L'0');
  }
  return true;
}

// Says what is wrong (unless nothing was asked), then how the program is used; exits 2.
int Refuse(const std::string& what) {
  if (!what.empty()) fprintf(stderr, "wqfuzz: %s\n", what.c_str());
  fprintf(stderr,
          "usage: wqfuzz run [--inputs N] [--seed S] [--jobs J] [--formats a,b|all|none]\n"
          "                  [--sweep] [--out DIR] [--timeout MS]\n"
          "                         fuzz the formats (1000 inputs, seed 11), and sweep the\n"
          "                         methods with bad arguments\n"
          "       wqfuzz show FORMAT SEED INDEX | show FILE\n"
          "                         one input, or one kept in FILE (FORMAT.NAME.xml), read\n"
          "                         in a child: the answers, the verdict, a crash or hang\n"
          "       wqfuzz replay DIR  read the inputs kept in DIR (FORMAT.NAME.xml) once each\n"
          "       wqfuzz isolate DIR read them each in a child of its own (inputs on which\n"
          "                         Wine's reader crashes or hangs)\n"
          "       wqfuzz oracle      check the oracle's verdicts on inputs of known meaning\n"
          "       wqfuzz digests     check the fuzzer's digests of answers made by hand\n"
          "formats:");
  for (const Reader& r : Readers()) fprintf(stderr, " %s", r.name);
  fprintf(stderr, "\n");
  return 2;
}

}  // namespace

std::wstring ExternalTargetPath() {
  std::wstring path = TempDir() + L"wqfuzz-external.xml";
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  return path;
}

// One name for every child (each serves an instance): an input must not depend on the
// process that makes it, or the driver could not make it again.
std::wstring ExternalPipeName() { return L"\\\\.\\pipe\\wqfuzz-external"; }

}  // namespace fuzz

int wmain(int argc, wchar_t** argv) {
  using namespace fuzz;
  plat::unique_couninitialize com;
  if (argc >= 2 && wcscmp(argv[1], L"child") == 0 && argc >= 9) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, argv[2]);
    shared = mapping ? static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0))
                     : nullptr;
    if (!shared) return 3;
    const std::wstring format = argv[3];
    return RunChild(std::string(format.begin(), format.end()), _wcstoui64(argv[4], nullptr, 10),
                    _wtol(argv[5]), _wtol(argv[6]), argv[7], _wtoi64(argv[8]));
  }
  const std::wstring verb = argc >= 2 ? argv[1] : L"";
  if (verb == L"replay" && argc == 3) return Replay(argv[2]);
  if (verb == L"oracle" && argc == 2) return CheckOracle(FindReader);
  if (verb == L"digests" && argc == 2) return CheckDigests();
  if (verb == L"show" && argc == 5) {  // show FORMAT SEED INDEX
    const std::string format = Narrow(argv[2]);
    Options options;
    uint64_t index = 0;
    if (!FindReader(format)) return Refuse("no such format: " + format);
    if (!Number(argv[3], UINT64_MAX, options.seed) || !Number(argv[4], LONG_MAX, index))
      return Refuse("the seed and the index are whole numbers");
    return Show(format, static_cast<LONG>(index), options);
  }
  if (verb == L"show" && argc == 3) {  // show FILE, a kept input named after its format
    const std::string format = "file:" + Narrow(argv[2]);
    const Reader* reader = nullptr;
    Mutant m;
    if (!LoadCase(format, 0, 0, reader, m))
      return Refuse("not a kept input (FORMAT.NAME.xml, readable): " + Narrow(argv[2]));
    return Show(format, 0, Options());
  }
  if (verb == L"isolate" && argc == 3) return Isolate(argv[2], Options());
  if (verb != L"run")
    return Refuse(verb.empty() ? "" : "wrong arguments for \"" + Narrow(verb) + "\"");
  Options options;
  std::string formats = "all";
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const bool flag = arg == L"--sweep";
    if (!flag && i + 1 >= argc) return Refuse(Narrow(arg) + " needs a value");
    const wchar_t* value = flag ? L"" : argv[++i];
    uint64_t number = 0;
    const bool numeric = Number(value, LONG_MAX, number) && number > 0;
    if (flag)
      options.sweep = true;
    else if (arg == L"--inputs" && numeric)
      options.inputs = static_cast<LONG>(number);
    else if (arg == L"--seed" && Number(value, UINT64_MAX, number))
      options.seed = number;
    else if (arg == L"--jobs" && numeric && number <= 64)
      options.jobs = static_cast<int>(number);
    else if (arg == L"--formats")
      formats = Narrow(value);
    else if (arg == L"--out" && *value)
      options.out = value;
    else if (arg == L"--timeout" && numeric)
      options.timeoutMs = static_cast<LONGLONG>(number);
    else
      return Refuse("not an option, or not a value for it: " + Narrow(arg) + " " + Narrow(value));
  }
  if (formats == "all")
    for (const Reader& r : Readers()) options.formats.push_back(r.name);
  else if (formats != "none")
    options.formats = Split(formats);
  for (const std::string& format : options.formats)
    if (!FindReader(format)) return Refuse("no such format: " + format);
  return RunDriver(options);
}
