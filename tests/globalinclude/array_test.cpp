#include <gtest/gtest.h>

#include <vector>

#include "wqarray.h"

namespace {

std::vector<int> Contents(const WQArray<int>& a) {
  return std::vector<int>(a.GetData(), a.GetData() + a.GetCount());
}

TEST(Array, CapacitiesOfAGrowingIntegerArray) {
  WQArray<int> a;
  std::vector<int> capacities;
  for (int i = 0; i < 4100; ++i) {
    a.Add(i);
    if (capacities.empty() || capacities.back() != a.GetCapacity())
      capacities.push_back(a.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192}));
  for (int i = 0; i < 4100; ++i) ASSERT_EQ(a[i], i);
}

// A list of a length nobody knows ahead (a reader's records, a parser's element stack, a
// dialog's selection) grows by doubling past 512 as below it, however its elements arrive:
// steps of 512 would copy the whole list every 512 elements, quadratic in its length.
TEST(Array, LongListsGrowPastTheStepsByDoubling) {
  WQArray<int> inserted;
  WQArray<WQHeapString> records;
  std::vector<int> capacities;
  for (int i = 0; i < 4100; ++i) {
    inserted.InsertAt(0, 4099 - i);
    records.Add(WQHeapString(L"r"));
    if (capacities.empty() || capacities.back() != inserted.GetCapacity())
      capacities.push_back(inserted.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192}));
  EXPECT_EQ(records.GetCapacity(), 4096 + 4096);
  for (int i = 0; i < 4100; ++i) ASSERT_EQ(inserted[i], i);
  EXPECT_STREQ(records[4099].GetString(), L"r");
}

TEST(Array, RecordsRoundToFour) {
  WQArray<WQHeapString> names;
  names.Add(WQHeapString(L"a"));
  EXPECT_EQ(names.GetCapacity(), 4);
  for (int i = 0; i < 4; ++i) names.Add(WQHeapString(L"b"));
  EXPECT_EQ(names.GetCapacity(), 8);
  EXPECT_STREQ(names[0].GetString(), L"a");
  EXPECT_STREQ(names[4].GetString(), L"b");
}

TEST(Array, InsertIntoFullArrayAtFront) {
  WQArray<int> a;
  for (int i = 1; i <= 8; ++i) a.Add(i);
  ASSERT_EQ(a.GetCapacity(), 8);
  a.InsertAt(0, 0);
  EXPECT_EQ(a.GetCapacity(), 16);
  EXPECT_EQ(Contents(a), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  a.InsertAt(4, 99);
  EXPECT_EQ(Contents(a), (std::vector<int>{0, 1, 2, 3, 99, 4, 5, 6, 7, 8}));
}

TEST(Array, RemoveKeepsCapacity) {
  WQArray<int> a;
  a.Add(5);
  a.RemoveAt(0);
  EXPECT_EQ(a.GetCount(), 0);
  EXPECT_EQ(a.GetCapacity(), 8);
  for (int i = 0; i < 5; ++i) a.Add(i);
  a.RemoveAt(2);
  EXPECT_EQ(Contents(a), (std::vector<int>{0, 1, 3, 4}));
  a.Clear();
  EXPECT_EQ(a.GetCount(), 0);
  EXPECT_EQ(a.GetCapacity(), 8);
  a.RemoveAll();
  EXPECT_EQ(a.GetCapacity(), 0);
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(Array, ReserveCopyAndMove) {
  WQArray<int> a(3);
  EXPECT_EQ(a.GetCapacity(), 8);
  a.Reserve(5);
  EXPECT_EQ(a.GetCapacity(), 8);
  a.Add(1);
  a.Add(2);
  WQArray<int> copy(a);
  EXPECT_EQ(Contents(copy), (std::vector<int>{1, 2}));
  WQArray<int> moved;
  moved.Add(9);
  moved.MoveFrom(a);
  EXPECT_EQ(Contents(moved), (std::vector<int>{1, 2}));
  EXPECT_EQ(a.GetCount(), 0);
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(Array, BstrElementsAreOwnedCopies) {
  WQBstrArray names;
  BSTR original = SysAllocString(L"Administrators");
  names.Add(original);
  EXPECT_NE(names[0], original);
  EXPECT_STREQ(names[0], L"Administrators");
  SysFreeString(original);
  names.Add(nullptr);
  EXPECT_EQ(names[1], nullptr);
  names.RemoveAt(0);
  EXPECT_EQ(names.GetCount(), 1);
}

struct Counted {
  static int alive;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};
int Counted::alive = 0;

TEST(Array, OwnedPointersAreDeleted) {
  {
    WQOwnedPtrArray<Counted> rows;
    rows.Add(new Counted);
    rows.Add(new Counted);
    rows.Add(new Counted);
    EXPECT_EQ(Counted::alive, 3);
    rows.RemoveAt(1);
    EXPECT_EQ(Counted::alive, 2);
  }
  EXPECT_EQ(Counted::alive, 0);
}

TEST(GroupList, KeepsNamesSortedWithoutCase) {
  WQGroupList groups;
  groups.Set(L"b", 1);
  groups.Set(L"A", 2);
  groups.Set(L"c", 3);
  ASSERT_EQ(groups.GetCount(), 3);
  EXPECT_STREQ(groups[0].name.GetString(), L"A");
  EXPECT_STREQ(groups[1].name.GetString(), L"b");
  EXPECT_STREQ(groups[2].name.GetString(), L"c");
  groups.Set(L"B", 7);
  EXPECT_EQ(groups.GetCount(), 3);
  EXPECT_EQ(groups[1].value, 7);
  EXPECT_STREQ(groups[1].name.GetString(), L"b");
}

TEST(GroupList, FindGivesInsertionPoints) {
  WQGroupList groups;
  int index = -1;
  EXPECT_FALSE(groups.Find(L"x", index));
  EXPECT_EQ(index, 0);
  for (const wchar_t* name : {L"b", L"d", L"f", L"h"}) groups.Set(name, 0);
  const struct {
    const wchar_t* name;
    bool found;
    int index;
  } cases[] = {{L"a", false, 0}, {L"B", true, 0}, {L"c", false, 1}, {L"D", true, 1},
               {L"e", false, 2}, {L"h", true, 3}, {L"z", false, 4}, {L"", false, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(groups.Find(c.name, index), c.found) << c.name;
    EXPECT_EQ(index, c.index) << c.name;
  }
}

}  // namespace
