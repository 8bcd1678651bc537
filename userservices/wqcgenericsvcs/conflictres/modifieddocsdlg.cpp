#include "modifieddocsdlg.h"

#include <waitcursor.h>
#include <wqcomexception.h>

#include <algorithm>

namespace {

constexpr int kMinWidth = 335;
constexpr int kMinHeight = 140;
// The list asks for a row's text in a buffer of MAX_PATH characters: it shows no more of a
// name than this.
constexpr UINT kShownNameLength = MAX_PATH - 1;

int ImageOf(const ModificationRecord& record) {
  switch (record.kind) {
    case ModificationRecord::kDatasheet: return 0;
    case ModificationRecord::kDiagram: return 1;
    default: return 2;
  }
}

}  // namespace

LRESULT CModifiedDocsDlg::OnInitDialog() {
  open_ = GetDlgItem(IDC_OPENDOCUMENT);
  list_.SubclassWindow(GetDlgItem(IDC_MODIFIEDLIST));
  list_.SetRowText([this](int row) {
    const ModificationRecord* record = RecordAt(row);
    return record ? record->name.c_str() : nullptr;
  });
  images_.reset(ImageList_LoadImageW(resources_ ? resources_ : plat::module().GetInstance(),
                                     MAKEINTRESOURCEW(IDB_MODIFIEDDOCS), 16, 0, RGB(255, 0, 255),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION));
  list_.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));

  // A row per document, its text and picture given as the list shows it: a reply of a
  // hundred thousand documents opens at once.
  if (model_) {
    SizeColumnsToWidestName();
    list_.SendMessage(LVM_SETITEMCOUNT, model_->Modifications().GetCount(), 0);
  }

  resizer_.Attach(hwnd());
  resizer_.SetControlAnchor(IDC_MODIFIEDLIST, RESIZE_ANCHOR_LEFT | RESIZE_ANCHOR_RIGHT,
                            RESIZE_ANCHOR_TOP | RESIZE_ANCHOR_BOTTOM);
  resizer_.SetControlAnchor(IDC_MODIFIEDNOTE, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_LEFT,
                            RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_TOP);
  // The buttons follow the upper right corner, the icon the lower right.
  for (int id : {IDC_OPENDOCUMENT, IDCANCEL})
    resizer_.SetControlAnchor(id, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
                              RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_TOP);
  resizer_.SetControlAnchor(IDC_CLAIMICON, RESIZE_KEEP_WIDTH | RESIZE_ANCHOR_RIGHT,
                            RESIZE_KEEP_HEIGHT | RESIZE_ANCHOR_BOTTOM);
  return TRUE;
}

void CModifiedDocsDlg::OnSize() { InvalidateRect(hwnd(), nullptr, TRUE); }

LRESULT CModifiedDocsDlg::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
  return KeepMinimumSize(lParam, kMinWidth, kMinHeight);
}

// The list makes its columns as wide as its widest name as shown, and finds it, when it first
// paints, by asking for every name and measuring each with a device context of its own
// (seconds for a hundred thousand). It sizes its columns once: have it size them on the
// widest name alone, found here with one device context, by painting that name unseen as
// its only row before it gets the rest.
void CModifiedDocsDlg::SizeColumnsToWidestName() {
  const auto& records = model_->Modifications();
  LONG widestWidth = -1;
  {
    const plat::WindowDC dc(list_);
    const plat::SelectObjectScope font(dc, list_.GetFont());
    for (int i = 0; i < records.GetCount(); ++i) {
      const plat::unique_bstr& name = records[i]->name;
      SIZE size{};
      const UINT shown = std::min(name.length(), kShownNameLength);
      GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(shown), &size);
      if (size.cx > widestWidth) {
        widestWidth = size.cx;
        sizingRecord_ = records[i];
      }
    }
  }
  if (!sizingRecord_) return;
  list_.SendMessage(LVM_SETITEMCOUNT, 1, 0);
  const plat::unique_hdc unseen(CreateCompatibleDC(plat::WindowDC(list_)));
  list_.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(unseen.get()), PRF_CLIENT);
  sizingRecord_ = nullptr;
}

const ModificationRecord* CModifiedDocsDlg::RecordAt(int index) const {
  if (sizingRecord_) return index == 0 ? sizingRecord_ : nullptr;
  if (!model_ || index < 0 || index >= model_->Modifications().GetCount()) return nullptr;
  return model_->Modifications()[index];
}

LRESULT CModifiedDocsDlg::OnGetDispInfo(int, NMHDR* header, bool&) {
  LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
  const ModificationRecord* record = RecordAt(item.iItem);
  if (!record) return 0;
  if (item.mask & LVIF_IMAGE) item.iImage = ImageOf(*record);
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
    lstrcpynW(item.pszText, record->name.c_str(), item.cchTextMax);
  return 0;
}

LRESULT CModifiedDocsDlg::OnItemChanged(int, NMHDR* header, bool&) {
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if (change->uNewState & LVIS_SELECTED) {
    open_.EnableWindow(list_.SendMessage(LVM_GETSELECTEDCOUNT) != 0);
    return 0;
  }
  open_.EnableWindow(false);
  return 0;
}

void CModifiedDocsDlg::OnOpen() {
  const int selected =
      static_cast<int>(list_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (const ModificationRecord* record = RecordAt(selected)) OpenSelectedDocument(*record);
}

LRESULT CModifiedDocsDlg::OnDblClk(int, NMHDR* header, bool&) {
  const int index = reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem;
  if (index != -1) {
    if (const ModificationRecord* record = RecordAt(index)) OpenSelectedDocument(*record);
  }
  return 0;
}

void CModifiedDocsDlg::OpenSelectedDocument(const ModificationRecord& record) {
  CWaitCursor wait;
  WQRunShowingErrors(WQ_HERE, hwnd(), [&](WQComException& error) {
    plat::com_ptr<IWQClientGlobals> globals;
    CoCreateInstance(
        CLSID_WQClientGlobals, nullptr,
        CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
        __uuidof(IWQClientGlobals), globals.put_void());
    // A globals object that could not be made leaves nothing to call.
    error.CheckPointer(globals.get());
    plat::com_ptr<IDispatch> workspace;
    if (workspace_) workspace_->QueryInterface(IID_IDispatch, workspace.put_void());
    plat::unique_variant type;
    V_VT(&type) = VT_BSTR;
    V_BSTR(&type) = plat::unique_bstr::copy(record.typeText.c_str()).release();
    LONG opened = 0;
    WQThrowIfFailed(error, globals->OpenDocument(workspace.get(), record.id, type, &opened));
  });
}
