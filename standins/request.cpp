#include "request.h"

#include "recorder.h"

namespace standins {

std::wstring EscapeXml(const std::wstring& text) {
  std::wstring escaped;
  escaped.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'&': escaped += L"&amp;"; break;
      case L'<': escaped += L"&lt;"; break;
      case L'>': escaped += L"&gt;"; break;
      case L'"': escaped += L"&quot;"; break;
      default: escaped += c; break;
    }
  }
  return escaped;
}

void Request::Append(const std::wstring& text) {
  typedXml_ += text;
  plainXml_ += text;
}

void Request::ClosePendingStartTag() {
  if (!startTagOpen_) return;
  Append(L">");
  startTagOpen_ = false;
}

std::wstring Request::StartElement(const std::wstring& name) {
  if (name.empty()) return L"StartElement needs an element name";
  ClosePendingStartTag();
  Append(L"<" + name);
  openElements_.push_back(name);
  startTagOpen_ = true;
  return {};
}

std::wstring Request::WriteAttribute(const std::wstring& name, const VARIANT& value) {
  if (!startTagOpen_) return L"WriteVariantAttribute(\"" + name + L"\") without an open start tag";
  if (name.empty()) return L"WriteVariantAttribute needs an attribute name";
  typedXml_ += L" " + name + L"=\"" + EscapeXml(TypedValue(value)) + L"\"";
  plainXml_ += L" " + name + L"=\"" + EscapeXml(ValueText(value)) + L"\"";
  return {};
}

std::wstring Request::CloseStartTag() {
  ClosePendingStartTag();
  return {};
}

std::wstring Request::WriteText(const std::wstring& text) {
  ClosePendingStartTag();
  Append(EscapeXml(text));
  return {};
}

std::wstring Request::EndElement(const std::wstring& name) {
  if (openElements_.empty()) return L"EndElement(\"" + name + L"\") with no element open";
  if (openElements_.back() != name)
    return L"EndElement(\"" + name + L"\") while \"" + openElements_.back() + L"\" is open";
  if (startTagOpen_)
    Append(L"/>");
  else
    Append(L"</" + name + L">");
  startTagOpen_ = false;
  openElements_.pop_back();
  return {};
}

std::wstring Request::WriteElement(const std::wstring& name, const VARIANT& value) {
  if (name.empty()) return L"WriteVariantElement needs an element name";
  ClosePendingStartTag();
  typedXml_ += L"<" + name + L">" + EscapeXml(TypedValue(value)) + L"</" + name + L">";
  const std::wstring text = ValueText(value);
  plainXml_ += text.empty() ? L"<" + name + L"/>"
                            : L"<" + name + L">" + EscapeXml(text) + L"</" + name + L">";
  return {};
}

std::wstring Request::WriteRaw(const std::wstring& xml) {
  ClosePendingStartTag();
  Append(xml);
  return {};
}

std::wstring Request::PutInput(const std::wstring& input) {
  typedXml_ = plainXml_ = input;
  openElements_.clear();
  startTagOpen_ = false;
  return {};
}

std::wstring Request::Incomplete() const {
  if (server.empty()) return L"Execute before a server ProgID was set";
  if (method.empty()) return L"Execute before a method name was set";
  if (!openElements_.empty())
    return L"Execute while the element \"" + openElements_.back() + L"\" is still open";
  return {};
}

}  // namespace standins
