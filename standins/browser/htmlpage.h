// The page model of the browser stand-in: a forgiving HTML reader, the element tree with
// the state of its form controls, and a fixed layout that gives tables their offsets.
//
// The reader knows what the XML dialog's pages hold: elements with attributes, void and
// self-closed elements, text with entity references, and "script", "style" and "xml"
// elements whose content is kept raw (scripts are not escaped; data islands are XML).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recorder.h"

namespace standins {

struct HtmlNode {
  std::wstring tag;  // lower-case element name; empty for a text node
  std::vector<std::pair<std::wstring, std::wstring>> attributes;  // as written
  std::wstring text;  // a text node's text; the raw content of script, style and xml
  HtmlNode* parent = nullptr;
  std::vector<std::unique_ptr<HtmlNode>> children;

  // Form state, taken from the attributes when the page is read.
  std::wstring value;      // input: its text
  bool checked = false;    // input: check boxes and radio buttons
  int selectedIndex = -1;  // select: the chosen option, -1 without options

  bool IsElement() const { return !tag.empty(); }
  // An attribute's value, names compared without regard to case; null when absent.
  const std::wstring* Attribute(const wchar_t* name) const;
  std::wstring AttributeOr(const wchar_t* name, const wchar_t* fallback = L"") const;
  void SetAttribute(const std::wstring& name, const std::wstring& value);
};

class HtmlPage {
 public:
  // The layout: the body's margin plus the table's; every table row is kRowHeight high
  // (plus kLineHeight per line break), the table has a border of kTableBorder and two
  // columns at least kMinColumnWidth wide, kCharWidth per character of their widest text.
  static constexpr long kTableLeft = 15;
  static constexpr long kTableTop = 15;
  static constexpr long kTableBorder = 20;
  static constexpr long kRowHeight = 30;
  static constexpr long kLineHeight = 16;
  static constexpr long kMinColumnWidth = 150;
  static constexpr long kCharWidth = 8;

  struct Box {
    long left = 0, top = 0, width = 0, height = 0;
  };

  explicit HtmlPage(const std::wstring& source);

  HtmlNode& Root() { return root_; }
  // Every element in document order.
  std::vector<HtmlNode*> Elements();
  HtmlNode* ElementById(const std::wstring& id);
  std::vector<HtmlNode*> Options(HtmlNode& select);
  std::wstring Title();
  // The language of the page's first script, as event handlers run in it.
  std::wstring FirstScriptLanguage();

  // The text of an element's descendants, "br" as a line break.
  static std::wstring InnerText(const HtmlNode& node);
  // Checks an input; checking a radio button clears the others of its group.
  void SetChecked(HtmlNode& input, bool checked);
  Box Layout(const HtmlNode& element);

 private:
  void Parse(const std::wstring& source);
  void InitialiseState(HtmlNode& node);

  HtmlNode root_;
};

// &amp;, &lt;, &gt;, &quot;, &apos;, &nbsp; and numeric references; others stay as written.
std::wstring DecodeEntities(const std::wstring& text);

}  // namespace standins
