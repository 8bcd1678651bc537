// What the roles and users dialogs and their pages share: showing an operation's error,
// the split of an account name into its user and domain parts, the sorted name sets the
// grids are read into, and the messages every modeless page answers alike.
#pragma once

#include <window.h>

#include <set>
#include <string>
#include <vector>

#include "variantutil.h"
#include "wqcomexception.h"

// Shows a failed operation's error (the thread's error info) over `owner`.
void ShowIfFailed(HWND owner, HRESULT hr);

// Runs `body` as a traced operation and shows its failure over `owner`.
template <class Body>
void RunShowingErrors(const wchar_t* name, HWND owner, Body&& body) {
  ShowIfFailed(owner, WQRunComMethod(name, std::forward<Body>(body)));
}

struct AccountParts {
  std::wstring user;
  std::wstring domain;
};
// At every '\' or '/' the text so far becomes the domain part and collecting starts again;
// the text after the last separator is the user part.
AccountParts SplitAccountName(const wchar_t* name);

struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }
};
// Names sorted and free of duplicates without regard to case.
using NameSet = std::set<std::wstring, NoCaseLess>;

// Makes `array` hold the names in set order, counted from 0.
void FillNameArray(WQComException& error, WQBstrSafeArray& array, const NameSet& names);

// Whether `names` holds `name`, compared as the model compares names (SameAccessName).
bool Contains(const std::vector<std::wstring>& names, const std::wstring& name);

// Adds the names to a list that sorts itself, with the user image.
void InsertNames(const plat::ListView& list, std::vector<std::wstring> names);

// The resources of the module (the executable's own when no module is loaded).
HINSTANCE ResourceInstance();

// The small image list of the users lists: one icon, white background.
HIMAGELIST CreateUserImageList();

// The messages every modeless page answers the same way, chained first into its map: it
// registers for dialog keyboard handling when created and unregisters when destroyed, and
// the Enter and Escape keys the dialog manager turns into IDOK and IDCANCEL do nothing on a
// page (the tab dialog's buttons answer them).
class ModelessPageMessages {
 public:
  bool ProcessWindowMessage(const plat::Message& m, LRESULT& result);
};
