// The item list of the selection objects: merging loads must give exactly the order of
// one-by-one sorted insertion, with every column following its name.
#include <gtest/gtest.h>

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

// The order by definition: each item at the first position whose name compares greater.
void InsertOneByOne(std::vector<Item>& list, const Item& item) {
  auto at = list.begin();
  while (at != list.end() && !NameLess(item.name.c_str(), at->name.c_str())) ++at;
  list.insert(at, item);
}

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

}  // namespace
