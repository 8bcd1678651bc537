#include "workspacescript.h"

namespace standins {
namespace {

struct find_handle_traits {
  using type = HANDLE;
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool is_valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { ::FindClose(h); }
};

}  // namespace

WorkspaceScript::WorkspaceScript()
    : recorder(
          {L"CreateDataServiceCall", L"get_ServerProgID", L"put_ServerProgID", L"get_MethodName",
           L"put_MethodName", L"get_Input", L"put_Input", L"get_Response", L"get_Flags",
           L"put_Flags", L"Execute", L"StartDocument", L"StartElement", L"WriteVariantAttribute",
           L"CloseStartTag", L"WriteText", L"EndElement", L"WriteVariantElement", L"WriteRaw"},
          true) {}

WorkspaceScript::Key WorkspaceScript::MakeKey(const std::wstring& server,
                                              const std::wstring& method) {
  return {Lower(server), Lower(method)};
}

void WorkspaceScript::SetReply(const std::wstring& server, const std::wstring& method,
                               std::wstring reply) {
  auto& queue = replies_[MakeKey(server, method)];
  queue.clear();
  queue.push_back(std::move(reply));
}

void WorkspaceScript::QueueReply(const std::wstring& server, const std::wstring& method,
                                 std::wstring reply) {
  replies_[MakeKey(server, method)].push_back(std::move(reply));
}

std::optional<std::wstring> WorkspaceScript::TakeReply(const std::wstring& server,
                                                       const std::wstring& method) {
  const Key keys[] = {MakeKey(server, method), MakeKey(server, L"*"), MakeKey(L"*", method),
                      MakeKey(L"*", L"*")};
  for (const Key& key : keys) {
    auto found = replies_.find(key);
    if (found == replies_.end() || found->second.empty()) continue;
    std::deque<std::wstring>& queue = found->second;
    std::wstring reply = queue.front();
    if (queue.size() > 1) queue.pop_front();
    return reply;
  }
  return std::nullopt;
}

HRESULT WorkspaceScript::LoadReplyFolder(const std::wstring& folder, LONG* count) {
  *count = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return RaiseError(plat::hresult_from_last_error(),
                      L"The reply folder \"" + folder + L"\" cannot be read", kWorkspaceSource);
  plat::unique_any<find_handle_traits> closer(search);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring name = found.cFileName;
    const size_t extension = name.rfind(L'.');
    if (extension == std::wstring::npos) continue;
    const std::wstring suffix = Lower(name.substr(extension));
    if (suffix != L".xml" && suffix != L".txt") continue;
    const size_t dot = name.rfind(L'.', extension - 1);
    if (dot == std::wstring::npos || dot == 0 || dot + 1 == extension) continue;
    std::wstring reply;
    const HRESULT hr = ReadTextFile(folder + L"\\" + name, &reply);
    if (FAILED(hr)) return hr;
    SetReply(name.substr(0, dot), name.substr(dot + 1, extension - dot - 1), std::move(reply));
    ++*count;
  } while (::FindNextFileW(search, &found));
  return S_OK;
}

std::shared_ptr<Request> WorkspaceScript::NewRequest() {
  requests_.push_back(std::make_shared<Request>());
  return requests_.back();
}

Request* WorkspaceScript::RequestAt(LONG index) const {
  if (index < 1 || static_cast<size_t>(index) > requests_.size()) return nullptr;
  return requests_[index - 1].get();
}

void WorkspaceScript::Reset() {
  replies_.clear();
  requests_.clear();
  recorder.Clear();
}

HRESULT ReadTextFile(const std::wstring& path, std::wstring* text) {
  plat::unique_handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return RaiseError(plat::hresult_from_last_error(),
                      L"The reply file \"" + path + L"\" cannot be opened", kWorkspaceSource);
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024)
    return RaiseError(E_FAIL, L"The reply file \"" + path + L"\" cannot be read", kWorkspaceSource);
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    return RaiseError(plat::hresult_from_last_error(),
                      L"The reply file \"" + path + L"\" cannot be read", kWorkspaceSource);

  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text->assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    return S_OK;
  }
  size_t start = 0;
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
  const int length = static_cast<int>(bytes.size() - start);
  text->assign(length, L'\0');
  const int chars =
      length ? ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, length, text->data(), length)
             : 0;
  text->resize(chars > 0 ? chars : 0);
  return S_OK;
}

}  // namespace standins
