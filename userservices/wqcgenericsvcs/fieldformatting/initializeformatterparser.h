// The reader of the "InitializeFormatter" reply: an "Initialize" element holding any number
// of "Prefix", "Postfix" and "Substitution" texts, in any order, each appended to its list.
#pragma once

#include "descriptivetext.h"
#include "saxschemaparser.h"

class InitializeFormatterSchema : public SAXSchemaParser {
 public:
  enum ElementId : ULONG { kInitialize = 0, kPrefix = 1, kPostfix = 2, kSubstitution = 3 };
  const SAXSchemaEntry* GetSchema() override;
};

class InitializeFormatterParser : public InitializeFormatterSchema {
 public:
  // The texts are appended to `strings`, which must outlive the parse.
  explicit InitializeFormatterParser(wqc::DescriptiveStrings* strings) : strings_(strings) {}

  // The parser handles every element of the reply itself.
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;

 private:
  wqc::DescriptiveStrings* strings_;
};
