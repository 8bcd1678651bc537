#include "selectionitems.h"

#include <cwctype>
#include <numeric>

const wchar_t* NameFoldTable() {
  static const std::vector<wchar_t> table = [] {
    std::vector<wchar_t> lowered(0x10000);
    for (unsigned c = 0; c < lowered.size(); ++c)
      lowered[c] = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
    return lowered;
  }();
  return table.data();
}

std::vector<int> NameOrder(int count, const std::function<const wchar_t*(int)>& name) {
  // All keys in one buffer: sorting then reads memory in few places.
  const wchar_t* fold = NameFoldTable();
  std::vector<size_t> starts(static_cast<size_t>(count));
  std::vector<wchar_t> keys;
  for (int i = 0; i < count; ++i) {
    starts[i] = keys.size();
    for (const wchar_t* c = name(i); c && *c; ++c)
      keys.push_back(fold[static_cast<unsigned short>(*c)]);
    keys.push_back(L'\0');
  }
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  const wchar_t* base = keys.data();
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const wchar_t* x = base + starts[a];
    const wchar_t* y = base + starts[b];
    while (*x && *x == *y) ++x, ++y;
    return static_cast<unsigned short>(*x) < static_cast<unsigned short>(*y);
  });
  return order;
}
