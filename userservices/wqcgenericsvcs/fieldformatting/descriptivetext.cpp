#include "descriptivetext.h"

#include <cwchar>

namespace wqc {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }

bool HasText(const wchar_t* text) { return text && *text; }

// The longest non-empty entry for which `matches(entry, length)` holds; the first of equal
// length wins.
template <class Match>
const WQHeapString* LongestMatch(const WQArray<WQHeapString>& list, Match matches) {
  const WQHeapString* best = nullptr;
  for (int i = 0; i < list.GetCount(); ++i) {
    const WQHeapString& entry = list[i];
    const size_t length = entry.GetLength();
    if (length == 0 || (best && length <= best->GetLength())) continue;
    if (matches(entry.GetString(), length)) best = &entry;
  }
  return best;
}

void DropTrailingBlanks(std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  text.resize(end);
}

}  // namespace

std::wstring BuildDescriptiveText(const std::wstring& number, const wchar_t* prefix,
                                  const wchar_t* postfix, const wchar_t* substitution) {
  if (HasText(substitution)) return substitution;
  std::wstring text;
  for (const wchar_t* part : {prefix, number.c_str(), postfix}) {
    if (!HasText(part)) continue;
    if (!text.empty()) text += L' ';
    text += part;
  }
  return text;
}

DescriptiveParts ParseDescriptiveText(const wchar_t* text, const DescriptiveStrings& strings) {
  DescriptiveParts parts;
  if (!text) return parts;
  while (IsBlank(*text)) ++text;
  std::wstring rest(text);
  DropTrailingBlanks(rest);
  if (rest.empty()) return parts;

  for (int i = 0; i < strings.substitutions.GetCount(); ++i) {
    const WQHeapString& entry = strings.substitutions[i];
    if (!entry.IsEmpty() && _wcsicmp(entry.GetString(), rest.c_str()) == 0) {
      parts.found = true;
      parts.substitution = entry.GetString();
      return parts;
    }
  }

  const WQHeapString* prefix =
      LongestMatch(strings.prefixes, [&](const wchar_t* entry, size_t length) {
        return length <= rest.size() && _wcsnicmp(entry, rest.c_str(), length) == 0;
      });
  if (prefix) {
    parts.found = true;
    parts.prefix = prefix->GetString();
    size_t start = prefix->GetLength();
    while (start < rest.size() && IsBlank(rest[start])) ++start;
    rest.erase(0, start);
  }

  const WQHeapString* postfix =
      LongestMatch(strings.postfixes, [&](const wchar_t* entry, size_t length) {
        return length <= rest.size() &&
               _wcsnicmp(entry, rest.c_str() + rest.size() - length, length) == 0;
      });
  if (postfix) {
    parts.found = true;
    parts.postfix = postfix->GetString();
    rest.resize(rest.size() - postfix->GetLength());
  }

  DropTrailingBlanks(rest);
  parts.number = std::move(rest);
  return parts;
}

}  // namespace wqc
