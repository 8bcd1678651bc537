// Growable arrays: WQArray<T> with its growth rule, the owned-BSTR and owned-pointer
// instances, and WQGroupList, a list of named values kept sorted without regard to case.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "wqstring.h"

// How an array copies, destroys and rounds its elements. Scalars (integers, bytes,
// pointers, BSTRs) round the capacity to 8, records to 4.
template <class T>
struct WQArrayTraits {
  static constexpr int kRounding = std::is_scalar_v<T> ? 8 : 4;
  static void Construct(T* slot, const T& value) { new (slot) T(value); }
  static void Destroy(T& element) { element.~T(); }
};

// BSTR elements are owned: an added string is copied, a removed one freed.
struct WQBstrTraits {
  static constexpr int kRounding = 8;
  static void Construct(BSTR* slot, const BSTR& value) {
    *slot = value ? SysAllocStringLen(value, SysStringLen(value)) : nullptr;
    if (value && !*slot) throw std::bad_alloc();
  }
  static void Destroy(BSTR& element) {
    SysFreeString(element);
    element = nullptr;
  }
};

// Pointer elements own what they point to; adding hands the object over.
template <class P>
struct WQOwnedPtrTraits {
  static constexpr int kRounding = 8;
  static void Construct(P** slot, P* const& value) { *slot = value; }
  static void Destroy(P*& element) {
    delete element;
    element = nullptr;
  }
};

template <class T, class Traits = WQArrayTraits<T>>
class WQArray {
 public:
  explicit WQArray(int n = 0) {
    if (n) Reserve(n);
  }
  WQArray(const WQArray& other) {
    Reserve(other.count_);
    for (int i = 0; i < other.count_; ++i) Add(other.data_[i]);
  }
  WQArray& operator=(const WQArray&) = delete;
  ~WQArray() { RemoveAll(); }

  int GetCount() const { return count_; }
  int GetCapacity() const { return capacity_; }
  T* GetData() const { return data_; }
  T& GetAt(int i) const { return data_[i]; }
  T& operator[](int i) const { return data_[i]; }

  void Add(const T& value) { InsertAt(count_, value); }

  void InsertAt(int i, const T& value) {
    if (count_ < capacity_) {
      if (i < count_) {
        std::memmove(static_cast<void*>(data_ + i + 1), data_ + i, (count_ - i) * sizeof(T));
      }
      ConstructAt(data_ + i, value, [&] {
        if (i < count_)
          std::memmove(static_cast<void*>(data_ + i), data_ + i + 1, (count_ - i) * sizeof(T));
      });
    } else {
      const int capacity = Round(capacity_ + GrowthStep());
      T* block = Allocate(capacity);
      ConstructAt(block + i, value, [&] { ::operator delete(block); });
      if (i) std::memcpy(static_cast<void*>(block), data_, i * sizeof(T));
      if (count_ > i)
        std::memcpy(static_cast<void*>(block + i + 1), data_ + i, (count_ - i) * sizeof(T));
      ::operator delete(data_);
      data_ = block;
      capacity_ = capacity;
    }
    ++count_;
  }

  void RemoveAt(int i) {
    Traits::Destroy(data_[i]);
    if (i + 1 < count_)
      std::memmove(static_cast<void*>(data_ + i), data_ + i + 1, (count_ - i - 1) * sizeof(T));
    --count_;
  }

  void RemoveAll() {
    Clear();
    ::operator delete(data_);
    data_ = nullptr;
    capacity_ = 0;
  }

  // Destroys the elements and keeps the block.
  void Clear() {
    for (int i = 0; i < count_; ++i) Traits::Destroy(data_[i]);
    count_ = 0;
  }

  void Reserve(int n) {
    if (n <= capacity_) return;
    const int capacity = Round(n);
    T* block = Allocate(capacity);
    if (count_) std::memcpy(static_cast<void*>(block), data_, count_ * sizeof(T));
    ::operator delete(data_);
    data_ = block;
    capacity_ = capacity;
  }

  void MoveFrom(WQArray& other) {
    if (&other == this) return;
    RemoveAll();
    count_ = std::exchange(other.count_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    data_ = std::exchange(other.data_, nullptr);
  }

 private:
  // The array doubles at every size: a list added to one element at a time (a reader's
  // records, a parser's element stack, a dialog's selection) then costs time linear in its
  // length. Steps of a fixed size would copy the whole list again at every step. Only near
  // the largest count does it go back to fixed steps, so that the capacity cannot overflow.
  int GrowthStep() const {
    if (capacity_ == 0) return 1;
    return capacity_ <= INT_MAX / 4 ? capacity_ : 512;
  }

  // Elements are relocated with memcpy: every element type the module stores (scalars,
  // records of pointers, WQHeapString) is trivially relocatable.
  static int Round(int n) {
    return (n + Traits::kRounding - 1) / Traits::kRounding * Traits::kRounding;
  }

  static T* Allocate(int capacity) {
    void* block = ::operator new(static_cast<size_t>(capacity) * sizeof(T));
    std::memset(block, 0, static_cast<size_t>(capacity) * sizeof(T));
    return static_cast<T*>(block);
  }

  template <class Undo>
  static void ConstructAt(T* slot, const T& value, Undo undo) {
    try {
      Traits::Construct(slot, value);
    } catch (...) {
      undo();
      throw;
    }
  }

  int count_ = 0;
  int capacity_ = 0;
  T* data_ = nullptr;
};

class WQBstrArray : public WQArray<BSTR, WQBstrTraits> {
 public:
  using WQArray::WQArray;
};

template <class P>
class WQOwnedPtrArray : public WQArray<P*, WQOwnedPtrTraits<P>> {
 public:
  using WQArray<P*, WQOwnedPtrTraits<P>>::WQArray;
  WQOwnedPtrArray(const WQOwnedPtrArray&) = delete;
};

struct WQGroupEntry {
  WQHeapString name;
  LONG value;
};

class WQGroupList : public WQArray<WQGroupEntry> {
 public:
  // Binary search without regard to case. When not found, index is the insertion point.
  bool Find(const wchar_t* name, int& index) const;
  void Set(const wchar_t* name, LONG value);
};
