// The reader of the "UnClaimObjectReport" reply: one "UnClaimObjectReport" element with
// the object's Name and ClaimSetting and "Report" children whose texts, run together, say
// what unclaiming the object would affect. A reply without the element reports nothing:
// no name, no report and claim setting 0.
#pragma once

#include <saxschemaparser.h>

#include <string>

struct UnClaimReport {
  std::wstring Name;
  LONG ClaimSetting = 0;  // 0: no need to ask the user
  std::wstring Report;    // lines separated by line feeds
};

class UnClaimObjectReportSchema : public SAXSchemaParser {
 public:
  enum Id : ULONG { kReport = 0, kUnClaimObjectReport = 1, kName = 2, kClaimSetting = 3 };
  const SAXSchemaEntry* GetSchema() override;
};

class UnClaimObjectReportParser : public UnClaimObjectReportSchema {
 public:
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;

  // What the reply said; complete only when the parse succeeded.
  UnClaimReport& Result() { return report_; }

 private:
  UnClaimReport report_;
};
