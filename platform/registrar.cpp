#include "registrar.h"

#include <cwctype>
#include <memory>
#include <string>
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

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  return _wcsicmp(a.c_str(), b) == 0;
}

std::wstring Substitute(const wchar_t* script, const Replacement* map, size_t count, bool& ok) {
  std::wstring out;
  ok = true;
  for (const wchar_t* p = script; *p; ++p) {
    if (*p != L'%') {
      out += *p;
      continue;
    }
    const wchar_t* close = wcschr(p + 1, L'%');
    if (!close) {
      ok = false;
      return out;
    }
    if (close == p + 1) {
      out += L'%';
    } else {
      std::wstring name(p + 1, close);
      const Replacement* hit = nullptr;
      for (size_t i = 0; i < count && !hit; ++i)
        if (_wcsicmp(map[i].name, name.c_str()) == 0) hit = &map[i];
      if (!hit || !hit->value) {
        ok = false;
        return out;
      }
      out += hit->value;
    }
    p = close;
  }
  return out;
}

class Parser {
 public:
  explicit Parser(const std::wstring& text) : text_(text) {}

  bool ParseScript(std::vector<Root>& roots) {
    for (;;) {
      std::wstring token;
      if (!Next(token)) return !failed_;
      Root root{};
      if (!HiveFromName(token, root.hive)) return false;
      if (!Expect(L"{") || !ParseKeys(root.keys)) return false;
      roots.push_back(std::move(root));
    }
  }

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
      bool quoted = false;
      if (!Next(token, &quoted)) return false;
      if (!quoted && token == L"}") return true;
      Key key;
      if (!ParseKey(token, quoted, key)) return false;
      keys.push_back(std::move(key));
    }
  }

  // A key from its first token: an optional flag, the name, then its tail.
  bool ParseKey(std::wstring token, bool quoted, Key& key) {
    static const struct {
      const wchar_t* name;
      KeyFlag flag;
    } kFlags[] = {{L"NoRemove", KeyFlag::NoRemove},
                  {L"ForceRemove", KeyFlag::ForceRemove},
                  {L"Delete", KeyFlag::Delete}};
    for (const auto& f : kFlags)
      if (!quoted && EqualsNoCase(token, f.name)) key.flag = f.flag;
    if (key.flag != KeyFlag::None && !Next(token, &quoted)) return false;
    if (!quoted && (token == L"{" || token == L"}" || token == L"=")) return false;
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
    if (!Peek(L"{")) return true;
    Expect(L"{");
    for (;;) {
      std::wstring token;
      bool quoted = false;
      if (!Next(token, &quoted)) return false;
      if (!quoted && token == L"}") return true;
      if (!quoted && EqualsNoCase(token, L"val")) {
        Value value;
        if (!Next(value.name) || !Expect(L"=") || !ParseValue(value)) return false;
        key.values.push_back(std::move(value));
        continue;
      }
      Key sub;
      if (!ParseKey(token, quoted, sub)) return false;
      key.subkeys.push_back(std::move(sub));
    }
  }

  bool ParseValue(Value& value) {
    std::wstring type, text;
    if (!Next(type) || !Next(text)) return false;
    if (EqualsNoCase(type, L"s") || EqualsNoCase(type, L"e")) {
      value.type = EqualsNoCase(type, L"s") ? REG_SZ : REG_EXPAND_SZ;
      const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
      value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
      return true;
    }
    if (EqualsNoCase(type, L"d")) {
      wchar_t* end = nullptr;
      const unsigned long number = wcstoul(text.c_str(), &end, 0);
      if (text.empty() || *end) return false;
      const DWORD dword = static_cast<DWORD>(number);
      value.type = REG_DWORD;
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&dword);
      value.data.assign(bytes, bytes + sizeof dword);
      return true;
    }
    if (EqualsNoCase(type, L"b")) {
      if (text.size() % 2) return false;
      value.type = REG_BINARY;
      for (size_t i = 0; i < text.size(); i += 2) {
        if (!iswxdigit(text[i]) || !iswxdigit(text[i + 1])) return false;
        value.data.push_back(static_cast<BYTE>(std::stoul(text.substr(i, 2), nullptr, 16)));
      }
      return true;
    }
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && iswspace(text_[pos_])) ++pos_;
  }

  bool Peek(const wchar_t* punct) {
    const size_t saved = pos_;
    std::wstring token;
    bool quoted = false;
    const bool match = Next(token, &quoted) && !quoted && token == punct;
    pos_ = saved;
    return match;
  }

  bool Expect(const wchar_t* punct) {
    std::wstring token;
    bool quoted = false;
    return Next(token, &quoted) && !quoted && token == punct;
  }

  // A token: a quoted text ('' inside stands for one quote) or a run of characters up
  // to white space, so braces and '=' stand apart and a GUID's braces stay in its name.
  bool Next(std::wstring& token, bool* quoted = nullptr) {
    token.clear();
    if (quoted) *quoted = false;
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] == L'\'') {
      if (quoted) *quoted = true;
      for (++pos_; pos_ < text_.size(); ++pos_) {
        if (text_[pos_] == L'\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == L'\'') {
            token += L'\'';
            ++pos_;
            continue;
          }
          ++pos_;
          return true;
        }
        token += text_[pos_];
      }
      failed_ = true;  // unterminated text
      return false;
    }
    while (pos_ < text_.size() && !iswspace(text_[pos_])) token += text_[pos_++];
    return true;
  }

  const std::wstring& text_;
  size_t pos_ = 0;
  bool failed_ = false;
};

LONG SetValue(HKEY key, const Value& value) {
  return RegSetValueExW(key, value.name.empty() ? nullptr : value.name.c_str(), 0, value.type,
                        value.data.data(), static_cast<DWORD>(value.data.size()));
}

HRESULT RegisterKey(HKEY parent, const Key& key) {
  if (key.flag == KeyFlag::Delete) {
    const LONG rc = RegDeleteTreeW(parent, key.name.c_str());
    if (rc == ERROR_SUCCESS) RegDeleteKeyW(parent, key.name.c_str());
    return S_OK;
  }
  if (key.flag == KeyFlag::ForceRemove) {
    if (RegDeleteTreeW(parent, key.name.c_str()) == ERROR_SUCCESS)
      RegDeleteKeyW(parent, key.name.c_str());
  }
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
    if (RegDeleteTreeW(parent, key.name.c_str()) == ERROR_SUCCESS)
      RegDeleteKeyW(parent, key.name.c_str());
    return;
  }
  bool empty = false;
  {
    unique_hkey hkey;
    if (RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, hkey.put()) != ERROR_SUCCESS)
      return;
    for (const Key& sub : key.subkeys) UnregisterKey(hkey.get(), sub);
    for (const Value& value : key.values)
      RegDeleteValueW(hkey.get(), value.name.empty() ? nullptr : value.name.c_str());
    empty = !HasSubkeys(hkey.get());
  }
  if (key.flag == KeyFlag::None && empty) RegDeleteKeyW(parent, key.name.c_str());
}

}  // namespace

HRESULT RunRegistryScript(const wchar_t* script, const Replacement* replacements, size_t count,
                          bool doRegister) noexcept try {
  if (!script) return E_POINTER;
  bool ok = false;
  const std::wstring text = Substitute(script, replacements, count, ok);
  if (!ok) return kSyntaxError;
  std::vector<Root> roots;
  if (!Parser(text).ParseScript(roots)) return kSyntaxError;
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
