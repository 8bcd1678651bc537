// Writing XML: the writer interfaces iwqXMLWriter and iwqXMLStringWriter, the escaping
// and number formatting they share, and WQXMLWriterImpl, the writing logic over a raw
// sink (the class that derives from it supplies WriteRaw).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstdint>
#include <cwchar>
#include <new>

#include "wqcomexception.h"
#include "wqstring.h"

// ---------------------------------------------------------------- interfaces

// Plain vtable interfaces (not in the type library): the module hands writers around
// in-process only.
struct iwqXMLWriter : public IUnknown {
  virtual bool STDMETHODCALLTYPE GetIndent() = 0;
  virtual void STDMETHODCALLTYPE SetIndent(bool indent) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXMLDeclaration() = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteVariantAttribute(const wchar_t* name, VARIANT value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteDoubleAttribute(const wchar_t* name, double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteLongAttribute(const wchar_t* name, LONG value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteBoolAttribute(const wchar_t* name, bool value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteStringAttribute(const wchar_t* name,
                                                         const wchar_t* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE StartElement(const wchar_t* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE EndElement(const wchar_t* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloseStartTag() = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteCDATA(const wchar_t* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteText(const wchar_t* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteVariantElement(const wchar_t* name, VARIANT value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteDoubleElement(const wchar_t* name, double value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteLongElement(const wchar_t* name, LONG value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteBoolElement(const wchar_t* name, bool value) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteStringElement(const wchar_t* name,
                                                       const wchar_t* text) = 0;
  // Appends exactly `length` characters, unchanged.
  virtual HRESULT STDMETHODCALLTYPE WriteRaw(const wchar_t* text, size_t length) = 0;
};
__CRT_UUID_DECL(iwqXMLWriter, 0x8B027601, 0x2428, 0x11D5, 0xA6, 0xBE, 0x00, 0xA0, 0x24, 0x4B, 0xC6,
                0xAA)

struct iwqXMLStringWriter : public iwqXMLWriter {
  virtual HRESULT STDMETHODCALLTYPE Clear() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* text) = 0;
  virtual uint64_t STDMETHODCALLTYPE GetLength() = 0;
  // `buffer` holds GetLength() + 1 characters.
  virtual HRESULT STDMETHODCALLTYPE CopyText(wchar_t* buffer) = 0;
};
__CRT_UUID_DECL(iwqXMLStringWriter, 0x8B037604, 0x2428, 0x11D5, 0xA6, 0xBE, 0x00, 0xA0, 0x24, 0x4B,
                0xC6, 0xAA)

// ---------------------------------------------------------------- shared helpers

// Appends `text` with the five XML entities and line breaks and NUL as character
// references; everything else unchanged.
void WQAppendXMLEscaped(WQStringBuffer& out, const wchar_t* text, size_t length);

// "%.16g" with '.' as decimal point whatever the C runtime's locale; returns the length.
size_t WQFormatXMLDouble(double value, wchar_t (&text)[64]);
size_t WQFormatXMLLong(LONG value, wchar_t (&text)[64]);

// How many bytes a UTF-8 sequence cut at the end of `data` still misses (0: none).
int WQMissingUtf8Bytes(const BYTE* data, size_t count);

// A VARIANT's value in the form the writer can write, converted without coercion.
struct WQXMLVariantValue {
  enum Kind { kString, kLong, kDouble, kBool } kind = kString;
  const wchar_t* text = L"";
  size_t length = 0;
  LONG longValue = 0;
  double doubleValue = 0;
  bool boolValue = false;
};
// S_OK, or the failure of the conversion: E_FAIL for a type that has no text form here
// (VT_CY, VT_I8, arrays ...), E_POINTER for a null reference.
HRESULT WQReadXMLVariantValue(const VARIANT& value, WQXMLVariantValue& out);

// ---------------------------------------------------------------- writing logic

// Implements iwqXMLWriter over T::WriteRaw. `I` is the interface T exposes
// (iwqXMLWriter or one derived from it).
template <class T, class I>
class WQXMLWriterImpl : public I {
 public:
  using com_interface = I;

  bool STDMETHODCALLTYPE GetIndent() override { return indent_; }
  void STDMETHODCALLTYPE SetIndent(bool indent) override { indent_ = indent; }

  HRESULT STDMETHODCALLTYPE WriteXMLDeclaration() override {
    return Run([&](WQComException& e) { Raw(e, L"<?xml version=\"1.0\"?>"); });
  }
  HRESULT STDMETHODCALLTYPE WriteVariantAttribute(const wchar_t* name, VARIANT value) override {
    return Run([&](WQComException& e) { VariantAttribute(e, name, value); });
  }
  HRESULT STDMETHODCALLTYPE WriteDoubleAttribute(const wchar_t* name, double value) override {
    return Run([&](WQComException& e) { DoubleAttribute(e, name, value); });
  }
  HRESULT STDMETHODCALLTYPE WriteLongAttribute(const wchar_t* name, LONG value) override {
    return Run([&](WQComException& e) { LongAttribute(e, name, value); });
  }
  HRESULT STDMETHODCALLTYPE WriteBoolAttribute(const wchar_t* name, bool value) override {
    return Run([&](WQComException& e) { Attribute(e, name, value ? L"1" : L"0"); });
  }
  HRESULT STDMETHODCALLTYPE WriteStringAttribute(const wchar_t* name,
                                                 const wchar_t* value) override {
    return Run([&](WQComException& e) {
      const wchar_t* text = value ? value : L"";
      EscapedAttribute(e, name, text, wcslen(text));
    });
  }
  HRESULT STDMETHODCALLTYPE StartElement(const wchar_t* name) override {
    return Run([&](WQComException& e) { Start(e, name); });
  }
  HRESULT STDMETHODCALLTYPE EndElement(const wchar_t* name) override {
    return Run([&](WQComException& e) { End(e, name); });
  }
  HRESULT STDMETHODCALLTYPE CloseStartTag() override {
    return Run([&](WQComException& e) { CloseTag(e); });
  }
  HRESULT STDMETHODCALLTYPE WriteCDATA(const wchar_t* text) override {
    return Run([&](WQComException& e) { CData(e, text); });
  }
  HRESULT STDMETHODCALLTYPE WriteText(const wchar_t* text) override {
    return Run([&](WQComException& e) { Text(e, text, text ? wcslen(text) : 0); });
  }
  HRESULT STDMETHODCALLTYPE WriteVariantElement(const wchar_t* name, VARIANT value) override {
    return Run([&](WQComException& e) { VariantElement(e, name, value); });
  }
  HRESULT STDMETHODCALLTYPE WriteDoubleElement(const wchar_t* name, double value) override {
    return Run([&](WQComException& e) {
      wchar_t text[64];
      WQFormatXMLDouble(value, text);
      SimpleElement(e, name, text);
    });
  }
  HRESULT STDMETHODCALLTYPE WriteLongElement(const wchar_t* name, LONG value) override {
    return Run([&](WQComException& e) {
      wchar_t text[64];
      WQFormatXMLLong(value, text);
      SimpleElement(e, name, text);
    });
  }
  HRESULT STDMETHODCALLTYPE WriteBoolElement(const wchar_t* name, bool value) override {
    return Run([&](WQComException& e) { SimpleElement(e, name, value ? L"1" : L"0"); });
  }
  HRESULT STDMETHODCALLTYPE WriteStringElement(const wchar_t* name, const wchar_t* text) override {
    return Run([&](WQComException& e) { StringElement(e, name, text, text ? wcslen(text) : 0); });
  }

  // The element state, for the deriving class and its tests.
  bool IsStartTagOpen() const { return startTagOpen_; }
  ULONG GetDepth() const { return depth_; }

 protected:
  WQXMLWriterImpl() = default;

  template <class Body>
  static HRESULT Run(Body&& body) noexcept {
    return WQRunComMethod(nullptr, body);
  }

 private:
  void Raw(WQComException& e, const wchar_t* text, size_t length) {
    const HRESULT hr = static_cast<T*>(this)->WriteRaw(text, length);
    if (FAILED(hr)) {
      e = hr;
      e.ThrowAt(WQ_HERE, nullptr);
    }
  }
  void Raw(WQComException& e, const wchar_t* text) { Raw(e, text, wcslen(text)); }

  void CloseTag(WQComException& e) {
    if (!startTagOpen_) return;
    startTagOpen_ = false;
    Raw(e, L">", 1);
  }

  // A line break and two spaces per level, when pretty-printing.
  void NewLine(WQComException& e, ULONG level) {
    if (!indent_) return;
    static constexpr wchar_t kBreak[] = L"\n                                ";
    constexpr size_t kSpaces = sizeof kBreak / sizeof kBreak[0] - 2;
    size_t spaces = static_cast<size_t>(level) * 2;
    const size_t first = spaces < kSpaces ? spaces : kSpaces;
    Raw(e, kBreak, first + 1);
    for (spaces -= first; spaces; spaces -= spaces < kSpaces ? spaces : kSpaces)
      Raw(e, kBreak + 1, spaces < kSpaces ? spaces : kSpaces);
  }

  static void RequireName(WQComException& e, const wchar_t* name) {
    if (!name || !*name) e.ThrowHrAt(WQ_HERE, E_INVALIDARG, L"An XML element must have a name");
  }

  void Start(WQComException& e, const wchar_t* name) {
    RequireName(e, name);
    CloseTag(e);
    NewLine(e, depth_);
    Raw(e, L"<", 1);
    Raw(e, name);
    ++depth_;
    childWritten_ = false;
    startTagOpen_ = true;
  }

  void End(WQComException& e, const wchar_t* name) {
    if (depth_ == 0)
      e.ThrowHrAt(WQ_HERE, E_FAIL, L"Cannot close more XML elements than are currently open");
    if (!startTagOpen_) RequireName(e, name);
    --depth_;
    if (startTagOpen_) {
      startTagOpen_ = false;
      Raw(e, L"/>", 2);
    } else {
      if (childWritten_) NewLine(e, depth_);
      Raw(e, L"</", 2);
      Raw(e, name);
      Raw(e, L">", 1);
    }
    childWritten_ = true;
  }

  void Attribute(WQComException& e, const wchar_t* name, const wchar_t* value) {
    BeginAttribute(e, name, value);
    Raw(e, value);
    Raw(e, L"\"", 1);
  }
  void EscapedAttribute(WQComException& e, const wchar_t* name, const wchar_t* value,
                        size_t length) {
    BeginAttribute(e, name, value);
    wchar_t storage[1024];
    WQStringBuffer escaped(storage);
    WQAppendXMLEscaped(escaped, value, length);
    Raw(e, escaped.GetString(), escaped.GetLength());
    Raw(e, L"\"", 1);
  }
  void BeginAttribute(WQComException& e, const wchar_t* name, const wchar_t* value) {
    if (!name || !value)
      e.ThrowHrAt(WQ_HERE, E_FAIL, L"An XML Attribute must have a name and a value");
    if (!startTagOpen_)
      e.ThrowHrAt(WQ_HERE, E_FAIL, L"Cannot write attributes outside of an element start");
    Raw(e, L" ", 1);
    Raw(e, name);
    Raw(e, L"=\"", 2);
  }
  void DoubleAttribute(WQComException& e, const wchar_t* name, double value) {
    wchar_t text[64];
    WQFormatXMLDouble(value, text);
    Attribute(e, name, text);
  }
  void LongAttribute(WQComException& e, const wchar_t* name, LONG value) {
    wchar_t text[64];
    WQFormatXMLLong(value, text);
    Attribute(e, name, text);
  }

  void SimpleElement(WQComException& e, const wchar_t* name, const wchar_t* value) {
    RequireName(e, name);
    CloseTag(e);
    NewLine(e, depth_);
    Raw(e, L"<", 1);
    Raw(e, name);
    if (*value) {
      Raw(e, L">", 1);
      Raw(e, value);
      Raw(e, L"</", 2);
      Raw(e, name);
      Raw(e, L">", 1);
    } else {
      Raw(e, L"/>", 2);
    }
    childWritten_ = true;
  }

  void Text(WQComException& e, const wchar_t* text, size_t length) {
    CloseTag(e);
    if (!text || !length) return;
    wchar_t storage[1024];
    WQStringBuffer escaped(storage);
    WQAppendXMLEscaped(escaped, text, length);
    Raw(e, escaped.GetString(), escaped.GetLength());
  }

  void StringElement(WQComException& e, const wchar_t* name, const wchar_t* text, size_t length) {
    Start(e, name);
    if (text && length) Text(e, text, length);
    End(e, name);
  }

  // A "]]>" inside the text ends the section; it is split so a reader gets the text back.
  void CData(WQComException& e, const wchar_t* text) {
    CloseTag(e);
    if (!text || !*text) return;
    Raw(e, L"<![CDATA[");
    for (const wchar_t* end; (end = wcsstr(text, L"]]>")) != nullptr; text = end + 3) {
      Raw(e, text, static_cast<size_t>(end - text));
      Raw(e, L"]]><![CDATA[]]]]><![CDATA[>");
    }
    Raw(e, text);
    Raw(e, L"]]>");
  }

  void VariantAttribute(WQComException& e, const wchar_t* name, const VARIANT& value) {
    WQXMLVariantValue v;
    const HRESULT hr = WQReadXMLVariantValue(value, v);
    if (FAILED(hr)) e.ThrowHrAt(WQ_HERE, hr, L"Could not convert attribute value to a string");
    switch (v.kind) {
      case WQXMLVariantValue::kLong: return LongAttribute(e, name, v.longValue);
      case WQXMLVariantValue::kDouble: return DoubleAttribute(e, name, v.doubleValue);
      case WQXMLVariantValue::kBool: return Attribute(e, name, v.boolValue ? L"1" : L"0");
      case WQXMLVariantValue::kString: return EscapedAttribute(e, name, v.text, v.length);
    }
  }

  void VariantElement(WQComException& e, const wchar_t* name, const VARIANT& value) {
    WQXMLVariantValue v;
    const HRESULT hr = WQReadXMLVariantValue(value, v);
    if (FAILED(hr)) e.ThrowHrAt(WQ_HERE, hr, L"Could not convert element value to a string");
    wchar_t text[64];
    switch (v.kind) {
      case WQXMLVariantValue::kLong:
        WQFormatXMLLong(v.longValue, text);
        return SimpleElement(e, name, text);
      case WQXMLVariantValue::kDouble:
        WQFormatXMLDouble(v.doubleValue, text);
        return SimpleElement(e, name, text);
      case WQXMLVariantValue::kBool: return SimpleElement(e, name, v.boolValue ? L"1" : L"0");
      case WQXMLVariantValue::kString: return StringElement(e, name, v.text, v.length);
    }
  }

  bool startTagOpen_ = false;
  bool indent_ = true;
  bool childWritten_ = false;
  ULONG depth_ = 0;
};
