// Text containers: a growable wide-character buffer that starts in storage given by its
// owner, an owned heap copy of a wide string, and their free helpers.
#pragma once

#include <windows.h>

#include <cstdarg>

class WQStringBuffer {
 public:
  // Over caller storage (usually a stack array); moves to the heap only to grow.
  WQStringBuffer(wchar_t* storage, size_t capacity);
  template <size_t N>
  explicit WQStringBuffer(wchar_t (&storage)[N]) : WQStringBuffer(storage, N) {}
  // Heap storage of `capacity` characters (none for 0).
  explicit WQStringBuffer(size_t capacity = 0);
  WQStringBuffer(const WQStringBuffer&) = delete;
  WQStringBuffer& operator=(const WQStringBuffer&) = delete;
  ~WQStringBuffer();

  void Append(const wchar_t* text);
  void Append(const wchar_t* text, size_t count);
  void AppendChar(wchar_t c);
  void Assign(const wchar_t* text);
  void Assign(const wchar_t* text, size_t count);
  // printf-style formatting (the C runtime's wide conventions) replacing the content.
  // A bad format leaves an empty text and returns false.
  bool Format(const wchar_t* format, ...);
  bool FormatV(const wchar_t* format, va_list args);
  void Clear();
  // Room for n characters and the terminator.
  void Reserve(size_t n);

  size_t GetLength() const { return static_cast<size_t>(end_ - begin_); }
  size_t GetCapacity() const { return capacity_; }
  const wchar_t* GetString() const { return begin_ ? begin_ : L""; }
  operator const wchar_t*() const { return GetString(); }
  bool OwnsHeap() const { return ownsHeap_; }

 private:
  wchar_t* begin_;
  wchar_t* end_;
  size_t capacity_;
  bool ownsHeap_;
};

// A heap copy of (text, length); length 0 means up to the terminator; null gives null.
wchar_t* WQStrDup(const wchar_t* text, size_t length = 0);
void WQStrFree(wchar_t* text);
// Compares without regard to case; two null texts are equal, a null text equals no other.
int WQStrCompareNoCase(const wchar_t* a, const wchar_t* b);

class WQHeapString {
 public:
  WQHeapString() = default;
  explicit WQHeapString(const wchar_t* text, size_t length = 0);
  WQHeapString(const WQHeapString& other);
  WQHeapString& operator=(const WQHeapString& other);
  WQHeapString& operator=(const wchar_t* text);
  ~WQHeapString();

  void Assign(const wchar_t* text, size_t length = 0);
  void Append(const wchar_t* text, size_t length = 0);
  void Format(const wchar_t* format, ...);
  void MoveFrom(WQHeapString& other);
  void Attach(wchar_t* text);
  void Free();

  size_t GetLength() const;
  bool IsEmpty() const { return !text_ || !*text_; }
  const wchar_t* GetString() const { return text_; }

 private:
  wchar_t* text_ = nullptr;
};
