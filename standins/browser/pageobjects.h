// The document object model of the browser stand-in: the document (loaded from a stream),
// its window, elements and collections, and the script object through which the host
// calls the page's script functions.
#pragma once

#include <comobject.h>

#include <ocidl.h>

#include <memory>
#include <string>
#include <vector>

#include "htmlpage.h"
#include "pagedispatch.h"

namespace standins {

class PageScripts;
class PageDocument;

// What the page asks of the browser that shows it.
class PageHost {
 public:
  virtual plat::com_ptr<IDispatch> GetExternal() = 0;
  virtual void ShowMessage(const std::wstring& text) = 0;
  virtual void ShowHelp() = 0;
  // A link was followed; false when the navigation was cancelled.
  virtual bool FollowLink(const std::wstring& url) = 0;
  virtual void OnPageLoaded(const std::wstring& title) = 0;
  virtual void Record(std::wstring line) = 0;

 protected:
  ~PageHost() = default;
};

// What the objects of one document share.
struct PageContext : std::enable_shared_from_this<PageContext> {
  std::shared_ptr<HtmlPage> page;  // the page shown; an empty one until a stream is loaded
  bool loadedFromStream = false;
  PageHost* host = nullptr;          // null once the browser let go of the document
  PageDocument* document = nullptr;  // the document object while it lives
  HtmlNode* focused = nullptr;       // the control the user last worked in
  std::unique_ptr<PageScripts> scripts;

  PageContext();
  ~PageContext();
  // Clicks `element` as a user does: check boxes and radio buttons change, the onclick
  // handler runs, and a link is followed.
  HRESULT Click(HtmlNode& element);
  // The element's object, sharing this context.
  plat::com_ptr<IDispatch> ElementObject(HtmlNode* element);
};

class PageWindow : public plat::Implements<PageWindow, PageDispatch<PageWindow>> {
 public:
  static const PageMember kMembers[5];
  explicit PageWindow(std::shared_ptr<PageContext> context) : context_(std::move(context)) {}
  HRESULT InvokeMember(DISPID id, const PageArgs& args, VARIANT* result);

 private:
  std::shared_ptr<PageContext> context_;
};

class PageDocument
    : public plat::Implements<PageDocument, PageDispatch<PageDocument>, IPersistStreamInit> {
 public:
  static const PageMember kMembers[8];
  explicit PageDocument(PageHost* host);
  ~PageDocument() override;

  HRESULT InvokeMember(DISPID id, const PageArgs& args, VARIANT* result);

  // The browser lets go: scripts end and the page no longer reaches the browser.
  void Detach();
  const std::shared_ptr<PageContext>& Context() const { return context_; }

  // IPersistStreamInit
  STDMETHOD(GetClassID)(CLSID* clsid) override;
  STDMETHOD(IsDirty)() override { return S_FALSE; }
  STDMETHOD(Load)(IStream* stream) override;
  STDMETHOD(Save)(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHOD(GetSizeMax)(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHOD(InitNew)() override;

 private:
  void Show(const std::wstring& source, bool fromStream);

  std::shared_ptr<PageContext> context_;
};

class PageElement : public plat::Implements<PageElement, PageDispatch<PageElement>> {
 public:
  static const PageMember kMembers[24];
  PageElement(std::shared_ptr<PageContext> context, HtmlNode* node)
      : context_(std::move(context)), page_(context_->page), node_(node) {}
  HRESULT InvokeMember(DISPID id, const PageArgs& args, VARIANT* result);

 private:
  HRESULT Value(VARIANT* result);
  HRESULT XmlDocument(VARIANT* result);

  std::shared_ptr<PageContext> context_;
  std::shared_ptr<HtmlPage> page_;  // keeps the node alive when another page is loaded
  HtmlNode* node_;
};

class PageCollection : public plat::Implements<PageCollection, PageDispatch<PageCollection>> {
 public:
  static const PageMember kMembers[4];
  PageCollection(std::shared_ptr<PageContext> context, std::vector<HtmlNode*> elements)
      : context_(std::move(context)), page_(context_->page), elements_(std::move(elements)) {}
  HRESULT InvokeMember(DISPID id, const PageArgs& args, VARIANT* result);

 private:
  std::shared_ptr<PageContext> context_;
  std::shared_ptr<HtmlPage> page_;
  std::vector<HtmlNode*> elements_;
};

// The document's "Script" object: the functions of every script engine of the page.
class PageScriptObject : public plat::Implements<PageScriptObject, IDispatch> {
 public:
  explicit PageScriptObject(std::shared_ptr<PageContext> context) : context_(std::move(context)) {}

  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override;
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHOD(Invoke)
  (DISPID member, REFIID, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
   EXCEPINFO* excepInfo, UINT* argErr) override;

 private:
  std::shared_ptr<PageContext> context_;
};

}  // namespace standins
