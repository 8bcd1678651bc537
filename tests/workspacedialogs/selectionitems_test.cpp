// The item list of the selection objects: merging loads must give exactly the order of
// one-by-one sorted insertion, with every column following its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "workspacedialogs/selectionitems.h"

namespace {

struct Item {
  std::wstring name;
  LONG id;
  std::wstring second;
  bool operator==(const Item&) const = default;
};

using Items = SortedItems<LONG, BSTR>;

std::vector<Item> Contents(const Items& items) {
  std::vector<Item> contents;
  for (int i = 0; i < items.GetCount(); ++i)
    contents.push_back({items.GetNames()[i], items.GetColumn<0>()[i], items.GetColumn<1>()[i]});
  return contents;
}

// The order by definition: each item at the first position whose name compares greater
// by the C runtime's comparison without regard to case.
void InsertOneByOne(std::vector<Item>& list, const Item& item) {
  auto at = list.begin();
  while (at != list.end() && _wcsicmp(item.name.c_str(), at->name.c_str()) >= 0) ++at;
  list.insert(at, item);
}

int Sign(int value) { return (value > 0) - (value < 0); }

void Load(Items& items, std::vector<Item>& reference, const std::vector<Item>& batch) {
  for (const Item& item : batch) {
    items.Add(item.name.c_str(), item.id, item.second.c_str());
    InsertOneByOne(reference, item);
  }
  items.Commit();
}

TEST(SortedItems, MergedLoadsMatchOneByOneInsertion) {
  Items items;
  std::vector<Item> reference;
  unsigned seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const wchar_t* stems[] = {L"Case", L"case", L"Base", L"DESIGN", L"design", L"Z"};
  LONG id = 0;
  for (int load = 0; load < 6; ++load) {
    std::vector<Item> batch;
    for (unsigned n = next() % 40; n > 0; --n) {
      const std::wstring name = stems[next() % 6] + std::to_wstring(next() % 5);
      batch.push_back({name, ++id, L"#" + std::to_wstring(id)});
    }
    Load(items, reference, batch);
    ASSERT_EQ(Contents(items), reference) << "after load " << load;
  }
}

// Long names that agree in their first dozen characters and more, differ in case, or end
// one before another: the order still comes from the whole name.
TEST(SortedItems, LongNamesWithACommonStartMatchOneByOneInsertion) {
  Items items;
  std::vector<Item> reference;
  unsigned seed = 777;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const wchar_t* stems[] = {L"Operating ca",
                            L"operating case",
                            L"OPERATING CASE ",
                            L"Operating c",
                            L"Operating case 1",
                            L"Operating case\u00e91",
                            L""};
  LONG id = 0;
  for (int load = 0; load < 4; ++load) {
    std::vector<Item> batch;
    for (unsigned n = 20 + next() % 60; n > 0; --n) {
      std::wstring name = stems[next() % 7];
      for (unsigned digits = next() % 4; digits > 0; --digits) name += L"0123456789"[next() % 10];
      batch.push_back({name, ++id, L"#" + std::to_wstring(id)});
    }
    Load(items, reference, batch);
    ASSERT_EQ(Contents(items), reference) << "after load " << load;
  }
  for (int i = 0; i < items.GetCount(); ++i)
    EXPECT_EQ(SysStringLen(items.GetNames()[i]), wcslen(items.GetNames()[i])) << i;
  // A null name counts as empty.
  Items few;
  few.Add(L"b", 1, L"");
  few.Add(nullptr, 2, nullptr);
  few.Commit();
  EXPECT_STREQ(few.GetNames()[0], L"");
  EXPECT_EQ(few.GetColumn<0>()[0], 2);
}

TEST(SortedItems, PositionsFollowTheirItemsThroughALoad) {
  Items items;
  std::vector<Item> reference;
  Load(items, reference, {{L"b", 1, L""}, {L"d", 2, L""}, {L"f", 3, L""}});
  WQArray<LONG> positions;
  positions.Add(2);  // f
  positions.Add(0);  // b
  items.Add(L"a", 4, L"");
  items.Add(L"e", 5, L"");
  items.Add(L"b", 6, L"");
  items.Commit(&positions);
  ASSERT_EQ(items.GetCount(), 6);
  EXPECT_EQ(items.GetColumn<0>()[positions[0]], 3);
  EXPECT_EQ(items.GetColumn<0>()[positions[1]], 1);
}

// Names that differ by case, accents, digits and punctuation, some equal without regard to
// case: the list keeps the runtime's order and arrival order among equals.
const wchar_t* const kMixedNames[] = {
    L"a",         L"A",      L"\u00e1", L"\u00c1",  L"e",      L"E",           L"\u00e9",
    L"\u00c9",    L"z",      L"Z",      L"_",       L"[",      L"^",           L"`",
    L"{",         L"~",      L"-",      L" ",       L"1",      L"10",          L"2",
    L"a1",        L"A10",    L"a2",     L"a-b",     L"a b",    L"a_b",         L"aZ",
    L"a_",        L"A_",     L"case 9", L"Case 10", L"CASE 9", L"case\u00a09", L"Stra\u00dfe",
    L"STRASSE",   L"\u01c5", L"\u01c4", L"\u01c6",  L"\u0130", L"\u0131",      L"i",
    L"I",         L"\u212a", L"k",      L"K",       L"\u017f", L"s",           L"\u03a3",
    L"\u03c3",    L"\u03c2", L"\u0416", L"\u0436",  L"",       L"\uff21",      L"\uff41",
    L"\U0001F600"};

TEST(SortedItems, KeepsTheRuntimesOrderOfMixedNames) {
  for (const wchar_t* a : kMixedNames)
    for (const wchar_t* b : kMixedNames) {
      EXPECT_EQ(NameLess(a, b), _wcsicmp(a, b) < 0) << "\"" << a << "\" < \"" << b << "\"";
    }

  // Every name three times, in three loads that arrive in different orders.
  std::vector<Item> names;
  LONG id = 0;
  for (int copy = 0; copy < 3; ++copy)
    for (const wchar_t* name : kMixedNames) names.push_back({name, ++id, L""});
  Items items;
  std::vector<Item> reference;
  std::vector<Item> load(names.begin(), names.begin() + 60);
  std::reverse(load.begin(), load.end());
  Load(items, reference, load);
  Load(items, reference, std::vector<Item>(names.begin() + 60, names.begin() + 100));
  load.assign(names.begin() + 100, names.end());
  std::rotate(load.begin(), load.begin() + 17, load.end());
  Load(items, reference, load);
  EXPECT_EQ(Contents(items), reference);
}

// Every character of the basic plane against letters, digits and the punctuation that
// lies between the upper and lower case letters.
TEST(SortedItems, ComparesEveryCharacterAsTheRuntimeDoes) {
  const wchar_t probes[] = {L'A', L'Z', L'a', L'z', L'0',  L'9',  L'[',  L'_',  L'`',   L'{',
                            L'~', 0xC0, 0xE0, 0xDF, 0x130, 0x131, 0x3A3, 0x3C3, 0x212A, 0xFF21};
  int differences = 0;
  for (unsigned c = 1; c <= 0xFFFF && differences < 10; ++c) {
    const wchar_t one[] = {static_cast<wchar_t>(c), L'x', 0};
    for (wchar_t probe : probes) {
      const wchar_t other[] = {probe, L'x', 0};
      if (Sign(_wcsicmp(one, other)) != (NameLess(one, other)   ? -1
                                         : NameLess(other, one) ? 1
                                                                : 0)) {
        ADD_FAILURE() << "character " << c << " against " << static_cast<unsigned>(probe);
        ++differences;
      }
    }
  }
}

}  // namespace
