#include "htmlpage.h"

#include <algorithm>
#include <cwctype>

namespace standins {

namespace {

bool IsVoidElement(const std::wstring& tag) {
  static const wchar_t* const kVoid[] = {L"input", L"br", L"img", L"meta", L"link", L"hr"};
  return std::any_of(std::begin(kVoid), std::end(kVoid),
                     [&](const wchar_t* name) { return tag == name; });
}

bool IsRawTextElement(const std::wstring& tag) {
  return tag == L"script" || tag == L"style" || tag == L"xml";
}

bool StartsWithAt(const std::wstring& text, size_t at, const wchar_t* prefix, bool anyCase) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (at + i >= text.size()) return false;
    const wchar_t c = text[at + i];
    if (anyCase ? towlower(c) != towlower(prefix[i]) : c != prefix[i]) return false;
  }
  return true;
}

bool IsNameChar(wchar_t c) {
  return iswalnum(c) || c == L'-' || c == L'_' || c == L':' || c == L'.';
}

// The end tag of a raw-text element: "</xml" must not match "</xmldata".
size_t FindEndTag(const std::wstring& text, const std::wstring& tag, size_t from) {
  const std::wstring endTag = L"</" + tag;
  for (size_t at = from; at + endTag.size() <= text.size(); ++at)
    if (StartsWithAt(text, at, endTag.c_str(), true) &&
        (at + endTag.size() == text.size() || !IsNameChar(text[at + endTag.size()])))
      return at;
  return std::wstring::npos;
}

HtmlNode& Append(HtmlNode& parent, std::unique_ptr<HtmlNode> child) {
  child->parent = &parent;
  parent.children.push_back(std::move(child));
  return *parent.children.back();
}

void CollectElements(HtmlNode& node, std::vector<HtmlNode*>& out) {
  for (auto& child : node.children) {
    if (!child->IsElement()) continue;
    out.push_back(child.get());
    CollectElements(*child, out);
  }
}

}  // namespace

std::wstring DecodeEntities(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t end = text[i] == L'&' ? text.find(L';', i) : std::wstring::npos;
    if (end == std::wstring::npos || end - i > 10) {
      out += text[i];
      continue;
    }
    const std::wstring name = text.substr(i + 1, end - i - 1);
    wchar_t decoded = 0;
    if (name == L"amp")
      decoded = L'&';
    else if (name == L"lt")
      decoded = L'<';
    else if (name == L"gt")
      decoded = L'>';
    else if (name == L"quot")
      decoded = L'"';
    else if (name == L"apos")
      decoded = L'\'';
    else if (name == L"nbsp")
      decoded = 0xA0;
    else if (name.size() > 1 && name[0] == L'#')
      decoded = static_cast<wchar_t>(name[1] == L'x' || name[1] == L'X'
                                         ? wcstoul(name.c_str() + 2, nullptr, 16)
                                         : wcstoul(name.c_str() + 1, nullptr, 10));
    if (!decoded) {
      out += text[i];
      continue;
    }
    out += decoded;
    i = end;
  }
  return out;
}

const std::wstring* HtmlNode::Attribute(const wchar_t* name) const {
  const std::wstring wanted = Lower(name);
  for (const auto& [attributeName, attributeValue] : attributes)
    if (Lower(attributeName) == wanted) return &attributeValue;
  return nullptr;
}

std::wstring HtmlNode::AttributeOr(const wchar_t* name, const wchar_t* fallback) const {
  const std::wstring* found = Attribute(name);
  return found ? *found : fallback;
}

void HtmlNode::SetAttribute(const std::wstring& name, const std::wstring& newValue) {
  const std::wstring wanted = Lower(name);
  for (auto& [attributeName, attributeValue] : attributes) {
    if (Lower(attributeName) == wanted) {
      attributeValue = newValue;
      return;
    }
  }
  attributes.emplace_back(name, newValue);
}

HtmlPage::HtmlPage(const std::wstring& source) {
  root_.tag = L"#document";
  Parse(source);
  InitialiseState(root_);
}

void HtmlPage::Parse(const std::wstring& s) {
  HtmlNode* current = &root_;
  size_t i = 0;
  auto addText = [&](const std::wstring& text) {
    if (text.find_first_not_of(L" \t\r\n") == std::wstring::npos) return;
    auto node = std::make_unique<HtmlNode>();
    node->text = text;
    Append(*current, std::move(node));
  };
  while (i < s.size()) {
    if (s[i] != L'<') {
      const size_t next = s.find(L'<', i);
      const size_t end = next == std::wstring::npos ? s.size() : next;
      addText(DecodeEntities(s.substr(i, end - i)));
      i = end;
      continue;
    }
    if (StartsWithAt(s, i, L"<!--", false)) {
      const size_t end = s.find(L"-->", i + 4);
      i = end == std::wstring::npos ? s.size() : end + 3;
    } else if (StartsWithAt(s, i, L"<![CDATA[", false)) {
      const size_t end = s.find(L"]]>", i + 9);
      addText(s.substr(i + 9, (end == std::wstring::npos ? s.size() : end) - i - 9));
      i = end == std::wstring::npos ? s.size() : end + 3;
    } else if (StartsWithAt(s, i, L"<!", false) || StartsWithAt(s, i, L"<?", false)) {
      const size_t end = s.find(L'>', i);
      i = end == std::wstring::npos ? s.size() : end + 1;
    } else if (StartsWithAt(s, i, L"</", false)) {
      size_t j = i + 2;
      while (j < s.size() && IsNameChar(s[j])) ++j;
      const std::wstring name = Lower(s.substr(i + 2, j - i - 2));
      const size_t end = s.find(L'>', j);
      i = end == std::wstring::npos ? s.size() : end + 1;
      // Closes the nearest open element of that name and all inside it; a stray end
      // tag is ignored.
      for (HtmlNode* open = current; open && open != &root_; open = open->parent) {
        if (open->tag == name) {
          current = open->parent;
          break;
        }
      }
    } else if (i + 1 < s.size() && iswalpha(s[i + 1])) {
      size_t j = i + 1;
      while (j < s.size() && IsNameChar(s[j])) ++j;
      auto element = std::make_unique<HtmlNode>();
      element->tag = Lower(s.substr(i + 1, j - i - 1));
      bool selfClosed = false;
      while (j < s.size() && s[j] != L'>') {
        if (iswspace(s[j])) {
          ++j;
        } else if (s[j] == L'/') {
          selfClosed = true;
          ++j;
        } else {
          size_t nameEnd = j;
          while (nameEnd < s.size() && !iswspace(s[nameEnd]) && s[nameEnd] != L'=' &&
                 s[nameEnd] != L'>' && s[nameEnd] != L'/')
            ++nameEnd;
          if (nameEnd == j) {
            ++j;
            continue;
          }
          const std::wstring name = s.substr(j, nameEnd - j);
          j = nameEnd;
          std::wstring value;
          if (j < s.size() && s[j] == L'=') {
            ++j;
            if (j < s.size() && (s[j] == L'"' || s[j] == L'\'')) {
              const wchar_t quote = s[j];
              const size_t close = s.find(quote, j + 1);
              const size_t valueEnd = close == std::wstring::npos ? s.size() : close;
              value = DecodeEntities(s.substr(j + 1, valueEnd - j - 1));
              j = close == std::wstring::npos ? s.size() : close + 1;
            } else {
              size_t valueEnd = j;
              while (valueEnd < s.size() && !iswspace(s[valueEnd]) && s[valueEnd] != L'>')
                ++valueEnd;
              value = DecodeEntities(s.substr(j, valueEnd - j));
              j = valueEnd;
            }
          }
          selfClosed = false;
          element->attributes.emplace_back(name, value);
        }
      }
      i = j < s.size() ? j + 1 : s.size();
      HtmlNode& added = Append(*current, std::move(element));
      if (selfClosed || IsVoidElement(added.tag)) continue;
      if (IsRawTextElement(added.tag)) {
        const size_t close = FindEndTag(s, added.tag, i);
        const size_t rawEnd = close == std::wstring::npos ? s.size() : close;
        added.text = s.substr(i, rawEnd - i);
        const size_t gt = close == std::wstring::npos ? close : s.find(L'>', close);
        i = gt == std::wstring::npos ? s.size() : gt + 1;
        continue;
      }
      current = &added;
    } else {
      addText(L"<");
      ++i;
    }
  }
}

void HtmlPage::InitialiseState(HtmlNode& node) {
  for (auto& child : node.children) {
    if (child->tag == L"input") {
      child->value = child->AttributeOr(L"value");
      child->checked = child->Attribute(L"checked") != nullptr;
    }
    InitialiseState(*child);
    if (child->tag == L"select") {
      const std::vector<HtmlNode*> options = Options(*child);
      child->selectedIndex = options.empty() ? -1 : 0;
      for (size_t k = 0; k < options.size(); ++k) {
        if (options[k]->Attribute(L"selected")) {
          child->selectedIndex = static_cast<int>(k);
          break;
        }
      }
    }
  }
}

std::vector<HtmlNode*> HtmlPage::Elements() {
  std::vector<HtmlNode*> out;
  CollectElements(root_, out);
  return out;
}

HtmlNode* HtmlPage::ElementById(const std::wstring& id) {
  for (HtmlNode* element : Elements()) {
    const std::wstring* elementId = element->Attribute(L"id");
    if (elementId && *elementId == id) return element;
  }
  return nullptr;
}

std::vector<HtmlNode*> HtmlPage::Options(HtmlNode& select) {
  std::vector<HtmlNode*> all, options;
  CollectElements(select, all);
  for (HtmlNode* element : all)
    if (element->tag == L"option") options.push_back(element);
  return options;
}

std::wstring HtmlPage::Title() {
  for (HtmlNode* element : Elements())
    if (element->tag == L"title") return InnerText(*element);
  return L"";
}

std::wstring HtmlPage::FirstScriptLanguage() {
  for (HtmlNode* element : Elements())
    if (element->tag == L"script") return element->AttributeOr(L"language", L"JScript");
  return L"JScript";
}

std::wstring HtmlPage::InnerText(const HtmlNode& node) {
  if (!node.IsElement()) return node.text;
  if (node.tag == L"br") return L"\r\n";
  if (IsRawTextElement(node.tag)) return L"";
  std::wstring text;
  for (const auto& child : node.children) text += InnerText(*child);
  return text;
}

void HtmlPage::SetChecked(HtmlNode& input, bool checked) {
  const std::wstring type = Lower(input.AttributeOr(L"type"));
  if (checked && type == L"radio") {
    const std::wstring group = input.AttributeOr(L"name");
    for (HtmlNode* other : Elements())
      if (other->tag == L"input" && Lower(other->AttributeOr(L"type")) == L"radio" &&
          other->AttributeOr(L"name") == group)
        other->checked = false;
  }
  input.checked = checked;
}

HtmlPage::Box HtmlPage::Layout(const HtmlNode& element) {
  Box box;
  if (element.tag != L"table") return box;
  box.left = kTableLeft;
  box.top = kTableTop;
  box.height = 2 * kTableBorder;
  size_t widestText = 0;
  std::vector<HtmlNode*> inside;
  CollectElements(const_cast<HtmlNode&>(element), inside);
  for (HtmlNode* part : inside) {
    if (part->tag == L"tr") {
      box.height += kRowHeight;
      std::vector<HtmlNode*> cells;
      CollectElements(*part, cells);
      for (HtmlNode* cell : cells) {
        if (cell->tag == L"br") box.height += kLineHeight;
        if (cell->tag == L"td") widestText = std::max(widestText, InnerText(*cell).size());
      }
    }
  }
  box.width =
      2 * kTableBorder + 2 * std::max(kMinColumnWidth, kCharWidth * static_cast<long>(widestText));
  return box;
}

}  // namespace standins
