// Replies that make a parser that expands their internal entities run out of time and
// memory, for the tests of every path that reads XML.
#pragma once

#include <windows.h>

#include <string>

namespace wqtest {

// Ten levels of ten references each: 10^9 copies of "lol" inside `root`.
inline std::wstring BillionLaughs(const std::wstring& root) {
  std::wstring xml =
      L"<?xml version=\"1.0\"?>\n<!DOCTYPE " + root + L" [\n<!ENTITY lol0 \"lol\">\n";
  for (int level = 1; level <= 9; ++level) {
    xml += L"<!ENTITY lol" + std::to_wstring(level) + L" \"";
    for (int i = 0; i < 10; ++i) xml += L"&lol" + std::to_wstring(level - 1) + L";";
    xml += L"\">\n";
  }
  return xml + L"]>\n<" + root + L">&lol9;</" + root + L">";
}

// One entity of 20,000 characters referenced 20,000 times: 400 million characters.
inline std::wstring QuadraticBlowup(const std::wstring& root) {
  std::wstring xml = L"<?xml version=\"1.0\"?>\n<!DOCTYPE " + root + L" [\n<!ENTITY a \"" +
                     std::wstring(20000, L'a') + L"\">\n]>\n<" + root + L">";
  for (int i = 0; i < 20000; ++i) xml += L"&a;";
  return xml + L"</" + root + L">";
}

// Milliseconds since `start` (a GetTickCount64 value).
inline ULONGLONG ElapsedMs(ULONGLONG start) { return GetTickCount64() - start; }

}  // namespace wqtest
