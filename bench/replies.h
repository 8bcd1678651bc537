// Reply texts of a given size for the benchmarks, made the same way at every run.
#pragma once

#include <string>
#include <vector>

namespace bench {

// Names in no order, many of them equal without regard to case.
inline std::vector<std::wstring> MakeNames(int count) {
  std::vector<std::wstring> names;
  names.reserve(count);
  unsigned seed = 2024;
  const wchar_t* stems[] = {L"Case ", L"case ", L"Design ", L"OPERATING ", L"Upset "};
  for (int i = 0; i < count; ++i) {
    seed = seed * 1103515245u + 12345u;
    names.push_back(stems[(seed >> 8) % 5] + std::to_wstring((seed >> 12) % (count / 2 + 1)));
  }
  return names;
}

// A ListCases reply, every seventh case restricted; `separator` follows every element.
inline std::wstring MakeListCasesReply(const std::vector<std::wstring>& names,
                                       const wchar_t* separator) {
  std::wstring reply = std::wstring(L"<ListCases>") + separator;
  for (size_t i = 0; i < names.size(); ++i) {
    const long id = static_cast<long>(i);
    reply += L"<Case ID=\"" + std::to_wstring(i % 7 ? id : -id) + L"\" CaseName=\"" + names[i] +
             L"\"/>" + separator;
  }
  return reply + L"</ListCases>";
}

// A ListObjects reply of `count` objects; `separator` follows every element.
inline std::wstring MakeListObjectsReply(int count, const wchar_t* separator) {
  std::wstring reply = std::wstring(L"<ListObjects>") + separator;
  for (int i = 0; i < count; ++i) {
    reply += L"<Object OID=\"" + std::to_wstring(1000 + i) + L"\" KnownName=\"P-" +
             std::to_wstring(i) + L"\" Editable=\"" + (i % 3 ? L"true" : L"false") + L"\"/>" +
             separator;
  }
  return reply + L"</ListObjects>";
}

}  // namespace bench
