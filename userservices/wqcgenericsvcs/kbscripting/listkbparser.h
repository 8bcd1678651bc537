// The ListKB reply: the KB rules of the workspace, or the KB methods of an object's class,
// each with its name, the text the user sees and whether it runs in a fixed case.
//
//   <ListKB><KB KBName="SizeLine" Display="Size the line" CaseFixed="1"/></ListKB>
#pragma once

#include <functional>
#include <string>

#include "workspace/listreplyparser.h"

struct KBEntry {
  std::wstring display;
  std::wstring kbName;
  bool caseFixed = false;
};

class ListKBSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kListKB = 0, kKB = 1, kKBName = 2, kDisplay = 3, kCaseFixed = 4 };
  const SAXSchemaEntry* GetSchema() override;
};

// A "KB" handed to the sink when it ends; a missing attribute is empty or false.
class KBElement : public DefaultSAXSchemaElementHandler {
 public:
  using Sink = std::function<void(KBEntry&&)>;
  explicit KBElement(Sink sink) : sink_(std::move(sink)) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  Sink sink_;
  KBEntry entry_;
};

// Hands each entry of the reply, in reply order, to the sink it was made with.
using ListKBParser = ListReplyParser<ListKBSchema, KBElement>;
