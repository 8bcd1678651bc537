#include "accessctrl.h"

#include <cwchar>
#include <new>

#include "accesscontrolparser.h"
#include "wqcomexception.h"

using namespace accesscontrol;

// ---------------------------------------------------------------- records

bool SameAccessName(const wchar_t* a, const wchar_t* b) {
  return _wcsicmp(a ? a : L"", b ? b : L"") == 0;
}

PrivilegeRightRecord* AccessRole::FindPrivilegeRight(const wchar_t* name) {
  for (int i = 0; i < Rights.GetCount(); ++i)
    if (SameAccessName(Rights[i].Name.get(), name)) return &Rights[i];
  return nullptr;
}

void AccessRole::SetPrivilegeRight(BSTR name, int granted) {
  if (PrivilegeRightRecord* right = FindPrivilegeRight(name)) {
    right->Granted = granted;
    return;
  }
  PrivilegeRightRecord right;
  right.Name = CopyableBstr(name);
  right.Granted = granted;
  Rights.Add(right);
}

void AccessUser::AddRole(BSTR roleName) { RoleNames.Add(roleName); }

bool AccessUser::HasRole(const wchar_t* roleName) const {
  for (int i = 0; i < RoleNames.GetCount(); ++i)
    if (SameAccessName(RoleNames[i], roleName)) return true;
  return false;
}

// ---------------------------------------------------------------- model

HRESULT CAccessControl::Parse(const wchar_t* xml) {
  Clear();
  AccessControlParser parser(*this);
  // The parser reads a text up to its first zero and never frees it, so a reply of
  // megabytes is read where it is rather than copied into a BSTR first.
  return parser.ParseString(xml && *xml ? const_cast<wchar_t*>(xml) : nullptr);
}

void CAccessControl::Clear() noexcept {
  users_.RemoveAll();
  roles_.RemoveAll();
  categories_.RemoveAll();
}

AccessRole* CAccessControl::FindRole(const wchar_t* name) {
  const int index = FindRoleIndex(name);
  return index < 0 ? nullptr : &roles_[index];
}

int CAccessControl::FindRoleIndex(const wchar_t* name) const {
  for (int i = 0; i < roles_.GetCount(); ++i)
    if (SameAccessName(roles_[i].Name.get(), name)) return i;
  return -1;
}

int CAccessControl::FindUserIndex(const wchar_t* accountName) const {
  for (int i = 0; i < users_.GetCount(); ++i)
    if (SameAccessName(users_[i].GetName(), accountName)) return i;
  return -1;
}

// ---------------------------------------------------------------- reader

namespace accesscontrol {

HRESULT ParentHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != childId_) return RefuseChild(id);
  *child = &child_;
  return S_OK;
}

}  // namespace accesscontrol

const SAXSchemaEntry* AccessControlSchema::GetSchema() {
  static const SAXSchemaEntry kSchema[] = {
      {kSchemaStart, nullptr, 0},
      {kSchemaStringElement, L"RoleName", kRoleName},
      {kSchemaElement, L"AccessControl", kAccessControl},
      {kSchemaChild, nullptr, kUsers},
      {kSchemaChild, nullptr, kPrivileges},
      {kSchemaChild, nullptr, kRoles},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Users", kUsers},
      {kSchemaChild, nullptr, kUser},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"User", kUser},
      {kSchemaStringAttribute, L"Name", kUserName},
      {kSchemaStringAttribute, L"Domain", kUserDomain},
      {kSchemaStringAttribute, L"DisplayName", kUserDisplayName},
      {kSchemaBoolAttribute, L"IsGroup", kUserIsGroup},
      {kSchemaChild, nullptr, kRoleName},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Privileges", kPrivileges},
      {kSchemaChild, nullptr, kPrivilegeCategory},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"PrivilegeCategory", kPrivilegeCategory},
      {kSchemaChild, nullptr, kPrivilege},
      {kSchemaStringAttribute, L"Name", kCategoryName},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Privilege", kPrivilege},
      {kSchemaStringAttribute, L"Name", kPrivilegeName},
      {kSchemaStringAttribute, L"Description", kPrivilegeDescription},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Roles", kRoles},
      {kSchemaChild, nullptr, kRole},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"Role", kRole},
      {kSchemaChild, nullptr, kPrivilegeRight},
      {kSchemaStringAttribute, L"Name", kRoleNameAttr},
      {kSchemaStringAttribute, L"Description", kRoleDescription},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaElement, L"PrivilegeRight", kPrivilegeRight},
      {kSchemaStringAttribute, L"Name", kRightName},
      {kSchemaIntegerAttribute, L"Granted", kRightGranted},
      {kSchemaEndBlock, nullptr, 0},
      {kSchemaEnd, nullptr, 0},
  };
  return kSchema;
}

HRESULT AccessControlParser::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  if (id != kAccessControl) return StrictSAXSchemaElementHandler::RefuseChild(id);
  *child = &accessControl_;
  return S_OK;
}

// The document is "AccessControl", not a lone text element.
HRESULT AccessControlParser::SetChildValue(ULONG id, const SAXSchemaValue&) {
  return StrictSAXSchemaElementHandler::RefuseChild(id);
}

HRESULT AccessControlHandler::GetChildHandler(ULONG id, SAXSchemaElementHandler** child) {
  switch (id) {
    case kUsers: *child = &users_; break;
    case kPrivileges: *child = &privileges_; break;
    case kRoles: *child = &roles_; break;
    default: return RefuseChild(id);
  }
  return S_OK;
}

HRESULT UserHandler::StartElement(ULONG) {
  name_.clear();
  domain_.clear();
  displayName_.reset();
  roleNames_.RemoveAll();
  return S_OK;
}

HRESULT UserHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kUserName: name_.assign(value.GetString()); break;
    case kUserDomain: domain_.assign(value.GetString()); break;
    case kUserDisplayName: displayName_ = value.GetString(); break;
    case kUserIsGroup: break;  // a group is a user like any other
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

// "RoleName" is a text element: its value comes here, not through a child handler.
HRESULT UserHandler::SetChildValue(ULONG id, const SAXSchemaValue& value) {
  if (id != kRoleName) return RefuseChild(id);
  // The list takes the copy over rather than copying it again.
  CopyableBstr roleName(value.GetString());
  roleNames_.Add(nullptr);
  roleNames_[roleNames_.GetCount() - 1] = roleName.release();
  return S_OK;
}

HRESULT UserHandler::EndElement(ULONG) {
  WQArray<AccessUser>& users = model_.Users();
  // Neither text holds a zero: it cannot be part of either.
  key_.assign(name_);
  key_ += L'\0';
  key_ += domain_;
  const auto found = firstUser_.find(key_);
  WQSecurityPrincipal resolved;
  if (found == firstUser_.end()) {
    // An account that does not resolve is still listed, under the name the resolution
    // made of it; its failure must not linger as the thread's error. The model only ever
    // names its accounts, so each SID is looked up when something first asks for it.
    if (FAILED(resolved.ResolveName(name_.c_str(), domain_.c_str()))) SetErrorInfo(0, nullptr);
  }
  // Filled in place; a user whose copy fails is not left half made.
  users.Add(AccessUser());
  const int index = users.GetCount() - 1;
  try {
    AccessUser& user = users[index];
    // Copies of one account share its one deferred lookup.
    user.Account = found == firstUser_.end() ? resolved : users[found->second].Account;
    // The element's texts go to the user: the next User starts empty anyway.
    static_cast<plat::unique_bstr&>(user.DisplayName) =
        std::move(static_cast<plat::unique_bstr&>(displayName_));
    user.RoleNames.MoveFrom(roleNames_);
    if (found == firstUser_.end()) firstUser_.emplace(key_, index);
  } catch (...) {
    users.RemoveAt(index);
    throw;
  }
  return S_OK;
}

HRESULT PrivilegeCategoryHandler::StartElement(ULONG) {
  category_.Name.reset();
  category_.Privileges.RemoveAll();
  return S_OK;
}

HRESULT PrivilegeCategoryHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  if (id != kCategoryName) return RefuseAttribute(id);
  category_.Name = value.GetString();
  return S_OK;
}

HRESULT PrivilegeCategoryHandler::EndElement(ULONG) {
  model_.Categories().Add(category_);
  return S_OK;
}

HRESULT PrivilegeHandler::StartElement(ULONG) {
  privilege_.Name.reset();
  privilege_.Description.reset();
  return S_OK;
}

HRESULT PrivilegeHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kPrivilegeName: privilege_.Name = value.GetString(); break;
    case kPrivilegeDescription: privilege_.Description = value.GetString(); break;
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

HRESULT PrivilegeHandler::EndElement(ULONG) {
  category_.AddPrivilege(privilege_);
  return S_OK;
}

HRESULT RoleHandler::StartElement(ULONG) {
  role_.Name.reset();
  role_.Description.reset();
  role_.Rights.RemoveAll();
  return S_OK;
}

HRESULT RoleHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kRoleNameAttr: role_.Name = value.GetString(); break;
    case kRoleDescription: role_.Description = value.GetString(); break;
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

HRESULT RoleHandler::EndElement(ULONG) {
  model_.Roles().Add(role_);
  return S_OK;
}

HRESULT PrivilegeRightHandler::StartElement(ULONG) {
  right_.Name.reset();
  right_.Granted = PrivilegeRightRecord::kNeither;
  return S_OK;
}

HRESULT PrivilegeRightHandler::SetAttribute(ULONG id, const SAXSchemaValue& value) {
  switch (id) {
    case kRightName: right_.Name = value.GetString(); break;
    case kRightGranted: right_.Granted = value.GetLong(); break;
    default: return RefuseAttribute(id);
  }
  return S_OK;
}

HRESULT PrivilegeRightHandler::EndElement(ULONG) {
  role_.AddRight(right_);
  return S_OK;
}
