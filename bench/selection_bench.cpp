// How loading a case list grows with its size: 10,000 and 100,000 names put in order
// (one load, and the same names in ten loads), and a whole ListCases reply of that many
// cases read into the list, the two sizes measured in turns. A list that grew
// quadratically would show a ratio near 100 between the two sizes; linear-logarithmic
// growth shows a little over 10.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "replies.h"
#include "workspace/listcasesparser.h"
#include "workspacedialogs/selectionitems.h"

namespace {

using bench::Time;

// One case a line, as the benchmark has always measured it.
std::wstring MakeReply(const std::vector<std::wstring>& names) {
  return bench::MakeListCasesReply(names, L"\n");
}

void SortOneLoad(const std::vector<std::wstring>& names) {
  SortedItems<LONG> items;
  for (size_t i = 0; i < names.size(); ++i) items.Add(names[i].c_str(), static_cast<LONG>(i));
  items.Commit();
}

void SortTenLoads(const std::vector<std::wstring>& names) {
  SortedItems<LONG> items;
  const size_t step = names.size() / 10;
  for (size_t i = 0; i < names.size(); ++i) {
    items.Add(names[i].c_str(), static_cast<LONG>(i));
    if ((i + 1) % step == 0) items.Commit();
  }
  items.Commit();
}

// False when the reply was not read whole.
bool ParseReply(BSTR reply, int count) {
  SortedItems<LONG> items;
  ListCasesParser parser([&](const wchar_t* name, LONG id) { items.Add(name, id); });
  const bool parsed = SUCCEEDED(parser.ParseString(reply));
  items.Commit();
  return parsed && items.GetCount() == count;
}

// The large size's time against the small one's, measured in turns.
template <class Run>
bench::Times Growth(Run&& run) {
  bench::Turns turns(2);
  for (int i = 0; i < bench::kRuns; ++i) {
    turns.Add(0, Time([&] { run(true); }));
    turns.Add(1, Time([&] { run(false); }));
  }
  return {turns.Median(0), turns.Median(1)};
}

}  // namespace

int main(int argc, char**) {
  if (!bench::TakesNoArguments(argc, "selection_bench")) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const std::vector<std::wstring> small = bench::MakeNames(10000);
  const std::vector<std::wstring> large = bench::MakeNames(100000);
  // n log n from 10,000 to 100,000 is 12.5; a quadratic cost would show near 100.
  constexpr double kGrowthGoal = 14;
  bench::PrintHeader("Growth of the sorted case list, 100,000 names against 10,000", "100,000",
                     "10,000");
  bench::PrintFigure("names put in order, one load", 100000,
                     Growth([&](bool big) { SortOneLoad(big ? large : small); }), kGrowthGoal);
  bench::PrintFigure("names put in order, ten loads", 100000,
                     Growth([&](bool big) { SortTenLoads(big ? large : small); }), kGrowthGoal);
  plat::unique_bstr smallReply = plat::unique_bstr::copy(MakeReply(small).c_str());
  plat::unique_bstr largeReply = plat::unique_bstr::copy(MakeReply(large).c_str());
  bool parsed = true;
  bench::PrintFigure(
      "ListCases reply read into the list", 100000, Growth([&](bool big) {
        parsed =
            ParseReply(big ? largeReply.get() : smallReply.get(), big ? 100000 : 10000) && parsed;
      }),
      kGrowthGoal);
  CoUninitialize();
  if (!parsed) std::printf("the reply was not read whole\n");
  return parsed && bench::AllMeasured() ? 0 : 1;
}
