#include "wqxmlstringwriter.h"

#include <climits>
#include <memory>

HRESULT WQXMLStringWriter::CreateInstance(REFIID riid, void** out) noexcept {
  return plat::CreateInstance<WQXMLStringWriter>(nullptr, riid, out);
}

void* WQXMLStringWriter::FindInterface(REFIID riid) noexcept {
  if (riid == __uuidof(iwqXMLWriter)) return static_cast<iwqXMLWriter*>(this);
  return Implements::FindInterface(riid);
}

HRESULT WQXMLStringWriter::WriteRaw(const wchar_t* text, size_t length) {
  return Run([&](WQComException&) { text_.Append(text, length); });
}

HRESULT WQXMLStringWriter::Clear() {
  text_.Clear();
  return S_OK;
}

HRESULT WQXMLStringWriter::GetText(BSTR* text) {
  return Run([&](WQComException& e) {
    e.CheckPointer(text, L"Invalid pointer passed to method %ls", L"WQXMLStringWriter::GetText");
    *text = nullptr;
    const uint64_t length = text_.GetLength();
    if (length > UINT_MAX)
      e.ThrowHrAt(WQ_HERE, E_OUTOFMEMORY, L"The XML text is too long for a BSTR");
    plat::unique_bstr result(SysAllocStringLen(nullptr, static_cast<UINT>(length)));
    if (!result) e.ThrowHrAt(WQ_HERE, E_OUTOFMEMORY, L"Could not allocate the XML text");
    text_.CopyTo(result.get());
    *text = result.release();
  });
}

uint64_t WQXMLStringWriter::GetLength() { return text_.GetLength(); }

HRESULT WQXMLStringWriter::CopyText(wchar_t* buffer) {
  return Run([&](WQComException& e) {
    e.CheckPointer(buffer, L"Invalid pointer passed to method %ls", L"WQXMLStringWriter::CopyText");
    text_.CopyTo(buffer);
  });
}

HRESULT WQXMLStringWriter::Read(void* data, ULONG byteCount, ULONG* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  return Run([&](WQComException& e) {
    e.ThrowHrAt(WQ_HERE, STG_E_ACCESSDENIED, L"Stream does not support Read operations");
  });
}

HRESULT WQXMLStringWriter::Write(const void* data, ULONG byteCount, ULONG* bytesWritten) {
  return WQRunComMethod(L"WQXMLStringWriter::Write", [&](WQComException& e) {
    if (bytesWritten) *bytesWritten = 0;
    if (byteCount == 0) return;
    e.CheckPointer(data, nullptr);
    if (utf8Input_) {
      AppendUtf8(e, static_cast<const BYTE*>(data), byteCount);
    } else {
      if (byteCount % 2)
        e.ThrowHrAt(WQ_HERE, E_FAIL,
                    L"Cannot write a UTF-16 stream that is not a whole number of wide characters");
      text_.Append(static_cast<const wchar_t*>(data), byteCount / 2);
    }
    if (bytesWritten) *bytesWritten = byteCount;
  });
}

void WQXMLStringWriter::AppendUtf8(WQComException& e, const BYTE* data, ULONG byteCount) {
  if (WQMissingUtf8Bytes(data, byteCount))
    e.ThrowHrAt(WQ_HERE, E_FAIL, L"Incomplete UTF8 sequence cannot be translated to UTF16");
  if (byteCount > INT_MAX)
    e.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"Could not convert data to UTF-16 (%ls)",
                L"Invalid conversion parameter");
  const char* bytes = reinterpret_cast<const char*>(data);
  const int count = static_cast<int>(byteCount);
  const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes, count, nullptr, 0);
  wchar_t storage[2056];
  std::unique_ptr<wchar_t[]> heap;
  wchar_t* buffer = storage;
  int capacity = 2056;
  if (needed >= capacity) {
    capacity = needed + 1;
    heap.reset(new wchar_t[static_cast<size_t>(capacity)]);
    buffer = heap.get();
  }
  const int length =
      needed > 0 ? MultiByteToWideChar(CP_UTF8, 0, bytes, count, buffer, capacity) : 0;
  if (length < 1) {
    const wchar_t* cause;
    switch (GetLastError()) {
      case ERROR_INVALID_PARAMETER: cause = L"Invalid conversion parameter"; break;
      case ERROR_INSUFFICIENT_BUFFER: cause = L"Insufficient Buffer"; break;
      case ERROR_INVALID_FLAGS: cause = L"Invalid conversion flag"; break;
      case ERROR_NO_UNICODE_TRANSLATION: cause = L"No unicode translation"; break;
      default: cause = L"Cause Unknown"; break;
    }
    e.ThrowHrAt(WQ_HERE, E_FAIL, L"Could not convert data to UTF-16 (%ls)", cause);
  }
  text_.Append(buffer, static_cast<size_t>(length));
}
