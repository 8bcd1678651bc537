// One data service call as the workspace stand-in keeps it: server, method and flags,
// and the input rendered as XML twice, with the types of the VARIANT values shown
// ("vt3:42") and without them ("42").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <handles.h>

namespace standins {

class Request {
 public:
  std::wstring server;
  std::wstring method;
  LONG flags = 0;
  // The reply of the last successful Execute; nothing before it.
  std::optional<std::wstring> response;

  // The writing operations. Each answers what is wrong with the call (empty when
  // nothing): attributes need an open start tag, and an element ends only as the one
  // open last. A start tag still open is closed by whatever content follows.
  // Leaves no mark in the rendered XML; the call log shows it.
  std::wstring StartDocument() { return {}; }
  std::wstring StartElement(const std::wstring& name);
  std::wstring WriteAttribute(const std::wstring& name, const VARIANT& value);
  std::wstring CloseStartTag();
  std::wstring WriteText(const std::wstring& text);
  std::wstring EndElement(const std::wstring& name);
  std::wstring WriteElement(const std::wstring& name, const VARIANT& value);
  std::wstring WriteRaw(const std::wstring& xml);
  // The whole input as one text, replacing whatever was written.
  std::wstring PutInput(const std::wstring& input);

  // What keeps the request from being executed (empty when nothing).
  std::wstring Incomplete() const;

  const std::wstring& Xml(bool typed) const { return typed ? typedXml_ : plainXml_; }

 private:
  void Append(const std::wstring& text);
  void ClosePendingStartTag();

  std::wstring typedXml_;
  std::wstring plainXml_;
  std::vector<std::wstring> openElements_;
  bool startTagOpen_ = false;
};

// Character data and attribute values escaped for XML.
std::wstring EscapeXml(const std::wstring& text);

}  // namespace standins
