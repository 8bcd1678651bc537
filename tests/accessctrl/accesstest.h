// Shared by the access-control tests: the model as one line of text, and the name the
// computer gives local accounts.
#pragma once

#include <string>

#include "accessctrl/accessctrl.h"

namespace accesstest {

// The computer's DNS host name, the domain of a local account.
std::wstring Host();

// User: name 'display' [roles]; role: Name 'Description' {Right=Granted,...}
std::wstring Dump(const AccessUser& user);
std::wstring Dump(const AccessRole& role);
// "users: a; b | roles: ... | privileges: Category(Name:Description,...); ..."
std::wstring Dump(const CAccessControl& model);

}  // namespace accesstest
