#include "selectionitems.h"

#include <cwctype>
#include <algorithm>
#include <cstdint>
#include <stdexcept>

const wchar_t* NameFoldTable() {
  static const std::vector<wchar_t> table = [] {
    std::vector<wchar_t> lowered(0x10000);
    for (unsigned c = 0; c < lowered.size(); ++c)
      lowered[c] = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
    return lowered;
  }();
  return table.data();
}

namespace {

// A name's place in the sort: its first twelve lowered characters packed so that comparing
// the numbers compares them (a shorter key pads with nulls, as its end would), where the
// rest of its key starts, and its arrival. Most comparisons end in the packed characters,
// without a look at the keys, which lie all over memory once the batch is large.
struct SortEntry {
  static constexpr int kPacked = 4;  // characters per number
  uint64_t head[3];
  uint32_t start;
  int index;
};

bool EntryLess(const SortEntry& a, const SortEntry& b, const wchar_t* keys) {
  if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
  if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
  if (a.head[2] != b.head[2]) return a.head[2] < b.head[2];
  // Equal heads that end in a null are equal names; otherwise the keys go on.
  if ((a.head[2] & 0xFFFF) != 0) {
    const wchar_t* x = keys + a.start;
    const wchar_t* y = keys + b.start;
    while (*x && *x == *y) ++x, ++y;
    if (*x != *y) return static_cast<unsigned short>(*x) < static_cast<unsigned short>(*y);
  }
  return a.index < b.index;
}

}  // namespace

std::vector<int> NameOrder(int count, const std::function<const wchar_t*(int)>& name) {
  // The keys past the heads in one buffer; a name that fits its head needs only its null.
  const wchar_t* fold = NameFoldTable();
  std::vector<SortEntry> entries(static_cast<size_t>(count));
  std::vector<wchar_t> keys;
  keys.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    SortEntry& entry = entries[i];
    entry.index = i;
    const wchar_t* c = name(i);
    if (!c) c = L"";
    for (uint64_t& head : entry.head) {
      head = 0;
      for (int n = 0; n < SortEntry::kPacked; ++n) {
        const wchar_t lowered = *c ? fold[static_cast<unsigned short>(*c)] : L'\0';
        // A character lowered to a null ends the key, as it ends the comparison.
        if (!lowered)
          c = L"";
        else
          ++c;
        head = head << 16 | static_cast<unsigned short>(lowered);
      }
    }
    if (keys.size() > UINT32_MAX) throw std::length_error("names too long to put in order");
    entry.start = static_cast<uint32_t>(keys.size());
    for (; *c; ++c) {
      const wchar_t lowered = fold[static_cast<unsigned short>(*c)];
      if (!lowered) break;
      keys.push_back(lowered);
    }
    keys.push_back(L'\0');
  }
  // The arrival breaks ties, so the order is the stable one.
  const wchar_t* base = keys.data();
  std::sort(entries.begin(), entries.end(),
            [base](const SortEntry& a, const SortEntry& b) { return EntryLess(a, b, base); });
  std::vector<int> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order[i] = entries[i].index;
  return order;
}
