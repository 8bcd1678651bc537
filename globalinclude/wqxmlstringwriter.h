// WQXMLStringWriter: builds an XML document as a wide string in memory. Callers use
// iwqXMLStringWriter; ISequentialStream appends raw data (UTF-16, or UTF-8 converted).
#pragma once

#include <comobject.h>
#include <objidl.h>

#include "wqchunkedstring.h"
#include "wqxmlutils.h"

class WQXMLStringWriter
    : public plat::Implements<WQXMLStringWriter,
                              WQXMLWriterImpl<WQXMLStringWriter, iwqXMLStringWriter>,
                              ISequentialStream> {
 public:
  // Makes a writer and asks it for `riid`; *out is null on failure.
  static HRESULT CreateInstance(REFIID riid, void** out) noexcept;

  // iwqXMLWriter answers with the primary interface as well.
  void* FindInterface(REFIID riid) noexcept;

  // iwqXMLWriter
  HRESULT STDMETHODCALLTYPE WriteRaw(const wchar_t* text, size_t length) override;

  // iwqXMLStringWriter
  HRESULT STDMETHODCALLTYPE Clear() override;
  HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override;
  uint64_t STDMETHODCALLTYPE GetLength() override;
  HRESULT STDMETHODCALLTYPE CopyText(wchar_t* buffer) override;

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* data, ULONG byteCount, ULONG* bytesRead) override;
  HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG byteCount, ULONG* bytesWritten) override;

  // Whether stream data is UTF-8 (else UTF-16). Not reachable through the interfaces.
  void SetUtf8Input(bool utf8) { utf8Input_ = utf8; }
  size_t GetBlockCount() const { return text_.GetBlockCount(); }

 private:
  void AppendUtf8(WQComException& e, const BYTE* data, ULONG byteCount);

  WQChunkedString text_;
  bool utf8Input_ = false;
};
