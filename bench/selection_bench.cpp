// How loading a case list grows with its size: 10,000 and 100,000 names put in order
// (one load, and the same names in ten loads), and a whole ListCases reply of that many
// cases read into the list. A list that grew quadratically would show a ratio near 100
// between the two sizes; linear-logarithmic growth shows a little over 10.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "benchtiming.h"
#include "workspacedialogs/listcasesparser.h"
#include "workspacedialogs/selectionitems.h"

namespace {

constexpr int kRuns = 5;

// Names in no order, many of them equal without regard to case.
std::vector<std::wstring> MakeNames(int count) {
  std::vector<std::wstring> names;
  names.reserve(count);
  unsigned seed = 2024;
  const wchar_t* stems[] = {L"Case ", L"case ", L"Design ", L"OPERATING ", L"Upset "};
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    names.push_back(stems[(seed >> 8) % 5] + std::to_wstring((seed >> 12) % (count / 2 + 1)));
  }
  return names;
}

// One case a line, as servers format their replies. Wine's SAX reader finds the column of
// every element by scanning back to the start of its line, so a reply on one line would
// measure that scan (quadratic there, not on Windows) instead of the module.
std::wstring MakeReply(const std::vector<std::wstring>& names) {
  std::wstring reply = L"<ListCases>\n";
  for (size_t i = 0; i < names.size(); ++i) {
    const long id = static_cast<long>(i);
    reply += L"<Case ID=\"" + std::to_wstring(i % 7 ? id : -id) + L"\" CaseName=\"" + names[i] +
             L"\"/>\n";
  }
  return reply + L"</ListCases>";
}

template <class Run>
double Median(Run&& run) {
  return bench::Median(kRuns, run);
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
  const std::vector<std::wstring> small = MakeNames(10000);
  const std::vector<std::wstring> large = MakeNames(100000);
  std::printf("median of %d runs                  10,000 names  100,000 names    ratio\n", kRuns);
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
