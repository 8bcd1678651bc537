#include "registrar.h"

#include <cstdio>
#include <cwctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace plat {
namespace {

constexpr HRESULT kSyntaxError = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

enum class KeyFlag { None, NoRemove, ForceRemove, Delete };

struct Value {
  std::wstring name;  // empty: the key's default value
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
};

struct Key {
  KeyFlag flag = KeyFlag::None;
  std::wstring name;
  bool hasDefault = false;
  Value defaultValue;
  std::vector<Value> values;
  std::vector<Key> subkeys;
};

struct Root {
  HKEY hive;
  std::vector<Key> keys;
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

// Reads a script into its hives and keys. Replacements are made inside each token as it is
// read, so a value stands for itself whatever it holds (quotes, braces, blanks). The first
// fault is kept with its place in the script.
class Parser {
 public:
  Parser(const wchar_t* text, const Replacement* map, size_t count)
      : text_(text), map_(map), count_(count) {}

  bool ParseScript(std::vector<Root>& roots) {
    for (;;) {
      std::wstring token;
      if (!Next(token)) return !failed_;
      Root root{};
      if (!HiveFromName(token, root.hive)) return Fail(L"unknown root key");
      if (!Expect(L"{") || !ParseKeys(root.keys)) return false;
      roots.push_back(std::move(root));
    }
  }

  // The first fault: where it is (from 1) and what it is.
  size_t FaultLine() const { return Position().first; }
  size_t FaultColumn() const { return Position().second; }
  const wchar_t* FaultText() const { return fault_; }

 private:
  static bool HiveFromName(const std::wstring& name, HKEY& hive) {
    static const struct {
      const wchar_t* shortName;
      const wchar_t* longName;
      HKEY hive;
    } kHives[] = {
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
    };
    for (const auto& h : kHives) {
      if (EqualsNoCase(name, h.shortName) || EqualsNoCase(name, h.longName)) {
        hive = h.hive;
        return true;
      }
    }
    return false;
  }

  // Reads the keys of a block up to and including its closing brace.
  bool ParseKeys(std::vector<Key>& keys) {
    for (;;) {
      std::wstring token;
      bool literal = false;
      if (!Next(token, &literal)) return Fail(L"the script ends inside a block");
      if (!literal && token == L"}") return true;
      Key key;
      if (!ParseKey(token, literal, key)) return false;
      keys.push_back(std::move(key));
    }
  }

  // A key from its first token: an optional flag, the name, then its tail.
  bool ParseKey(std::wstring token, bool literal, Key& key) {
    static const struct {
      const wchar_t* name;
      KeyFlag flag;
    } kFlags[] = {{L"NoRemove", KeyFlag::NoRemove},
                  {L"ForceRemove", KeyFlag::ForceRemove},
                  {L"Delete", KeyFlag::Delete}};
    for (const auto& f : kFlags)
      if (!literal && EqualsNoCase(token, f.name)) key.flag = f.flag;
    if (key.flag != KeyFlag::None && !Next(token, &literal))
      return Fail(L"a key name must follow its flag");
    if (!literal && (token == L"{" || token == L"}" || token == L"="))
      return Fail(L"a key name is expected");
    key.name = token;
    return ParseKeyTail(key);
  }

  // After a key's name: an optional default value, then an optional block.
  bool ParseKeyTail(Key& key) {
    if (Peek(L"=")) {
      Expect(L"=");
      if (!ParseValue(key.defaultValue)) return false;
      key.hasDefault = true;
    }
    if (!Peek(L"{")) return !failed_;
    Expect(L"{");
    for (;;) {
      std::wstring token;
      bool literal = false;
      if (!Next(token, &literal)) return Fail(L"the script ends inside a block");
      if (!literal && token == L"}") return true;
      if (!literal && EqualsNoCase(token, L"val")) {
        Value value;
        if (!Next(value.name)) return Fail(L"a value name must follow val");
        if (!Expect(L"=") || !ParseValue(value)) return false;
        key.values.push_back(std::move(value));
        continue;
      }
      Key sub;
      if (!ParseKey(token, literal, sub)) return false;
      key.subkeys.push_back(std::move(sub));
    }
  }

  bool ParseValue(Value& value) {
    std::wstring type, text;
    if (!Next(type)) return Fail(L"a value type is expected");
    const size_t typeAt = tokenStart_;
    if (!Next(text)) return Fail(L"a value is expected");
    if (EqualsNoCase(type, L"s") || EqualsNoCase(type, L"e")) {
      value.type = EqualsNoCase(type, L"s") ? REG_SZ : REG_EXPAND_SZ;
      const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
      value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
      return true;
    }
    if (EqualsNoCase(type, L"d")) {
      wchar_t* end = nullptr;
      const unsigned long number = wcstoul(text.c_str(), &end, 0);
      if (text.empty() || *end) return Fail(L"a number is expected");
      const DWORD dword = static_cast<DWORD>(number);
      value.type = REG_DWORD;
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&dword);
      value.data.assign(bytes, bytes + sizeof dword);
      return true;
    }
    if (EqualsNoCase(type, L"b")) {
      if (text.size() % 2) return Fail(L"hexadecimal bytes are expected");
      value.type = REG_BINARY;
      for (size_t i = 0; i < text.size(); i += 2) {
        if (!iswxdigit(text[i]) || !iswxdigit(text[i + 1]))
          return Fail(L"hexadecimal bytes are expected");
        value.data.push_back(static_cast<BYTE>(std::stoul(text.substr(i, 2), nullptr, 16)));
      }
      return true;
    }
    tokenStart_ = typeAt;
    return Fail(L"unknown value type");
  }

  void SkipSpace() {
    while (text_[pos_] && iswspace(text_[pos_])) ++pos_;
  }

  bool Peek(const wchar_t* punct) {
    const size_t saved = pos_;
    const size_t savedStart = tokenStart_;
    std::wstring token;
    bool literal = false;
    const bool match = Next(token, &literal) && !literal && token == punct;
    pos_ = saved;
    tokenStart_ = savedStart;
    return match;
  }

  bool Expect(const wchar_t* punct) {
    std::wstring token;
    bool literal = false;
    if (Next(token, &literal) && !literal && token == punct) return true;
    return Fail(punct[0] == L'=' ? L"'=' is expected" : L"'{' is expected");
  }

  // A token: a quoted text ('' inside stands for one quote) or a run of characters up to
  // white space, so braces and '=' stand apart and a GUID's braces stay in its name.
  // `literal` tells a quoted text or one holding a replacement, which is never a keyword.
  // False at the end of the script or at a fault.
  bool Next(std::wstring& token, bool* literal = nullptr) {
    token.clear();
    bool isLiteral = false;
    if (literal) *literal = false;
    if (failed_) return false;
    SkipSpace();
    tokenStart_ = pos_;
    if (!text_[pos_]) return false;
    if (text_[pos_] == L'\'') {
      isLiteral = true;
      for (++pos_;; ++pos_) {
        if (!text_[pos_]) {
          pos_ = tokenStart_;
          return Fail(L"the text is not closed");
        }
        if (text_[pos_] == L'\'') {
          if (text_[pos_ + 1] != L'\'') break;
          token += L'\'';
          ++pos_;
        } else if (text_[pos_] == L'%') {
          if (!Replace(token, isLiteral)) return false;
        } else {
          token += text_[pos_];
        }
      }
      ++pos_;
      // A text ends where a token may end: a quote too many cut it short.
      if (text_[pos_] && !iswspace(text_[pos_]) && text_[pos_] != L'{' && text_[pos_] != L'}')
        return FailAt(pos_, L"white space is expected after a text");
    } else {
      for (; text_[pos_] && !iswspace(text_[pos_]); ++pos_) {
        if (text_[pos_] == L'\'') return FailAt(pos_, L"a quote inside a name");
        if (text_[pos_] == L'%') {
          if (!Replace(token, isLiteral)) return false;
        } else {
          token += text_[pos_];
        }
      }
    }
    if (literal) *literal = isLiteral;
    return true;
  }

  // At a '%': appends "%%" as one percent sign, or %NAME%'s value as it stands.
  bool Replace(std::wstring& token, bool& literal) {
    const size_t at = pos_;
    const wchar_t* close = wcschr(text_ + at + 1, L'%');
    if (!close) return FailAt(at, L"a replacement is not closed");
    const size_t end = static_cast<size_t>(close - text_);
    pos_ = end;
    if (end == at + 1) {
      token += L'%';
      return true;
    }
    const std::wstring name(text_ + at + 1, close);
    for (size_t i = 0; i < count_; ++i) {
      if (_wcsicmp(map_[i].name, name.c_str()) == 0 && map_[i].value) {
        token += map_[i].value;
        literal = true;
        return true;
      }
    }
    return FailAt(at, L"unknown replacement");
  }

  bool Fail(const wchar_t* what) { return FailAt(tokenStart_, what); }
  bool FailAt(size_t at, const wchar_t* what) {
    if (!failed_) {
      failed_ = true;
      faultAt_ = at;
      fault_ = what;
    }
    return false;
  }

  std::pair<size_t, size_t> Position() const {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < faultAt_ && text_[i]; ++i) {
      if (text_[i] == L'\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    return {line, column};
  }

  const wchar_t* text_;
  const Replacement* map_;
  size_t count_;
  size_t pos_ = 0;
  size_t tokenStart_ = 0;
  bool failed_ = false;
  size_t faultAt_ = 0;
  const wchar_t* fault_ = L"";
};

// Describes a script that cannot be read, with the place of its fault, as the thread's
// error info.
void SetSyntaxErrorInfo(const Parser& parser) {
  com_ptr<ICreateErrorInfo> create;
  if (FAILED(::CreateErrorInfo(create.put()))) return;
  wchar_t text[160];
  swprintf(text, 160, L"Registry script error at line %zu, column %zu: %ls", parser.FaultLine(),
           parser.FaultColumn(), parser.FaultText());
  create->SetSource(const_cast<LPOLESTR>(L"Registrar"));
  create->SetDescription(text);
  com_ptr<IErrorInfo> info;
  if (SUCCEEDED(create.query_to(info))) ::SetErrorInfo(0, info.get());
}

// A value's name as the registry functions take it: null for the key's default value.
const wchar_t* ValueName(const std::wstring& name) { return name.empty() ? nullptr : name.c_str(); }

LONG SetValue(HKEY key, const Value& value) {
  return RegSetValueExW(key, ValueName(value.name), 0, value.type, value.data.data(),
                        static_cast<DWORD>(value.data.size()));
}

// Removes a key with everything in it; one that is not there is no failure.
LSTATUS RemoveKey(HKEY parent, const wchar_t* name) {
  LSTATUS status = RegDeleteTreeW(parent, name);
  if (status == ERROR_SUCCESS) status = RegDeleteKeyW(parent, name);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT RegisterKey(HKEY parent, const Key& key) {
  if (key.flag == KeyFlag::Delete) {
    RemoveKey(parent, key.name.c_str());
    return S_OK;
  }
  if (key.flag == KeyFlag::ForceRemove) RemoveKey(parent, key.name.c_str());
  unique_hkey hkey;
  LONG rc = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            hkey.put(), nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  if (key.hasDefault && (rc = SetValue(hkey.get(), key.defaultValue)) != ERROR_SUCCESS)
    return HRESULT_FROM_WIN32(rc);
  for (const Value& value : key.values)
    if ((rc = SetValue(hkey.get(), value)) != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  for (const Key& sub : key.subkeys) PLAT_RETURN_IF_FAILED(RegisterKey(hkey.get(), sub));
  return S_OK;
}

bool HasSubkeys(HKEY key) {
  DWORD subkeys = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys > 0;
}

// Removes what registration wrote; a plain key goes once no subkey is left in it.
void UnregisterKey(HKEY parent, const Key& key) {
  if (key.flag == KeyFlag::Delete) return;
  if (key.flag == KeyFlag::ForceRemove) {
    RemoveKey(parent, key.name.c_str());
    return;
  }
  bool empty = false;
  {
    unique_hkey hkey;
    if (RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, hkey.put()) != ERROR_SUCCESS)
      return;
    for (const Key& sub : key.subkeys) UnregisterKey(hkey.get(), sub);
    for (const Value& value : key.values) RegDeleteValueW(hkey.get(), ValueName(value.name));
    empty = !HasSubkeys(hkey.get());
  }
  if (key.flag == KeyFlag::None && empty) RegDeleteKeyW(parent, key.name.c_str());
}

// Keeps what registering `key` below `parent` writes: its tree, or below a NoRemove key
// that sets no value of its own, its subkeys' trees.
HRESULT KeepWritten(HKEY root, const std::wstring& parent, const Key& key, RegistrySnapshot& keep) {
  const std::wstring path = parent.empty() ? key.name : parent + L"\\" + key.name;
  if (key.flag != KeyFlag::NoRemove || key.hasDefault || !key.values.empty())
    return keep.Keep(root, path);
  for (const Key& sub : key.subkeys) PLAT_RETURN_IF_FAILED(KeepWritten(root, path, sub, keep));
  return S_OK;
}

// The names of a key's values (the default value's is empty) or of its subkeys.
LSTATUS Names(HKEY key, bool values, std::vector<std::wstring>& names) {
  DWORD count = 0, longest = 0;
  LSTATUS status = values ? RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, &count, &longest, nullptr, nullptr, nullptr)
                          : RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &longest,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  std::vector<wchar_t> name(longest + 1);
  for (DWORD i = 0; i < count; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    status = values
                 ? RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                 : RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) return status;
    names.emplace_back(name.data(), length);
  }
  return ERROR_SUCCESS;
}

template <class Named>
bool HasName(const std::vector<Named>& items, const std::wstring& name) {
  for (const Named& item : items)
    if (_wcsicmp(item.name.c_str(), name.c_str()) == 0) return true;
  return false;
}

}  // namespace

struct RegistrySnapshot::Tree {
  std::wstring name;
  std::vector<Value> values;
  std::vector<Tree> subkeys;
};

namespace {

LSTATUS ReadTree(HKEY key, RegistrySnapshot::Tree& tree) {
  std::vector<std::wstring> names;
  LSTATUS status = Names(key, true, names);
  for (const std::wstring& name : names) {
    if (status != ERROR_SUCCESS) return status;
    Value value{name};
    DWORD size = 0;
    status = RegQueryValueExW(key, ValueName(name), nullptr, &value.type, nullptr, &size);
    value.data.resize(size);
    if (status == ERROR_SUCCESS)
      status = RegQueryValueExW(key, ValueName(name), nullptr, nullptr, value.data.data(), &size);
    value.data.resize(size);
    tree.values.push_back(std::move(value));
  }
  names.clear();
  if (status == ERROR_SUCCESS) status = Names(key, false, names);
  for (const std::wstring& name : names) {
    if (status != ERROR_SUCCESS) return status;
    unique_hkey sub;
    status = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, sub.put());
    tree.subkeys.push_back({name});
    if (status == ERROR_SUCCESS) status = ReadTree(sub.get(), tree.subkeys.back());
  }
  return status;
}

// Makes an open key hold exactly the values and subkeys of `tree`.
LSTATUS WriteTree(HKEY key, const RegistrySnapshot::Tree& tree) {
  std::vector<std::wstring> values, subkeys;
  LSTATUS status = Names(key, true, values);
  if (status == ERROR_SUCCESS) status = Names(key, false, subkeys);
  if (status != ERROR_SUCCESS) return status;
  for (const std::wstring& name : values)
    if (!HasName(tree.values, name)) RegDeleteValueW(key, ValueName(name));
  for (const Value& value : tree.values)
    if ((status = SetValue(key, value)) != ERROR_SUCCESS) return status;
  for (const std::wstring& name : subkeys)
    if (!HasName(tree.subkeys, name) && (status = RemoveKey(key, name.c_str())) != ERROR_SUCCESS)
      return status;
  for (const RegistrySnapshot::Tree& sub : tree.subkeys) {
    unique_hkey opened;
    status = RegCreateKeyExW(key, sub.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             opened.put(), nullptr);
    if (status == ERROR_SUCCESS) status = WriteTree(opened.get(), sub);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

// Whether `path` is `within` or below it.
bool IsWithin(const std::wstring& path, const std::wstring& within) {
  return _wcsnicmp(path.c_str(), within.c_str(), within.size()) == 0 &&
         (path.size() == within.size() || path[within.size()] == L'\\');
}

}  // namespace

HRESULT RegistrySnapshot::Keep(HKEY root, const std::wstring& path) noexcept try {
  for (const Kept& kept : kept_)
    if (kept.root == root && IsWithin(path, kept.path)) return S_OK;
  unique_hkey key;
  const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
  std::shared_ptr<Tree> tree;
  if (status == ERROR_SUCCESS) {
    tree = std::make_shared<Tree>();
    const LSTATUS read = ReadTree(key.get(), *tree);
    if (read != ERROR_SUCCESS) return HRESULT_FROM_WIN32(read);
  }
  kept_.push_back({root, path, std::move(tree)});
  return S_OK;
}
PLAT_CATCH_RETURN()

HRESULT RegistrySnapshot::Restore() const noexcept try {
  LSTATUS first = ERROR_SUCCESS;
  for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
    LSTATUS status = ERROR_SUCCESS;
    if (!kept->tree) {
      status = RemoveKey(kept->root, kept->path.c_str());
    } else {
      unique_hkey key;
      status = RegCreateKeyExW(kept->root, kept->path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                               nullptr, key.put(), nullptr);
      if (status == ERROR_SUCCESS) status = WriteTree(key.get(), *kept->tree);
    }
    if (first == ERROR_SUCCESS) first = status;
  }
  return HRESULT_FROM_WIN32(first);
}
PLAT_CATCH_RETURN()

namespace {
thread_local RegistrySnapshot* recording = nullptr;
}  // namespace

RegistrySnapshot::Recording::Recording(RegistrySnapshot& snapshot) noexcept
    : previous_(std::exchange(recording, &snapshot)) {}

RegistrySnapshot::Recording::~Recording() { recording = previous_; }

HRESULT RunRegistryScript(const wchar_t* script, const Replacement* replacements, size_t count,
                          bool doRegister) noexcept try {
  if (!script) return E_POINTER;
  std::vector<Root> roots;
  Parser parser(script, replacements, count);
  if (!parser.ParseScript(roots)) {
    SetSyntaxErrorInfo(parser);
    return kSyntaxError;
  }
  if (doRegister && recording) {
    for (const Root& root : roots)
      for (const Key& key : root.keys)
        PLAT_RETURN_IF_FAILED(KeepWritten(root.hive, L"", key, *recording));
  }
  HRESULT hr = S_OK;
  for (const Root& root : roots) {
    for (const Key& key : root.keys) {
      if (doRegister) {
        hr = RegisterKey(root.hive, key);
        if (FAILED(hr)) return hr;
      } else {
        UnregisterKey(root.hive, key);
      }
    }
  }
  return hr;
}
PLAT_CATCH_RETURN()

}  // namespace plat
