#include "scripteddialogdriver.h"

#include <window.h>

#include <commctrl.h>

#include <vector>

namespace {

std::wstring Text(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : L""; }

HRESULT CopyText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = plat::unique_bstr::copy(text.c_str(), static_cast<UINT>(text.size())).release();
  return S_OK;
}

// The items of a list box, or the first column of a list view.
std::vector<std::wstring> ItemTexts(const wqtest::DialogView& view, int listId) {
  wchar_t className[32] = {};
  GetClassNameW(view.Item(listId), className, 32);
  if (_wcsicmp(className, WC_LISTVIEWW) != 0) return view.ListItems(listId);
  const plat::ListView list(view.Item(listId));
  std::vector<std::wstring> items;
  for (int i = 0; i < list.GetItemCount(); ++i) items.push_back(list.GetItemText(i, 0));
  return items;
}

}  // namespace

DialogDriver::DialogDriver()
    : reporter_(std::make_unique<testing::ScopedFakeTestPartResultReporter>(
          testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures_)),
      driver_(std::make_unique<wqtest::DialogDriver>()) {}

DialogDriver::~DialogDriver() {
  driver_.reset();
  reporter_.reset();
}

template <class Add>
HRESULT DialogDriver::AddStep(Add add) try {
  add(script_);
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP DialogDriver::SetText(long editId, BSTR text) {
  return AddStep([&](wqtest::DialogScript& s) { s.SetText(editId, Text(text)); });
}

STDMETHODIMP DialogDriver::Type(long editId, BSTR text) {
  return AddStep([&](wqtest::DialogScript& s) { s.Type(editId, Text(text)); });
}

STDMETHODIMP DialogDriver::Select(long listId, long index) {
  return AddStep([&](wqtest::DialogScript& s) { s.Select(listId, index); });
}

STDMETHODIMP DialogDriver::SelectAlso(long listId, long index) {
  return AddStep([&](wqtest::DialogScript& s) { s.SelectAlso(listId, index); });
}

STDMETHODIMP DialogDriver::DoubleClick(long listId, long index) {
  return AddStep([&](wqtest::DialogScript& s) { s.DoubleClick(listId, index); });
}

STDMETHODIMP DialogDriver::Click(long id) {
  return AddStep([&](wqtest::DialogScript& s) { s.Click(id); });
}

STDMETHODIMP DialogDriver::Screenshot(BSTR path) {
  return AddStep([&](wqtest::DialogScript& s) { s.Screenshot(Text(path)); });
}

STDMETHODIMP DialogDriver::NoteText(long id) {
  return AddStep([&](wqtest::DialogScript& s) {
    s.Inspect([this, id](wqtest::DialogView& view) { notes_ += view.Text(id) + L"\n"; });
  });
}

STDMETHODIMP DialogDriver::NoteListItems(long listId) {
  return AddStep([&](wqtest::DialogScript& s) {
    s.Inspect([this, listId](wqtest::DialogView& view) {
      std::wstring line;
      for (const std::wstring& item : ItemTexts(view, listId))
        line += (line.empty() ? L"" : L"|") + item;
      notes_ += line + L"\n";
    });
  });
}

STDMETHODIMP DialogDriver::SelectTab(long tabId, long index) {
  return AddStep([&](wqtest::DialogScript& s) { s.SelectTab(tabId, index); });
}

STDMETHODIMP DialogDriver::Expect() try {
  driver_->Expect(std::move(script_));
  script_ = wqtest::DialogScript();
  return S_OK;
}
PLAT_CATCH_RETURN()

STDMETHODIMP DialogDriver::get_Notes(BSTR* notes) try { return CopyText(notes_, notes); }
PLAT_CATCH_RETURN()

STDMETHODIMP DialogDriver::get_Failures(BSTR* failures) try {
  std::wstring text;
  for (int i = 0; i < failures_.size(); ++i) {
    for (const char* c = failures_.GetTestPartResult(i).message(); *c; ++c)
      text.push_back(static_cast<unsigned char>(*c));
    text.push_back(L'\n');
  }
  return CopyText(text, failures);
}
PLAT_CATCH_RETURN()

STDMETHODIMP DialogDriver::get_DialogsSeen(long* count) {
  if (!count) return E_POINTER;
  *count = driver_->DialogsSeen();
  return S_OK;
}
