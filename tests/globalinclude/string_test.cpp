#include <gtest/gtest.h>

#include <string>

#include "wqstring.h"

namespace {

TEST(StringBuffer, StartsInCallerStorage) {
  wchar_t storage[32];
  WQStringBuffer buffer(storage);
  EXPECT_EQ(buffer.GetString(), storage);
  EXPECT_EQ(buffer.GetCapacity(), 32u);
  EXPECT_STREQ(buffer, L"");
  buffer.Append(L"0123456789");
  EXPECT_EQ(buffer.GetString(), storage);
  EXPECT_FALSE(buffer.OwnsHeap());
}

TEST(StringBuffer, GrowsToHeapAndKeepsText) {
  wchar_t storage[32];
  WQStringBuffer buffer(storage);
  buffer.Append(L"abcd");
  const std::wstring forty(36, L'x');
  buffer.Append(forty.c_str());
  EXPECT_EQ(buffer.GetLength(), 40u);
  EXPECT_EQ(buffer.GetCapacity(), 512u);
  EXPECT_NE(buffer.GetString(), storage);
  EXPECT_TRUE(buffer.OwnsHeap());
  EXPECT_EQ(std::wstring(buffer), L"abcd" + forty);
}

TEST(StringBuffer, ReserveSteps) {
  WQStringBuffer buffer(512);
  buffer.Reserve(510);
  EXPECT_EQ(buffer.GetCapacity(), 512u);
  buffer.Reserve(511);
  EXPECT_EQ(buffer.GetCapacity(), 1024u);
  WQStringBuffer empty(0);
  EXPECT_EQ(empty.GetCapacity(), 0u);
  empty.AppendChar(L'z');
  EXPECT_EQ(empty.GetCapacity(), 512u);
  EXPECT_STREQ(empty, L"z");
}

// Text read in many small pieces: the buffer moves a number of times that grows with the
// logarithm of the length, so appending stays linear.
TEST(StringBuffer, ManyPiecesMoveRarely) {
  WQStringBuffer buffer;
  int moves = 0;
  size_t capacity = buffer.GetCapacity();
  for (int i = 0; i < 1000000; ++i) {
    buffer.AppendChar(L'a' + i % 26);
    if (buffer.GetCapacity() != capacity) ++moves, capacity = buffer.GetCapacity();
  }
  EXPECT_EQ(buffer.GetLength(), 1000000u);
  EXPECT_EQ(buffer.GetString()[999999], L'a' + 999999 % 26);
  EXPECT_LT(moves, 40);
}

TEST(StringBuffer, AppendAndAssignVariants) {
  WQStringBuffer buffer(64);
  buffer.Append(nullptr);
  buffer.Append(L"abc", 0);
  buffer.Append(nullptr, 5);
  EXPECT_STREQ(buffer, L"");
  buffer.Append(L"abcdef", 3);
  buffer.AppendChar(L'!');
  EXPECT_STREQ(buffer, L"abc!");
  buffer.Assign(L"xyz");
  EXPECT_STREQ(buffer, L"xyz");
  buffer.Assign(L"hello", 2);
  EXPECT_STREQ(buffer, L"he");
  buffer.Clear();
  EXPECT_EQ(buffer.GetLength(), 0u);
  EXPECT_EQ(buffer.GetCapacity(), 64u);
}

TEST(StringBuffer, FormatGrowsOnce) {
  wchar_t storage[1024];
  WQStringBuffer buffer(storage);
  const std::wstring long_text(3000, L'q');
  ASSERT_TRUE(buffer.Format(L"%ls-%d", long_text.c_str(), 7));
  EXPECT_EQ(std::wstring(buffer), long_text + L"-7");
  EXPECT_GE(buffer.GetCapacity(), 3003u);
  EXPECT_EQ(buffer.GetCapacity() % 512, 0u);
}

TEST(StringBuffer, FormatReplacesContent) {
  WQStringBuffer buffer(32);
  buffer.Append(L"old");
  ASSERT_TRUE(buffer.Format(L"0x%lx %ls", 0x8004C001UL, L"done"));
  EXPECT_STREQ(buffer, L"0x8004c001 done");
  EXPECT_FALSE(buffer.Format(nullptr));
  EXPECT_STREQ(buffer, L"");
}

TEST(HeapString, CopiesAndLengths) {
  WQHeapString empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.GetLength(), 0u);
  EXPECT_EQ(empty.GetString(), nullptr);
  WQHeapString part(L"abcdef", 3);
  EXPECT_STREQ(part.GetString(), L"abc");
  WQHeapString copy(part);
  EXPECT_NE(copy.GetString(), part.GetString());
  EXPECT_STREQ(copy.GetString(), L"abc");
  copy = L"xyz";
  EXPECT_STREQ(copy.GetString(), L"xyz");
  copy = copy;
  EXPECT_STREQ(copy.GetString(), L"xyz");
  copy = static_cast<const wchar_t*>(nullptr);
  EXPECT_EQ(copy.GetString(), nullptr);
  WQHeapString blank(L"");
  EXPECT_TRUE(blank.IsEmpty());
}

TEST(HeapString, Append) {
  WQHeapString text(L"abc");
  const wchar_t* before = text.GetString();
  text.Append(L"");
  text.Append(nullptr);
  EXPECT_EQ(text.GetString(), before);
  text.Append(L"defgh", 2);
  EXPECT_STREQ(text.GetString(), L"abcde");
  WQHeapString null;
  null.Append(L"first");
  EXPECT_STREQ(null.GetString(), L"first");
}

// A counted piece is characters, not a text: a leading U+0000 does not make it empty.
TEST(HeapString, AppendKeepsACountedPieceThatStartsWithANul) {
  WQHeapString text(L"ab");
  const wchar_t* before = text.GetString();
  const wchar_t piece[] = {L'\0', L'c', L'd'};
  text.Append(piece, 3);
  ASSERT_NE(text.GetString(), before) << "the piece was dropped";
  EXPECT_EQ(std::wstring(text.GetString(), 6), std::wstring(L"ab\0cd\0", 6));
}

TEST(HeapString, MoveAttachFreeFormat) {
  WQHeapString a(L"one");
  WQHeapString b(L"two");
  b.MoveFrom(a);
  EXPECT_STREQ(b.GetString(), L"one");
  EXPECT_EQ(a.GetString(), nullptr);
  a.Attach(WQStrDup(L"three"));
  EXPECT_STREQ(a.GetString(), L"three");
  a.Free();
  EXPECT_TRUE(a.IsEmpty());
  a.Format(L"%s=%d", L"n", 42);
  EXPECT_STREQ(a.GetString(), L"n=42");
}

TEST(StringHelpers, DupAndCompare) {
  EXPECT_EQ(WQStrDup(nullptr), nullptr);
  wchar_t* copy = WQStrDup(L"abcdef", 4);
  EXPECT_STREQ(copy, L"abcd");
  WQStrFree(copy);
  EXPECT_EQ(WQStrCompareNoCase(nullptr, nullptr), 0);
  EXPECT_NE(WQStrCompareNoCase(nullptr, L""), 0);
  EXPECT_NE(WQStrCompareNoCase(L"a", nullptr), 0);
  EXPECT_EQ(WQStrCompareNoCase(L"Case", L"cASE"), 0);
  EXPECT_LT(WQStrCompareNoCase(L"apple", L"Banana"), 0);
}

}  // namespace
