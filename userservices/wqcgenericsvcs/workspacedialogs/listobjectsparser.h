// The ListObjects and ListDatasheets replies: a list element with one element per object
// or datasheet, carrying its "OID", its "KnownName" and flags.
//
//   <ListObjects><Object OID="101" KnownName="P-101" Editable="false"/></ListObjects>
//   <ListDatasheets><Datasheet OID="7" KnownName="DS-7" IsDatasheet="true"
//                              IsProjectSummary="false"/></ListDatasheets>
#pragma once

#include <functional>
#include <string>

#include "workspace/listreplyparser.h"

// One listed object. Without its attributes it has OID 0 and an empty name, is editable,
// and is neither a datasheet nor a project summary.
struct ListedObject {
  LONG oid = 0;
  std::wstring name;
  bool editable = true;
  bool isDatasheet = false;
  bool isProjectSummary = false;
};

using ListedObjectSink = std::function<void(const ListedObject&)>;

// The attribute ids that both replies share, and those of datasheets only.
enum : ULONG {
  kListedOID = 2,
  kListedKnownName = 3,
  kListedEditable = 4,
  kListedIsDatasheet = 5,
  kListedIsProjectSummary = 6,
};

// The handler of an "Object" or "Datasheet" element: hands the item to its sink when the
// element ends.
class ListedObjectElement : public DefaultSAXSchemaElementHandler {
 public:
  explicit ListedObjectElement(ListedObjectSink sink) : sink_(std::move(sink)) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  ListedObjectSink sink_;
  ListedObject item_;
};

class ListObjectsSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kListObjects = 0, kObject = 1 };
  const SAXSchemaEntry* GetSchema() override;
};
using ListObjectsParser = ListReplyParser<ListObjectsSchema, ListedObjectElement>;

class ListDatasheetsSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kListDatasheets = 0, kDatasheet = 1 };
  const SAXSchemaEntry* GetSchema() override;
};
using ListDatasheetsParser = ListReplyParser<ListDatasheetsSchema, ListedObjectElement>;
