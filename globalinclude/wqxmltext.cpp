#include "wqxmltext.h"

#include <comobject.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// An encoding's name as XML allows it: a letter, then letters, digits, '.', '_' or '-'.
bool IsEncodingName(const wchar_t* name, size_t length) {
  if (length == 0 || !IsAsciiLetter(name[0])) return false;
  for (size_t i = 1; i < length; ++i) {
    const wchar_t c = name[i];
    if (!IsAsciiLetter(c) && !(c >= L'0' && c <= L'9') && c != L'.' && c != L'_' && c != L'-')
      return false;
  }
  return true;
}

// A text's bytes read from consecutive spans, each read in place.
class TextStream : public plat::Implements<TextStream, ISequentialStream> {
 public:
  struct Span {
    const BYTE* bytes;
    size_t size;
  };
  static constexpr size_t kMaxSpans = 4;

  TextStream(const Span* spans, size_t count) : count_(std::min(count, kMaxSpans)) {
    std::copy(spans, spans + count_, spans_);
  }

  STDMETHOD(Read)(void* buffer, ULONG wanted, ULONG* read) override {
    if (!buffer) return STG_E_INVALIDPOINTER;
    BYTE* out = static_cast<BYTE*>(buffer);
    ULONG given = 0;
    while (given < wanted && span_ < count_) {
      const Span& span = spans_[span_];
      const size_t count = std::min<size_t>(wanted - given, span.size - offset_);
      memcpy(out + given, span.bytes + offset_, count);
      given += static_cast<ULONG>(count);
      offset_ += count;
      if (offset_ == span.size) {
        ++span_;
        offset_ = 0;
      }
    }
    if (read) *read = given;
    return given == wanted ? S_OK : S_FALSE;
  }
  STDMETHOD(Write)(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }

 private:
  Span spans_[kMaxSpans] = {};
  size_t count_;
  size_t span_ = 0;
  size_t offset_ = 0;
};

constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};
constexpr wchar_t kTextEncoding[] = L"UTF-16";

TextStream::Span Bytes(const wchar_t* text, size_t length) {
  return {reinterpret_cast<const BYTE*>(text), length * sizeof(wchar_t)};
}

}  // namespace

const wchar_t* WQSkipByteOrderMark(const wchar_t* text) noexcept {
  return text && *text == 0xFEFF ? text + 1 : text;
}

bool WQFindDeclaredEncoding(const wchar_t* text, size_t length, size_t* begin,
                            size_t* end) noexcept {
  if (!text || !begin || !end || length < 6 || wcsncmp(text, L"<?xml", 5) != 0 ||
      !IsXmlSpace(text[5]))
    return false;
  bool found = false;
  size_t p = 5;
  for (;;) {
    while (p < length && IsXmlSpace(text[p])) ++p;
    if (p + 1 < length && text[p] == L'?' && text[p + 1] == L'>') return found;
    const size_t name = p;
    while (p < length && IsAsciiLetter(text[p])) ++p;
    const size_t nameLength = p - name;
    while (p < length && IsXmlSpace(text[p])) ++p;
    if (nameLength == 0 || p >= length || text[p] != L'=') return false;
    ++p;
    while (p < length && IsXmlSpace(text[p])) ++p;
    if (p >= length || (text[p] != L'"' && text[p] != L'\'')) return false;
    const wchar_t quote = text[p++];
    const size_t value = p;
    while (p < length && text[p] != quote && text[p] != L'<' && text[p] != L'>') ++p;
    if (p >= length || text[p] != quote) return false;
    if (nameLength == 8 && wcsncmp(text + name, L"encoding", 8) == 0) {
      // A name XML does not allow is the reader's to refuse.
      if (!IsEncodingName(text + value, p - value)) return false;
      *begin = value;
      *end = p;
      found = true;
    }
    ++p;
  }
}

HRESULT WQCreateXMLTextStream(const wchar_t* text, size_t length,
                              ISequentialStream** stream) noexcept try {
  if (!stream) return E_POINTER;
  *stream = nullptr;
  if (!text && length) return E_POINTER;
  TextStream::Span spans[TextStream::kMaxSpans] = {{kByteOrderMark, sizeof(kByteOrderMark)}};
  size_t count = 1;
  size_t begin = 0, end = 0;
  if (WQFindDeclaredEncoding(text, length, &begin, &end)) {
    spans[count++] = Bytes(text, begin);
    spans[count++] = Bytes(kTextEncoding, wcslen(kTextEncoding));
    spans[count++] = Bytes(text + end, length - end);
  } else {
    spans[count++] = Bytes(text, length);
  }
  plat::com_ptr<TextStream> made = plat::make<TextStream>(spans, count);
  *stream = made.detach();
  return S_OK;
}
PLAT_CATCH_RETURN()
