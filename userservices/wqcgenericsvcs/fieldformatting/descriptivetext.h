// Descriptive text around a number: the prefix, postfix and substitution texts that a
// workspace allows, joining them with a number for display, and finding them again in text
// that a user typed.
#pragma once

#include <string>

#include "wqarray.h"
#include "wqstring.h"

namespace wqc {

// The allowed texts, in the order the workspace gave them.
struct DescriptiveStrings {
  WQArray<WQHeapString> prefixes;
  WQArray<WQHeapString> postfixes;
  WQArray<WQHeapString> substitutions;

  void RemoveAll() {
    prefixes.RemoveAll();
    postfixes.RemoveAll();
    substitutions.RemoveAll();
  }
  void MoveFrom(DescriptiveStrings& other) {
    prefixes.MoveFrom(other.prefixes);
    postfixes.MoveFrom(other.postfixes);
    substitutions.MoveFrom(other.substitutions);
  }
};

// What a typed text held. The three texts point at entries of the lists searched (null when
// not found); `number` is what is left between prefix and postfix, trimmed.
struct DescriptiveParts {
  bool found = false;
  const wchar_t* prefix = nullptr;
  const wchar_t* postfix = nullptr;
  const wchar_t* substitution = nullptr;
  std::wstring number;
};

// A non-empty substitution alone; otherwise the non-empty ones of prefix, number and postfix
// joined by one blank.
std::wstring BuildDescriptiveText(const std::wstring& number, const wchar_t* prefix,
                                  const wchar_t* postfix, const wchar_t* substitution);

// Matches a whole substitution, else the longest prefix at the start and the longest postfix
// at the end, all without regard to case. Blanks are space, tab and line feed. Empty list
// entries never match.
DescriptiveParts ParseDescriptiveText(const wchar_t* text, const DescriptiveStrings& strings);

}  // namespace wqc
