#include "comtest.h"

#include <algorithm>
#include <vector>

namespace wqtest {

std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  plat::unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name, length);
  }
  return names;
}

namespace {

std::vector<std::wstring> Sorted(std::vector<std::wstring> texts) {
  std::sort(texts.begin(), texts.end());
  return texts;
}

void DumpKey(HKEY root, const std::wstring& path, std::wstring& out) {
  plat::unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out += path + L"\n";
  std::vector<std::wstring> values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameLength = 256, type = 0;
    BYTE data[2048];
    DWORD dataLength = sizeof(data);
    if (RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, data, &dataLength) !=
        ERROR_SUCCESS)
      break;
    std::wstring line =
        L"  " + std::wstring(name, nameLength) + L" " + std::to_wstring(type) + L" ";
    if (type == REG_SZ || type == REG_EXPAND_SZ)
      line.append(reinterpret_cast<const wchar_t*>(data),
                  wcsnlen(reinterpret_cast<const wchar_t*>(data), dataLength / sizeof(wchar_t)));
    else
      for (DWORD b = 0; b < dataLength; ++b) line += std::to_wstring(data[b]) + L",";
    values.push_back(line);
  }
  key.reset();
  for (const std::wstring& line : Sorted(values)) out += line + L"\n";
  for (const std::wstring& subkey : Sorted(RegistrySubkeys(root, path)))
    DumpKey(root, path + L"\\" + subkey, out);
}

}  // namespace

std::wstring RegistryDump(HKEY root, const std::wstring& path) {
  std::wstring out;
  DumpKey(root, path, out);
  return out;
}

std::wstring TakeErrorDescription() {
  plat::com_ptr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
  plat::unique_bstr description;
  info->GetDescription(description.put());
  return description.c_str();
}

std::wstring ExecutableDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, length);
  return dir.substr(0, dir.find_last_of(L"\\/"));
}

void ExpectUnloadable(const wchar_t* dllName) {
  HMODULE dll = GetModuleHandleW(dllName);
  if (!dll) return;
  auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  ASSERT_TRUE(canUnload);
  EXPECT_EQ(canUnload(), S_OK) << "an object or lock of " << dllName << " is still alive";
}

void NoLeaks::TearDown() { ExpectUnloadable(dll_); }

size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(count, heaps.data());
  }
  size_t bytes = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return bytes;
}

std::wstring FirstErrorDescription(const std::wstring& description) {
  const std::wstring start = L"<WQError Desc=\"";
  if (description.rfind(start, 0) != 0) return description;
  const size_t end = description.find(L'"', start.size());
  return description.substr(start.size(), end == std::wstring::npos ? end : end - start.size());
}

bool RunOnThread(SIZE_T stackBytes, const std::function<void()>& body, DWORD timeoutMs) {
  struct Call {
    const std::function<void()>& body;
    bool done = false;
  } call{body};
  const plat::unique_handle thread(CreateThread(
      nullptr, stackBytes,
      [](void* param) -> DWORD {
        auto* c = static_cast<Call*>(param);
        c->body();
        c->done = true;
        return 0;
      },
      &call, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
  return thread && WaitForSingleObject(thread.get(), timeoutMs) == WAIT_OBJECT_0 && call.done;
}

}  // namespace wqtest
