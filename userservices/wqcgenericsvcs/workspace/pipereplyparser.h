// The replies that name a pipe of the drawing editor by its server id: one empty element
// carrying "ServerID".
//
//   <PipeHighlight ServerID="1234"/>   a KB run asks for the pipe to be highlighted
//   <CompactPipe ServerID="1234"/>     an object deletion asks for it to be compacted
#pragma once

#include <saxschemaparser.h>

class PipeHighlightSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kRoot = 1, kServerID = 2 };
  const SAXSchemaEntry* GetSchema() override;
};

class CompactPipeSchema : public SAXSchemaParser {
 public:
  enum : ULONG { kRoot = 1, kServerID = 2 };
  const SAXSchemaEntry* GetSchema() override;
};

// Its own handler for the root; any other attribute or child is refused.
template <class Schema>
class PipeReplyParser : public Schema {
 public:
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override {
    if (id != Schema::kRoot || root_) return E_INVALIDARG;
    root_ = true;
    *child = this;
    return S_OK;
  }
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override {
    if (id != Schema::kServerID) return E_INVALIDARG;
    hasServerID_ = !value.missing;
    serverID_ = value.GetLong();
    return S_OK;
  }

  bool HasServerID() const { return hasServerID_; }
  LONG ServerID() const { return serverID_; }

 private:
  bool root_ = false;  // the root element was handed to this handler
  bool hasServerID_ = false;
  LONG serverID_ = 0;
};

using PipeHighlightParser = PipeReplyParser<PipeHighlightSchema>;
using CompactPipeParser = PipeReplyParser<CompactPipeSchema>;
