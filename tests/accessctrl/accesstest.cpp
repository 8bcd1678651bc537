#include "accesstest.h"

namespace accesstest {
namespace {

std::wstring Text(const plat::unique_bstr& text) { return text.c_str(); }

template <class T, class Item>
std::wstring Join(const WQArray<T>& items, const wchar_t* separator, Item&& item) {
  std::wstring text;
  for (int i = 0; i < items.GetCount(); ++i) {
    if (i) text += separator;
    text += item(items[i]);
  }
  return text;
}

}  // namespace

std::wstring Host() {
  wchar_t storage[64];
  WQStringBuffer name(storage);
  WQSecurityPrincipal::GetComputerName(ComputerNameDnsHostname, name);
  return name.GetString();
}

std::wstring Dump(const AccessUser& user) {
  std::wstring roles;
  for (int i = 0; i < user.RoleNames.GetCount(); ++i)
    roles += (i ? L"," : L"") + std::wstring(user.RoleNames[i] ? user.RoleNames[i] : L"");
  return std::wstring(user.GetName()) + L" '" + Text(user.DisplayName) + L"' [" + roles + L"]";
}

std::wstring Dump(const AccessRole& role) {
  return Text(role.Name) + L" '" + Text(role.Description) + L"' {" +
         Join(role.Rights, L",",
              [](const PrivilegeRightRecord& right) {
                return Text(right.Name) + L"=" + std::to_wstring(right.Granted);
              }) +
         L"}";
}

std::wstring Dump(const CAccessControl& model) {
  const auto user = [](const AccessUser& u) { return Dump(u); };
  const auto role = [](const AccessRole& r) { return Dump(r); };
  const auto category = [](const PrivilegeCategoryRecord& c) {
    return Text(c.Name) + L"(" +
           Join(
               c.Privileges, L",",
               [](const PrivilegeRecord& p) { return Text(p.Name) + L":" + Text(p.Description); }) +
           L")";
  };
  return L"users: " + Join(model.Users(), L"; ", user) + L" | roles: " +
         Join(model.Roles(), L"; ", role) + L" | privileges: " +
         Join(model.Categories(), L"; ", category);
}

}  // namespace accesstest
