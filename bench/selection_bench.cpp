// How loading a case list grows with its size: 10,000 and 100,000 names put in order
// (one load, and the same names in ten loads), and a whole ListCases reply of that many
// cases read into the list. A list that grew quadratically would show a ratio near 100
// between the two sizes; linear-logarithmic growth shows a little over 10.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "replies.h"
#include "workspace/listcasesparser.h"
#include "workspacedialogs/selectionitems.h"

namespace {

using bench::Median;

// One case a line, as the benchmark has always measured it.
std::wstring MakeReply(const std::vector<std::wstring>& names) {
  return bench::MakeListCasesReply(names, L"\n");
}

double SortOneLoad(const std::vector<std::wstring>& names) {
  return Median([&] {
    SortedItems<LONG> items;
    for (size_t i = 0; i < names.size(); ++i) items.Add(names[i].c_str(), static_cast<LONG>(i));
    items.Commit();
  });
}

double SortTenLoads(const std::vector<std::wstring>& names) {
  return Median([&] {
    SortedItems<LONG> items;
    const size_t step = names.size() / 10;
    for (size_t i = 0; i < names.size(); ++i) {
      items.Add(names[i].c_str(), static_cast<LONG>(i));
      if ((i + 1) % step == 0) items.Commit();
    }
    items.Commit();
  });
}

double ParseReply(const std::vector<std::wstring>& names, bool* parsed) {
  const std::wstring text = MakeReply(names);
  plat::unique_bstr reply = plat::unique_bstr::copy(text.c_str());
  return Median([&] {
    SortedItems<LONG> items;
    ListCasesParser parser([&](const wchar_t* name, LONG id) { items.Add(name, id); });
    *parsed = SUCCEEDED(parser.ParseString(reply.get()));
    items.Commit();
    *parsed = *parsed && items.GetCount() == static_cast<int>(names.size());
  });
}

void Report(const char* what, double small, double large) {
  std::printf("%-34s %10.2f ms %10.2f ms %8.1f\n", what, small * 1000, large * 1000, large / small);
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const std::vector<std::wstring> small = bench::MakeNames(10000);
  const std::vector<std::wstring> large = bench::MakeNames(100000);
  std::printf("median of %d runs                  10,000 names  100,000 names    ratio\n",
              bench::kRuns);
  Report("names put in order, one load", SortOneLoad(small), SortOneLoad(large));
  Report("names put in order, ten loads", SortTenLoads(small), SortTenLoads(large));
  bool parsedSmall = false, parsedLarge = false;
  Report("ListCases reply read into the list", ParseReply(small, &parsedSmall),
         ParseReply(large, &parsedLarge));
  CoUninitialize();
  if (!parsedSmall || !parsedLarge) {
    std::printf("the reply was not read whole\n");
    return 1;
  }
  return 0;
}
