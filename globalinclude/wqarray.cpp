#include "wqarray.h"

// A lower-bound search: it ends for every input and gives the first position whose
// name is not less than `name`.
bool WQGroupList::Find(const wchar_t* name, int& index) const {
  int lo = 0;
  int hi = GetCount();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (WQStrCompareNoCase(GetAt(mid).name.GetString(), name) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  index = lo;
  return lo < GetCount() && WQStrCompareNoCase(GetAt(lo).name.GetString(), name) == 0;
}

void WQGroupList::Set(const wchar_t* name, LONG value) {
  int index = 0;
  if (Find(name, index)) {
    GetAt(index).value = value;
    return;
  }
  InsertAt(index, WQGroupEntry{WQHeapString(name), value});
}
