// Timing shared by the benchmarks: the median of a few runs, in seconds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The median of `runs` runs of `run`, in seconds.
template <class Run>
double Median(int runs, Run&& run) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    run();
    QueryPerformanceCounter(&end);
    times.push_back(Seconds(start, end));
  }
  std::sort(times.begin(), times.end());
  return times[runs / 2];
}

}  // namespace bench
