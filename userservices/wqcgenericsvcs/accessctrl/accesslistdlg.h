// AccessListDlg: what the roles and the users dialogs share: the workspace-node client
// that owns the access-control model, the list of the model's roles or users with its
// Add, Remove and Edit buttons, and the tab dialogs they open to add or edit an entry.
#pragma once

#include <typeahead.h>
#include <window.h>

#include "resources/resource.h"
#include "workspacenode.h"
#include "wqcomexception.h"

class AccessListDlg : public plat::DialogWindow, public AccessControlListView {
 protected:
  explicit AccessListDlg(IWQWorkspace* workspace) : client_(workspace) {}

  // The map of both dialogs, over the handlers of dialog T, with a dialog's own entries.
  template <class T, class... Entries>
  static constexpr auto ListMessageMap(Entries... entries) {
    return plat::MessageMap{plat::OnMessage(WM_INITDIALOG, &T::OnInitDialog),
                            plat::OnCommandId(IDOK, &T::OnClose),
                            plat::OnCommandId(IDCANCEL, &T::OnCancel),
                            plat::OnCommand(IDC_ACCESSADD, BN_CLICKED, &T::OnClickedAdd),
                            plat::OnCommand(IDC_ACCESSREMOVE, BN_CLICKED, &T::OnClickedRemove),
                            plat::OnCommand(IDC_ACCESSEDIT, BN_CLICKED, &T::OnClickedEdit),
                            plat::OnNotify(IDC_ACCESSLIST, LVN_ITEMCHANGED, &T::OnItemChanged),
                            entries...};
  }

  struct Column {
    const wchar_t* title;
    int width;  // 0: the rest of the list's width
  };
  // The start of both dialogs: the node object (a failure is recorded, and the list then
  // stays empty), the controls with Remove and Edit off, and the columns.
  template <size_t N>
  void InitControls(bool users, const Column (&columns)[N]) {
    InitControls(users, columns, N);
  }
  // Reads the access-control XML into the model.
  void Reload(WQComException& error);
  // The model position of the selected entry among `count`, or -1.
  int SelectedIndex(int count) const;
  // Remove and Edit serve the selected entry only.
  void OnItemChanged();
  // Runs `fill` on the list without redrawing and without answering its item changes (each
  // answer looks through every row), then sets the buttons once.
  template <class Fill>
  void FillQuietly(Fill&& fill) {
    {
      const plat::RedrawPause pause(list_);
      filling_ = true;
      fill();
      filling_ = false;
    }
    OnItemChanged();
  }
  // The Close button (and Escape) end the dialog.
  void OnClose() { EndDialog(IDOK); }
  void OnCancel() { EndDialog(IDCANCEL); }

  WorkspaceNodeClient client_;
  // What went wrong while the dialog started.
  WQComException error_;
  plat::ListTypeAhead list_;  // type-ahead by the first column
  plat::Window add_;
  plat::Window remove_;
  plat::Window edit_;
  bool filling_ = false;

 private:
  void InitControls(bool users, const Column* columns, size_t count);
};
