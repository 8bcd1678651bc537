// The ListClasses reply: a "ListClasses" element with one "Class" per class, each with
// its internal "Name" and the "DisplayName" users see. Element and attribute names match
// without regard to case.
//
//   <ListClasses><Class Name="PUMP_C" DisplayName="Centrifugal pump"/></ListClasses>
#pragma once

#include <saxschemaparser.h>

#include <functional>
#include <string>

class ListClassesSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kClass = 0, kListClasses = 1, kName = 2, kDisplayName = 3 };
  const SAXSchemaEntry* GetSchema() override;
};

// Hands each class of the reply, in reply order, to the sink it was made with. A missing
// attribute is an empty text.
class ListClassesParser : public ListClassesSchema {
 public:
  using ClassSink = std::function<void(const wchar_t* displayName, const wchar_t* name)>;
  explicit ListClassesParser(ClassSink sink);

  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  ClassSink sink_;
  std::wstring name_;
  std::wstring displayName_;
};
