// The reader of the "AccessControl" XML into a CAccessControl:
//
//   <AccessControl>
//     <Users><User Name= Domain= DisplayName= IsGroup=><RoleName>..</RoleName></User></Users>
//     <Privileges><PrivilegeCategory Name=><Privilege Name= Description=/></PrivilegeCategory>
//     </Privileges>
//     <Roles><Role Name= Description=><PrivilegeRight Name= Granted=/></Role></Roles>
//   </AccessControl>
//
// One handler per element; the handlers of a level are members of the handler above, so
// the parser object holds the whole tree. A record is added to the model when its
// element ends.
#pragma once

#include "accessctrl.h"
#include "saxschemaparser.h"
#include "saxstricthandler.h"

#include <string>
#include <unordered_map>

namespace accesscontrol {

enum Id : ULONG {
  kAccessControl = 0,
  kUsers = 1,
  kUser = 2,
  kRoleName = 3,
  kPrivileges = 4,
  kPrivilegeCategory = 5,
  kPrivilege = 6,
  kRoles = 7,
  kRole = 8,
  kPrivilegeRight = 9,
  kUserName = 10,
  kUserDomain = 11,
  kUserDisplayName = 12,
  kUserIsGroup = 13,
  kCategoryName = 14,
  kPrivilegeName = 15,
  kPrivilegeDescription = 16,
  kRoleNameAttr = 17,
  kRoleDescription = 18,
  kRightName = 19,
  kRightGranted = 20,
};

// A handler that takes one child element, by id, and refuses every other.
class ParentHandler : public StrictSAXSchemaElementHandler {
 public:
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;

 protected:
  ParentHandler(ULONG childId, SAXSchemaElementHandler& child) : childId_(childId), child_(child) {}

 private:
  ULONG childId_;
  SAXSchemaElementHandler& child_;
};

}  // namespace accesscontrol

class UserHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit UserHandler(CAccessControl& model) : model_(model) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  CAccessControl& model_;
  // Name and Domain serve only to resolve the account: kept without a copy of their own.
  std::wstring name_;
  std::wstring domain_;
  CopyableBstr displayName_;
  WQBstrArray roleNames_;
  // Each account (Name and Domain) is resolved once per reply: the index of the first user
  // with it, whose principal the later ones copy.
  std::unordered_map<std::wstring, int> firstUser_;
  std::wstring key_;
};

class UsersHandler : public accesscontrol::ParentHandler {
 public:
  explicit UsersHandler(CAccessControl& model)
      : ParentHandler(accesscontrol::kUser, user_), user_(model) {}

 private:
  UserHandler user_;
};

class PrivilegeCategoryHandler;

class PrivilegeHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit PrivilegeHandler(PrivilegeCategoryHandler& category) : category_(category) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  PrivilegeCategoryHandler& category_;
  PrivilegeRecord privilege_;
};

class PrivilegeCategoryHandler : public accesscontrol::ParentHandler {
 public:
  explicit PrivilegeCategoryHandler(CAccessControl& model)
      : ParentHandler(accesscontrol::kPrivilege, privilege_), model_(model) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

  void AddPrivilege(const PrivilegeRecord& privilege) { category_.Privileges.Add(privilege); }

 private:
  CAccessControl& model_;
  PrivilegeCategoryRecord category_;
  PrivilegeHandler privilege_{*this};
};

class PrivilegesHandler : public accesscontrol::ParentHandler {
 public:
  explicit PrivilegesHandler(CAccessControl& model)
      : ParentHandler(accesscontrol::kPrivilegeCategory, category_), category_(model) {}

 private:
  PrivilegeCategoryHandler category_;
};

class RoleHandler;

class PrivilegeRightHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit PrivilegeRightHandler(RoleHandler& role) : role_(role) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

 private:
  RoleHandler& role_;
  PrivilegeRightRecord right_;
};

class RoleHandler : public accesscontrol::ParentHandler {
 public:
  explicit RoleHandler(CAccessControl& model)
      : ParentHandler(accesscontrol::kPrivilegeRight, right_), model_(model) {}
  HRESULT StartElement(ULONG id) override;
  HRESULT SetAttribute(ULONG id, const SAXSchemaValue& value) override;
  HRESULT EndElement(ULONG id) override;

  void AddRight(const PrivilegeRightRecord& right) { role_.Rights.Add(right); }

 private:
  CAccessControl& model_;
  AccessRole role_;
  PrivilegeRightHandler right_{*this};
};

class RolesHandler : public accesscontrol::ParentHandler {
 public:
  explicit RolesHandler(CAccessControl& model)
      : ParentHandler(accesscontrol::kRole, role_), role_(model) {}

 private:
  RoleHandler role_;
};

class AccessControlHandler : public StrictSAXSchemaElementHandler {
 public:
  explicit AccessControlHandler(CAccessControl& model)
      : users_(model), privileges_(model), roles_(model) {}
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;

 private:
  UsersHandler users_;
  PrivilegesHandler privileges_;
  RolesHandler roles_;
};

class AccessControlSchema : public SAXSchemaParser {
 public:
  const SAXSchemaEntry* GetSchema() override;
};

class AccessControlParser : public AccessControlSchema {
 public:
  // Appends to the collections of `model`, which must outlive the parse.
  explicit AccessControlParser(CAccessControl& model) : accessControl_(model) {}
  HRESULT GetChildHandler(ULONG id, SAXSchemaElementHandler** child) override;
  HRESULT SetChildValue(ULONG id, const SAXSchemaValue& value) override;

 private:
  AccessControlHandler accessControl_;
};
