// The PipeHighlight reply of a KB run: the pipe the drawing editor is to highlight.
//
//   <PipeHighlight ServerID="1234"/>
#pragma once

#include <saxschemaparser.h>

class PipeHighlightSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kPipeHighlight = 1, kServerID = 2 };
  const SAXSchemaEntry* GetSchema() override;
};

// Its own handler for the root; any other attribute or child is refused.
class PipeHighlightParser : public PipeHighlightSchema {
 public:
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;

  bool HasServerID() const { return hasServerID_; }
  LONG ServerID() const { return serverID_; }

 private:
  bool root_ = false;  // the root element was handed to this handler
  bool hasServerID_ = false;
  LONG serverID_ = 0;
};
