#include "objectpicker.h"

#include <cwchar>

using standins::PickerJournal;

namespace standins {

constexpr const wchar_t* kPickerSource = L"WQStandins.ObjectPicker";

ObjectPickerJournal::ObjectPickerJournal()
    : recorder({L"Create", L"Initialize", L"InvokeDialog", L"GetData"}, false) {}

void ObjectPickerJournal::Reset() noexcept {
  recorder.Clear();
  answer = S_FALSE;
  paths.clear();
}

ObjectPickerJournal& PickerJournal() {
  static ObjectPickerJournal journal;
  return journal;
}

STDMETHODIMP ObjectPickerControlBase::SetAnswer(LONG hr, BSTR paths) try {
  ObjectPickerJournal& journal = PickerJournal();
  journal.answer = static_cast<HRESULT>(hr);
  journal.paths.clear();
  const std::wstring text = Text(paths);
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find(L'\n', start);
    journal.paths.push_back(text.substr(start, end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return S_OK;
}
PLAT_CATCH_RETURN()

}  // namespace standins

namespace {

std::wstring Hex(ULONG value) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%lx", value);
  return text;
}

UINT SelectionFormat() {
  static const UINT format = RegisterClipboardFormatW(L"CFSTR_DSOP_DS_SELECTION_LIST");
  return format;
}

// The picker's answer: one selection list in global memory, its texts behind the records.
class SelectionData : public plat::Implements<SelectionData, IDataObject> {
 public:
  explicit SelectionData(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}

  STDMETHOD(GetData)(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    *medium = STGMEDIUM{};
    PLAT_RETURN_IF_FAILED(QueryGetData(format));
    return PickerJournal().recorder.Run(L"GetData", L"GetData", standins::kPickerSource,
                                        [&] { return Fill(medium); });
  }
  STDMETHOD(GetDataHere)(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHOD(QueryGetData)(FORMATETC* format) override {
    if (!format) return E_POINTER;
    if (format->cfFormat != SelectionFormat() || !(format->tymed & TYMED_HGLOBAL))
      return DV_E_FORMATETC;
    return S_OK;
  }
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(SetData)(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHOD(EnumFormatEtc)(DWORD, IEnumFORMATETC** formats) override {
    if (formats) *formats = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(DAdvise)(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  STDMETHOD(DUnadvise)(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA** advise) override {
    if (advise) *advise = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  HRESULT Fill(STGMEDIUM* medium) const {
    const size_t count = paths_.size();
    size_t textChars = 0;
    for (const std::wstring& path : paths_) textChars += 2 * (path.size() + 1) + 5 + 1;
    const size_t header =
        offsetof(DS_SELECTION_LIST, aDsSelection) + (count ? count : 1) * sizeof(DS_SELECTION);
    plat::unique_hglobal memory(
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, header + textChars * sizeof(wchar_t)));
    if (!memory) return E_OUTOFMEMORY;
    auto* list = static_cast<DS_SELECTION_LIST*>(GlobalLock(memory.get()));
    if (!list) return E_OUTOFMEMORY;
    list->cItems = static_cast<ULONG>(count);
    wchar_t* text = reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(list) + header);
    const auto store = [&text](const std::wstring& value) {
      wchar_t* start = text;
      wmemcpy(text, value.c_str(), value.size() + 1);
      text += value.size() + 1;
      return start;
    };
    for (size_t i = 0; i < count; ++i) {
      DS_SELECTION& item = list->aDsSelection[i];
      const std::wstring& path = paths_[i];
      item.pwzADsPath = store(path);
      item.pwzName = store(path.substr(path.find_last_of(L'/') + 1));
      item.pwzClass = store(L"user");
      item.pwzUPN = store(L"");
    }
    GlobalUnlock(memory.get());
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory.release();
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }

  std::vector<std::wstring> paths_;
};

}  // namespace

HRESULT ObjectPicker::FinalConstruct() noexcept {
  return PickerJournal().recorder.Run(L"Create", L"Create", standins::kPickerSource,
                                      [] { return S_OK; });
}

STDMETHODIMP ObjectPicker::Initialize(PDSOP_INIT_INFO info) try {
  if (!info) return E_POINTER;
  standins::Recorder& recorder = PickerJournal().recorder;
  const HRESULT hr =
      recorder.Run(L"Initialize",
                   L"Initialize(size " + std::to_wstring(info->cbSize) + L", computer " +
                       standins::Quoted(info->pwzTargetComputer) + L", scopes " +
                       std::to_wstring(info->cDsScopeInfos) + L", options " + Hex(info->flOptions) +
                       L", attributes " + std::to_wstring(info->cAttributesToFetch) + L")",
                   standins::kPickerSource, [] { return S_OK; });
  for (ULONG i = 0; i < info->cDsScopeInfos && info->aDsScopeInfos; ++i) {
    const DSOP_SCOPE_INIT_INFO& scope = info->aDsScopeInfos[i];
    recorder.Record(L"Scope(size " + std::to_wstring(scope.cbSize) + L", type " +
                    Hex(scope.flType) + L", flags " + Hex(scope.flScope) + L", uplevel " +
                    Hex(scope.FilterFlags.Uplevel.flBothModes) + L", downlevel " +
                    Hex(scope.FilterFlags.flDownlevel) + L")");
  }
  initialized_ = SUCCEEDED(hr);
  return hr;
}
PLAT_CATCH_RETURN()

STDMETHODIMP ObjectPicker::InvokeDialog(HWND parent, IDataObject** selections) try {
  if (selections) *selections = nullptr;
  standins::ObjectPickerJournal& journal = PickerJournal();
  return journal.recorder.Run(
      L"InvokeDialog", IsWindow(parent) ? L"InvokeDialog(window)" : L"InvokeDialog(null)",
      standins::kPickerSource, [&]() -> HRESULT {
        if (!selections) return E_POINTER;
        if (!initialized_) return E_UNEXPECTED;
        if (journal.answer != S_OK) return journal.answer;
        plat::com_ptr<SelectionData> data = plat::make<SelectionData>(journal.paths);
        *selections = data.detach();
        return S_OK;
      });
}
PLAT_CATCH_RETURN()
