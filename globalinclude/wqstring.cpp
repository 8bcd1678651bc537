#include "wqstring.h"

#include <cstdio>
#include <cwchar>
#include <new>

WQStringBuffer::WQStringBuffer(wchar_t* storage, size_t capacity)
    : begin_(storage), end_(storage), capacity_(capacity), ownsHeap_(false) {
  if (begin_ && capacity_) *begin_ = L'\0';
}

WQStringBuffer::WQStringBuffer(size_t capacity)
    : begin_(nullptr), end_(nullptr), capacity_(capacity), ownsHeap_(true) {
  if (capacity_) {
    begin_ = end_ = new wchar_t[capacity_];
    *begin_ = L'\0';
  }
}

WQStringBuffer::~WQStringBuffer() {
  if (ownsHeap_) delete[] begin_;
}

void WQStringBuffer::Reserve(size_t n) {
  if (capacity_ > n + 1) return;
  // Growing by half at least keeps text that arrives in many small pieces linear.
  const size_t wanted = n + 1 > capacity_ + capacity_ / 2 ? n + 1 : capacity_ + capacity_ / 2;
  const size_t capacity = (wanted / 512 + 1) * 512;
  wchar_t* block = new wchar_t[capacity];
  const size_t length = GetLength();
  if (length) wmemcpy(block, begin_, length);
  block[length] = L'\0';
  if (ownsHeap_) delete[] begin_;
  begin_ = block;
  end_ = block + length;
  capacity_ = capacity;
  ownsHeap_ = true;
}

void WQStringBuffer::Append(const wchar_t* text) {
  if (text) Append(text, wcslen(text));
}

void WQStringBuffer::Append(const wchar_t* text, size_t count) {
  if (!text || !count) return;
  Reserve(GetLength() + count);
  wmemcpy(end_, text, count);
  end_ += count;
  *end_ = L'\0';
}

void WQStringBuffer::AppendChar(wchar_t c) { Append(&c, 1); }

void WQStringBuffer::Assign(const wchar_t* text) {
  Clear();
  Append(text);
}

void WQStringBuffer::Assign(const wchar_t* text, size_t count) {
  Clear();
  Append(text, count);
}

void WQStringBuffer::Clear() {
  if (!begin_) Reserve(0);
  end_ = begin_;
  *end_ = L'\0';
}

bool WQStringBuffer::Format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const bool ok = FormatV(format, args);
  va_end(args);
  return ok;
}

// The result is measured once, then written: a bad format (the runtime answers -1)
// must not make the buffer grow without end.
bool WQStringBuffer::FormatV(const wchar_t* format, va_list args) {
  Clear();
  if (!format) return false;
  va_list measure;
  va_copy(measure, args);
  const int needed = _vscwprintf(format, measure);
  va_end(measure);
  if (needed < 0) return false;
  Reserve(static_cast<size_t>(needed));
  const int written = _vsnwprintf(begin_, capacity_ - 1, format, args);
  if (written < 0) {
    Clear();
    return false;
  }
  end_ = begin_ + written;
  *end_ = L'\0';
  return true;
}

wchar_t* WQStrDup(const wchar_t* text, size_t length) {
  if (!text) return nullptr;
  if (length == 0) length = wcslen(text);
  wchar_t* copy = new wchar_t[length + 1];
  wmemcpy(copy, text, length);
  copy[length] = L'\0';
  return copy;
}

void WQStrFree(wchar_t* text) { delete[] text; }

int WQStrCompareNoCase(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
  return _wcsicmp(a, b);
}

WQHeapString::WQHeapString(const wchar_t* text, size_t length) : text_(WQStrDup(text, length)) {}

WQHeapString::WQHeapString(const WQHeapString& other) : text_(WQStrDup(other.text_)) {}

WQHeapString& WQHeapString::operator=(const WQHeapString& other) { return *this = other.text_; }

WQHeapString& WQHeapString::operator=(const wchar_t* text) {
  if (text != text_) {
    wchar_t* copy = WQStrDup(text);
    WQStrFree(text_);
    text_ = copy;
  }
  return *this;
}

WQHeapString::~WQHeapString() { WQStrFree(text_); }

void WQHeapString::Assign(const wchar_t* text, size_t length) {
  wchar_t* copy = WQStrDup(text, length);
  WQStrFree(text_);
  text_ = copy;
}

void WQHeapString::Append(const wchar_t* text, size_t length) {
  if (!text) return;
  // A counted piece is taken whole, whatever its first character.
  if (length == 0) length = wcslen(text);
  if (length == 0) return;
  if (IsEmpty()) {
    Assign(text, length);
    return;
  }
  const size_t old = wcslen(text_);
  wchar_t* block = new wchar_t[old + length + 1];
  wmemcpy(block, text_, old);
  wmemcpy(block + old, text, length);
  block[old + length] = L'\0';
  WQStrFree(text_);
  text_ = block;
}

void WQHeapString::Format(const wchar_t* format, ...) {
  wchar_t buffer[1024];
  va_list args;
  va_start(args, format);
  const int written = wvsprintfW(buffer, format, args);
  va_end(args);
  buffer[written >= 0 && written < 1024 ? written : 0] = L'\0';
  Assign(buffer);
}

void WQHeapString::MoveFrom(WQHeapString& other) {
  if (&other == this) return;
  WQStrFree(text_);
  text_ = other.text_;
  other.text_ = nullptr;
}

void WQHeapString::Attach(wchar_t* text) {
  if (text == text_) return;
  WQStrFree(text_);
  text_ = text;
}

void WQHeapString::Free() {
  WQStrFree(text_);
  text_ = nullptr;
}

size_t WQHeapString::GetLength() const { return text_ ? wcslen(text_) : 0; }
