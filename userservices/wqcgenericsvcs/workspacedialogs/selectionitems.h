// The items a selection object lists: one name per item, kept in ascending order without
// regard to case, and parallel columns of per-item values (keys, flags, a second name).
//
//   SortedItems<LONG> cases;           // names and case IDs
//   cases.Add(L"beta", 3);              // a load adds to a batch ...
//   cases.Add(L"Alpha", 1);
//   cases.Commit();                     // ... that joins the list in one pass
//   cases.GetNames()[0];                // "Alpha"
//   cases.GetColumn<0>()[0];            // 1
//
// The order is the one that inserting each item at the first name comparing greater
// gives (so equal names stay in arrival order, a later one after the earlier): the batch
// is stable-sorted and merged behind the existing items of equal name. One-by-one
// insertion would move the whole list for every item, which large workspaces cannot
// afford. Names are compared as the C runtime compares them without regard to case
// (`_wcsicmp`: characters lowered one by one, then compared by value), with the lowering
// looked up in a table: the runtime's own comparison asks for its locale at every call.
#pragma once

#include <handles.h>
#include <wqarray.h>
#include <wqstring.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

// How one column stores its values, takes them in and holds them while pending. Texts are
// owned BSTRs; everything else is stored by value.
template <class T>
struct ItemColumn {
  using array = WQArray<T>;
  using param = T;
  using pending = T;
  static pending Hold(param value) { return value; }
  static T Release(pending& value) { return value; }
};

template <>
struct ItemColumn<BSTR> {
  using array = WQBstrArray;
  using param = const wchar_t*;
  using pending = plat::unique_bstr;
  static pending Hold(param text) { return plat::unique_bstr::copy(text ? text : L""); }
  static BSTR Release(pending& text) { return text.release(); }
};

// Each character as the C runtime lowers it when it compares without regard to case.
const wchar_t* NameFoldTable();

// Orders item names: without regard to case, in the C runtime's order.
inline bool NameLess(const wchar_t* a, const wchar_t* b) {
  const wchar_t* fold = NameFoldTable();
  wchar_t x, y;
  do {
    x = fold[static_cast<unsigned short>(*a++)];
    y = fold[static_cast<unsigned short>(*b++)];
  } while (x && x == y);
  return x < y;
}

// The order of `count` names by NameLess, equal names in their order: each name is lowered
// once into a key, and the keys are sorted.
std::vector<int> NameOrder(int count, const std::function<const wchar_t*(int)>& name);

template <class... Values>
class SortedItems {
 public:
  SortedItems() = default;
  SortedItems(const SortedItems&) = delete;
  SortedItems& operator=(const SortedItems&) = delete;

  int GetCount() const { return names_.GetCount(); }
  const WQBstrArray& GetNames() const { return names_; }
  template <size_t I>
  const auto& GetColumn() const {
    return std::get<I>(columns_);
  }

  // Adds an item to the batch; a null name counts as empty. The batch's names wait in one
  // buffer and are made in their order when it joins the list.
  void Add(const wchar_t* name, typename ItemColumn<Values>::param... values) {
    const size_t start = batchNames_.size();
    try {
      if (!name) name = L"";
      batchNames_.insert(batchNames_.end(), name, name + wcslen(name) + 1);
      batch_.push_back(Pending{start, std::tuple(ItemColumn<Values>::Hold(values)...)});
    } catch (...) {
      batchNames_.resize(start);
      throw;
    }
  }
  int GetPendingCount() const { return static_cast<int>(batch_.size()); }

  // Ends a load: the batch of one that succeeded joins the list (as Commit), that of one
  // that failed goes, so the list is as it was. A client cannot tell the items read before
  // a break from a whole list, nor would an empty list be loaded again. Returns `load`.
  HRESULT EndLoad(HRESULT load, WQArray<LONG>* positions = nullptr) {
    if (FAILED(load)) {
      batch_.clear();
      batchNames_.clear();
      return load;
    }
    Commit(positions);
    return load;
  }

  // Puts the batch in its place in the list; the batch is empty afterwards, also when
  // there is no memory for the merge (its items are then dropped). `positions`, when
  // given, are positions in the list that keep pointing at their items.
  void Commit(WQArray<LONG>* positions = nullptr) {
    std::vector<Pending> arrived;
    arrived.swap(batch_);
    std::vector<wchar_t> texts;
    texts.swap(batchNames_);
    if (arrived.empty()) return;
    const int added = static_cast<int>(arrived.size());
    const auto nameAt = [&](int i) { return texts.data() + arrived[i].name; };
    const std::vector<int> order = NameOrder(added, nameAt);
    // The names are made in their order, so that the list's names lie in memory in the
    // order it is read and freed.
    std::vector<Ready> batch(static_cast<size_t>(added));
    for (int n = 0; n < added; ++n) {
      // A large batch's items are read out of their order: ask for them ahead.
      if (n + 16 < added) {
        __builtin_prefetch(&arrived[order[n + 16]]);
        if (n + 8 < added) __builtin_prefetch(nameAt(order[n + 8]));
      }
      const int at = order[n];
      const size_t end = at + 1 < added ? arrived[at + 1].name : texts.size();
      batch[n].name =
          plat::unique_bstr::copy(nameAt(at), static_cast<UINT>(end - 1 - arrived[at].name));
      batch[n].values = std::move(arrived[at].values);
    }
    const int existing = names_.GetCount();
    // Everything that can fail comes first: afterwards only values move.
    std::vector<int> moved;
    if (positions && positions->GetCount()) moved.resize(existing, -1);
    names_.Reserve(existing + added);
    std::apply([&](auto&... column) { (column.Reserve(existing + added), ...); }, columns_);
    for (int n = 0; n < added; ++n) {
      names_.Add(nullptr);
      std::apply([](auto&... column) { (column.Add({}), ...); }, columns_);
    }
    // Merge from the back: the larger of the two tails goes last, and of two equal names
    // the batch's, which came later.
    int i = existing - 1;
    int j = added - 1;
    for (int k = existing + added - 1; j >= 0; --k) {
      if (i >= 0 && NameLess(batch[j].name.get(), names_[i])) {
        if (!moved.empty()) moved[i] = k;
        MoveWithin(i--, k);
      } else {
        MoveIn(batch[j--], k);
      }
    }
    for (int p = 0; !moved.empty() && p < positions->GetCount(); ++p) {
      LONG& position = (*positions)[p];
      if (position >= 0 && position < existing && moved[position] >= 0) position = moved[position];
    }
  }

 private:
  using Indexes = std::index_sequence_for<Values...>;

  using PendingValues = std::tuple<typename ItemColumn<Values>::pending...>;
  struct Pending {
    size_t name;  // where the name starts in batchNames_
    PendingValues values;
  };
  // An item of the batch in its place, its name made.
  struct Ready {
    plat::unique_bstr name;
    PendingValues values;
  };

  void MoveWithin(int from, int to) { MoveWithin(from, to, Indexes{}); }
  template <size_t... I>
  void MoveWithin(int from, int to, std::index_sequence<I...>) {
    names_[to] = std::exchange(names_[from], nullptr);
    ((std::get<I>(columns_)[to] = std::get<I>(columns_)[from]), ...);
  }

  void MoveIn(Ready& item, int to) { MoveIn(item, to, Indexes{}); }
  template <size_t... I>
  void MoveIn(Ready& item, int to, std::index_sequence<I...>) {
    names_[to] = item.name.release();
    ((std::get<I>(columns_)[to] = ItemColumn<Values>::Release(std::get<I>(item.values))), ...);
  }

  WQBstrArray names_;
  std::tuple<typename ItemColumn<Values>::array...> columns_;
  std::vector<Pending> batch_;
  std::vector<wchar_t> batchNames_;  // the batch's names, each ending in a null
};
