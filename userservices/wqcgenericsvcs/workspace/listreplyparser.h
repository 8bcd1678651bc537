// The parser of a list reply whose document element (id 0) holds one kind of item element
// (id 1): the parser answers the list itself and hands every item to one handler, made
// with the parser's arguments.
//
//   using ListCasesParser = ListReplyParser<ListCasesSchema, CaseElement>;
//   ListCasesParser parser([&](const wchar_t* name, LONG id) { ... });
#pragma once

#include <saxschemaparser.h>

#include <utility>

template <class Schema, class Item>
class ListReplyParser : public Schema {
 public:
  template <class... Args>
  explicit ListReplyParser(Args&&... args) : item_(std::forward<Args>(args)...) {}

  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override {
    switch (id) {
      case 0: *child = this; return S_OK;
      case 1: *child = &item_; return S_OK;
      default: return E_INVALIDARG;
    }
  }

 private:
  Item item_;
};
