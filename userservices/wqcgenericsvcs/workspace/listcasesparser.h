// The ListCases reply: a "ListCases" element with one "Case" per case, each with its
// "ID" (negative for a restricted case) and its "CaseName".
//
//   <ListCases><Case ID="12" CaseName="Design"/><Case ID="-3" CaseName="Trial"/></ListCases>
#pragma once

#include <functional>
#include <string>

#include "listreplyparser.h"

class ListCasesSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kListCases = 0, kCase = 1, kID = 2, kCaseName = 3 };
  const SAXSchemaEntry* GetSchema() override;
};

// A "Case" handed to the sink when it ends. Without "ID" it has ID 0, without "CaseName"
// an empty name.
class CaseElement : public DefaultSAXSchemaElementHandler {
 public:
  using CaseSink = std::function<void(const wchar_t* name, LONG id)>;
  explicit CaseElement(CaseSink sink) : sink_(std::move(sink)) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  CaseSink sink_;
  LONG id_ = 0;
  std::wstring name_;
};

// Hands each case of the reply, in reply order, to the sink it was made with.
using ListCasesParser = ListReplyParser<ListCasesSchema, CaseElement>;
