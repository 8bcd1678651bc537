// Helpers shared by the tests: reference counts, interface checks and registry reads.
#pragma once

#include <gtest/gtest.h>

#include <handles.h>

#include <functional>
#include <string>
#include <vector>

namespace wqtest {

// The reference count an object reports after one AddRef/Release pair.
inline ULONG RefCount(IUnknown* unknown) {
  unknown->AddRef();
  return unknown->Release();
}

// Whether `unknown` answers `iid`; the interface is released again.
inline HRESULT QueryResult(IUnknown* unknown, REFIID iid) {
  IUnknown* out = reinterpret_cast<IUnknown*>(0x1);
  const HRESULT hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(&out));
  if (SUCCEEDED(hr) && out) out->Release();
  if (FAILED(hr)) {
    EXPECT_EQ(out, nullptr) << "a failed QueryInterface must clear its out-pointer";
  }
  return hr;
}

// The string value `name` (null: default) of key `path` under `root`, or nothing.
inline bool ReadRegistryString(HKEY root, const std::wstring& path, const wchar_t* name,
                               std::wstring* value) {
  plat::unique_hkey key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return false;
  if (value) *value = buffer;
  return true;
}

inline bool RegistryKeyExists(HKEY root, const std::wstring& path) {
  plat::unique_hkey key;
  return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

// The names of the subkeys of `path`, in the registry's order.
std::vector<std::wstring> RegistrySubkeys(HKEY root, const std::wstring& path);

// Every key and value under `path`, one a line, in a stable order; empty when there is no
// such key.
std::wstring RegistryDump(HKEY root, const std::wstring& path);

// A BSTR copy of a text, for arguments of the code under test.
inline plat::unique_bstr Bstr(const wchar_t* text) { return plat::unique_bstr::copy(text); }
inline plat::unique_bstr Bstr(const std::wstring& text) { return Bstr(text.c_str()); }

inline std::wstring GuidText(REFGUID guid) {
  wchar_t text[39];
  StringFromGUID2(guid, text, 39);
  return text;
}

// The description of the thread's current error info (taken off the thread).
std::wstring TakeErrorDescription();
// The first Desc of a "WQError" chain (what a user is shown); other texts whole.
std::wstring FirstErrorDescription(const std::wstring& description);

// The directory holding the running test executable.
std::wstring ExecutableDirectory();

// Fails the test when the server DLL `dll` (once loaded) still holds objects or locks:
// a leak of the code under test.
void ExpectUnloadable(const wchar_t* dll);

// The bytes of every heap of the process that are handed out: a leak shows as growth over
// many repeats of the same work.
size_t HeapBytesInUse();

// Runs `body` on a thread with a stack of `stackBytes`; false when it did not come back
// within `timeoutMs` (a thread whose stack ran out dies there, or hangs).
bool RunOnThread(SIZE_T stackBytes, const std::function<void()>& body, DWORD timeoutMs = 60000);

class NoLeaks : public testing::Test {
 public:
  explicit NoLeaks(const wchar_t* dll) : dll_(dll) {}

 protected:
  void TearDown() override;

 private:
  const wchar_t* dll_;
};

}  // namespace wqtest
