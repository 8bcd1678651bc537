// What the benchmarks share: the median of five timed runs, and one printed line per
// figure: the module's time, its floor's time (the platform doing the same work bare),
// their ratio and the ratio aimed at. A ratio over its goal is printed, never a failure.
#pragma once

#include <windows.h>

#include <comobject.h>
#include <handles.h>
#include <wqmsxml.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace bench {

// A content handler that only counts the elements: the XML reader's own cost, the floor of
// every reply reader.
class ElementCounter : public plat::Implements<ElementCounter, ISAXContentHandler> {
 public:
  STDMETHOD(putDocumentLocator)(ISAXLocator*) override { return S_OK; }
  STDMETHOD(startDocument)() override { return S_OK; }
  STDMETHOD(endDocument)() override { return S_OK; }
  STDMETHOD(startPrefixMapping)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(endPrefixMapping)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(startElement)
  (const WCHAR*, int, const WCHAR*, int, const WCHAR*, int, ISAXAttributes*) override {
    ++elements;
    return S_OK;
  }
  STDMETHOD(endElement)(const WCHAR*, int, const WCHAR*, int, const WCHAR*, int) override {
    return S_OK;
  }
  STDMETHOD(characters)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(ignorableWhitespace)(const WCHAR*, int) override { return S_OK; }
  STDMETHOD(processingInstruction)(const WCHAR*, int, const WCHAR*, int) override { return S_OK; }
  STDMETHOD(skippedEntity)(const WCHAR*, int) override { return S_OK; }

  int elements = 0;
};

constexpr int kRuns = 5;

inline double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / frequency;
}

// The median of `runs` runs of `run`, in seconds.
template <class Run>
double Median(int runs, Run&& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double start = Now();
    run();
    times.push_back(Now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[runs / 2];
}

template <class Run>
double Median(Run&& run) {
  return Median(kRuns, run);
}

// The medians of the module's runs and of its floor's, run in turns so that a change of
// the machine's load falls on both alike.
struct Times {
  double module;
  double floor;
};

template <class Module, class Floor>
Times MedianTimes(Module&& module, Floor&& floor) {
  std::vector<double> moduleTimes;
  std::vector<double> floorTimes;
  for (int i = 0; i < kRuns; ++i) {
    double start = Now();
    module();
    moduleTimes.push_back(Now() - start);
    start = Now();
    floor();
    floorTimes.push_back(Now() - start);
  }
  std::sort(moduleTimes.begin(), moduleTimes.end());
  std::sort(floorTimes.begin(), floorTimes.end());
  return {moduleTimes[kRuns / 2], floorTimes[kRuns / 2]};
}

// The object of the registered class `progId`, asked for `I`; says so when there is none.
template <class I>
bool CreateRegistered(const wchar_t* progId, REFIID iid, plat::com_ptr<I>& object) {
  CLSID clsid;
  if (SUCCEEDED(CLSIDFromProgID(progId, &clsid)) &&
      SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.put_void())))
    return true;
  std::printf("%ls is not registered in this prefix\n", progId);
  return false;
}

// Whether the windows a benchmark shows can be made: without a display Wine makes none,
// and every dialog would "open" at once. Says so when they cannot.
// False, with the usage told, when a benchmark that takes no arguments was given some.
inline bool TakesNoArguments(int argc, const char* benchmark) {
  if (argc <= 1) return true;
  std::fprintf(stderr, "usage: %s.exe (it takes no arguments)\n", benchmark);
  return false;
}

inline bool HaveDisplay(const char* benchmark) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      nullptr, nullptr);
  if (window) {
    DestroyWindow(window);
    return true;
  }
  std::printf(
      "%s shows dialogs and needs a display: run scripts/bench.sh, which starts one, or set "
      "DISPLAY to a running X server. With DISPLAY set, Wine ran in this prefix without a "
      "display moments ago and its desktop still has none: end it (wineserver -k, with "
      "WINEPREFIX set) and run again\n",
      benchmark);
  return false;
}

// False once a figure could not be measured (a time that cannot be, a dialog that did not
// open): the benchmark then ends with a failure instead of printing nonsense.
inline bool& AllMeasured() {
  static bool all = true;
  return all;
}

inline void PrintHeader(const char* title, const char* module = "module",
                        const char* floor = "floor") {
  std::printf("\n%s (medians of %d runs)\n", title, kRuns);
  std::printf("  %-52s %8s %12s %12s %7s %6s\n", "figure", "size", module, floor, "ratio", "goal");
}

// The number that the next row printed shows: a benchmark whose figures run one at a time
// by number shows each figure's on its first row (the rows under it, up to the next number,
// are the same figure's).
inline int& NextRowNumber() {
  static int number = 0;
  return number;
}

// A row's first column: the pending figure number, if any, and what the row measures.
inline void PrintRowName(const char* what) {
  const int number = std::exchange(NextRowNumber(), 0);
  if (number > 0)
    std::printf("%2d %-51s", number, what);
  else
    std::printf("  %-52s", what);
}

inline void FormatTime(char (&text)[24], double seconds, double divisor, bool perItem) {
  const double value = seconds / divisor * (perItem ? 1e6 : 1e3);
  std::snprintf(text, sizeof text, value < 10 ? "%.3g %s" : "%.1f %s", value,
                perItem ? "us" : "ms");
}

// Times in seconds; `perItem` divides both by `size` and prints microseconds per item. A
// goal of 0 is none (the size is shown for the growth only). A time that is not positive
// (a difference of two noisy runs, a run that did nothing) is reported as not measured.
inline void PrintFigure(const char* what, int size, Times times, double goal,
                        bool perItem = false) {
  const double module = times.module;
  const double floor = times.floor;
  char sizeText[16] = "-";
  if (size > 0 && !perItem) std::snprintf(sizeText, sizeof sizeText, "%dk", size / 1000);
  if (!(module > 0) || !(floor > 0)) {
    PrintRowName(what);
    std::printf(" %8s  not measured: module %.3f ms, floor %.3f ms\n", sizeText, module * 1e3,
                floor * 1e3);
    AllMeasured() = false;
    return;
  }
  char moduleText[24];
  char floorText[24];
  FormatTime(moduleText, module, perItem ? size : 1, perItem);
  FormatTime(floorText, floor, perItem ? size : 1, perItem);
  const double ratio = module / floor;
  char goalText[16] = "-";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "%.2fx", goal);
  PrintRowName(what);
  std::printf(" %8s %12s %12s %6.2fx %6s%s\n", sizeText, moduleText, floorText, ratio, goalText,
              goal > 0 && ratio > goal ? "  over goal" : "");
  std::fflush(stdout);
}

// A share left when one run is taken from another (a dialog less a bare control doing the
// same showing): where it is smaller than the two runs' spread, the median difference may
// come out at or below 0; that is a share too small to see, printed as such, not a time.
inline void PrintShare(const char* what, int size, Times times, double goal) {
  if (times.module > 0 || !(times.floor > 0)) {
    PrintFigure(what, size, times, goal);
    return;
  }
  char sizeText[16];
  std::snprintf(sizeText, sizeof sizeText, "%dk", size / 1000);
  char floorText[24];
  FormatTime(floorText, times.floor, 1, false);
  char goalText[16] = "-";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "%.2fx", goal);
  PrintRowName(what);
  std::printf(" %8s %12s %12s %7s %6s  below the runs' spread\n", sizeText, "~0", floorText, "~0",
              goalText);
  std::fflush(stdout);
}

// Figures measured in turns: each turn gives one time of every series (a series may be a
// difference of runs); the median of each series is its figure.
class Turns {
 public:
  explicit Turns(size_t series) : times_(series) {}
  void Add(size_t series, double seconds) { times_[series].push_back(seconds); }
  double Median(size_t series) const {
    std::vector<double> times = times_[series];
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }

 private:
  std::vector<std::vector<double>> times_;
};

// Seconds that `run` takes.
template <class Run>
double Time(Run&& run) {
  const double start = Now();
  run();
  return Now() - start;
}

}  // namespace bench
