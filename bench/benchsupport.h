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

inline void PrintHeader(const char* title) {
  std::printf("\n%s (medians of %d runs)\n", title, kRuns);
  std::printf("  %-44s %8s %12s %12s %7s %6s\n", "figure", "size", "module", "floor", "ratio",
              "goal");
}

// Times in seconds; `perItem` divides both by `size` and prints microseconds per item. A
// goal of 0 is none (the size is shown for the growth only).
inline void PrintFigure(const char* what, int size, Times times, double goal,
                        bool perItem = false) {
  const double module = times.module;
  const double floor = times.floor;
  char sizeText[16] = "-";
  if (size > 0 && !perItem) std::snprintf(sizeText, sizeof sizeText, "%dk", size / 1000);
  char moduleText[24];
  char floorText[24];
  if (perItem) {
    std::snprintf(moduleText, sizeof moduleText, "%.3f us", module / size * 1e6);
    std::snprintf(floorText, sizeof floorText, "%.3f us", floor / size * 1e6);
  } else {
    std::snprintf(moduleText, sizeof moduleText, "%.1f ms", module * 1e3);
    std::snprintf(floorText, sizeof floorText, "%.1f ms", floor * 1e3);
  }
  const double ratio = floor > 0 ? module / floor : 0;
  char goalText[16] = "-";
  if (goal > 0) std::snprintf(goalText, sizeof goalText, "%.2fx", goal);
  std::printf("  %-44s %8s %12s %12s %6.2fx %6s%s\n", what, sizeText, moduleText, floorText, ratio,
              goalText, goal > 0 && ratio > goal ? "  over goal" : "");
  std::fflush(stdout);
}

}  // namespace bench
