// CAccessControl: a workspace's access control in memory, read from the "AccessControl"
// XML of the workspace-node object: its users with the roles each belongs to, its roles
// with the privilege rights of each, and the catalogue of privileges in categories. The
// roles and users dialogs fill it, read it, and the workspace-node client patches it
// after each change the server accepted. Collections keep document order; names are
// looked up without regard to case.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <handles.h>

#include "wqarray.h"
#include "wqsecurityutils.h"

// A BSTR that copies with the record holding it. Made from text, it ends at the first
// zero; a copy of another keeps its whole length, embedded zeros included. Null stays null.
class CopyableBstr : public plat::unique_bstr {
 public:
  CopyableBstr() = default;
  explicit CopyableBstr(const wchar_t* text) : unique_bstr(copy(text)) {}
  CopyableBstr(const CopyableBstr& other) : unique_bstr(WholeCopy(other)) {}
  CopyableBstr& operator=(const CopyableBstr& other) {
    if (this != &other) unique_bstr::operator=(WholeCopy(other));
    return *this;
  }
  CopyableBstr& operator=(const wchar_t* text) {
    unique_bstr::operator=(copy(text));
    return *this;
  }

 private:
  static unique_bstr WholeCopy(const unique_bstr& other) {
    return other ? copy(other.get(), other.length()) : unique_bstr();
  }
};

// Account, role and privilege names compare without regard to case; null is empty.
bool SameAccessName(const wchar_t* a, const wchar_t* b);

struct PrivilegeRightRecord {
  enum : LONG { kNeither = 0, kDenied = 1, kGranted = 2 };
  CopyableBstr Name;
  LONG Granted = kNeither;  // a value read from the XML is kept as it came
};

struct PrivilegeRecord {
  CopyableBstr Name;
  CopyableBstr Description;
};

struct PrivilegeCategoryRecord {
  CopyableBstr Name;
  WQArray<PrivilegeRecord> Privileges;
};

struct AccessRole {
  CopyableBstr Name;
  CopyableBstr Description;
  WQArray<PrivilegeRightRecord> Rights;

  // The first right of that name, or null.
  PrivilegeRightRecord* FindPrivilegeRight(const wchar_t* name);
  // Sets the right of that name, appending it when the role has none.
  void SetPrivilegeRight(BSTR name, int granted);
};

struct AccessUser {
  WQSecurityPrincipal Account;
  CopyableBstr DisplayName;
  WQBstrArray RoleNames;

  const wchar_t* GetName() const { return Account.GetName(); }
  // Appends the name even when the user already has it.
  void AddRole(BSTR roleName);
  bool HasRole(const wchar_t* roleName) const;
};

class CAccessControl {
 public:
  CAccessControl() = default;
  CAccessControl(const CAccessControl&) = delete;
  CAccessControl& operator=(const CAccessControl&) = delete;
  virtual ~CAccessControl() = default;

  // Replaces the content with the XML's. The HRESULT comes with its "WQError" chain
  // installed; a failed parse keeps what was complete before the failing element ended.
  HRESULT Parse(const wchar_t* xml);
  void Clear() noexcept;

  // The first role or user of that name, or null / -1.
  AccessRole* FindRole(const wchar_t* name);
  int FindRoleIndex(const wchar_t* name) const;
  int FindUserIndex(const wchar_t* accountName) const;

  WQArray<AccessUser>& Users() { return users_; }
  WQArray<AccessRole>& Roles() { return roles_; }
  WQArray<PrivilegeCategoryRecord>& Categories() { return categories_; }
  const WQArray<AccessUser>& Users() const { return users_; }
  const WQArray<AccessRole>& Roles() const { return roles_; }
  const WQArray<PrivilegeCategoryRecord>& Categories() const { return categories_; }

 private:
  WQArray<AccessUser> users_;
  WQArray<AccessRole> roles_;
  WQArray<PrivilegeCategoryRecord> categories_;
};
