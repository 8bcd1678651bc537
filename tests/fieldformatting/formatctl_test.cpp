// The four format controls as a client form meets them: hosted in a dialog by the
// platform's control-hosting library (atl.dll), given formats through IWQCFormatCtl and
// driven by a user; and their OLE control protocol on its own.
#include <dialogdriver.h>
#include <olectl.h>
#include <window.h>

#include <functional>
#include <vector>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "formatctlhost.h"

namespace {

const wchar_t kServerDll[] = L"WQCGenericSvcs.dll";

struct ControlClass {
  const wchar_t* progId;
  int hostId;       // its place in the test's form
  UINT dialogId;    // its window's template
  UINT bitmapId;    // its toolbox picture
};
const ControlClass kControls[] = {
    {L"WQCGenericSvcs.WQCBoolFormatCtl", IDC_HOSTBOOL, 219, 220},
    {L"WQCGenericSvcs.WQCDateFormatCtl", IDC_HOSTDATE, 221, 222},
    {L"WQCGenericSvcs.WQCIntegerFormatCtl", IDC_HOSTINTEGER, 222, 223},
    {L"WQCGenericSvcs.WQCRealFormatCtl", IDC_HOSTREAL, 223, 224},
};

// Child windows of the controls.
enum : int {
  kBoolList = 213, kDateList = 214, kIntDescriptive = 215, kIntSign = 216, kNotation = 217,
  kPrecision = 218, kPrecisionSpin = 219, kExponent = 220, kExponentSpin = 221,
  kRealDescriptive = 224, kRealSign = 225
};

// The hosting functions of the platform's atl.dll; its window class is registered once.
struct AtlHosting {
  HMODULE dll = LoadLibraryW(L"atl.dll");
  HRESULT(WINAPI* getControl)(HWND, IUnknown**) =
      reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
          reinterpret_cast<void*>(GetProcAddress(dll, "AtlAxGetControl")));
  bool ready = getControl && reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(
                                 GetProcAddress(dll, "AtlAxWinInit")))();
};
const AtlHosting& Atl() {
  static const AtlHosting hosting;
  return hosting;
}

template <class I = IWQCFormatCtl>
plat::com_ptr<I> Query(IUnknown* object) {
  plat::com_ptr<I> out;
  if (object) object->QueryInterface(__uuidof(I), out.put_void());
  return out;
}

plat::com_ptr<IWQCFormatCtl> Create(const wchar_t* progId) {
  CLSID clsid{};
  plat::com_ptr<IWQCFormatCtl> control;
  EXPECT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCFormatCtl),
                             control.put_void()),
            S_OK);
  return control;
}

std::wstring FormatOf(IWQCFormatCtl* control) {
  plat::unique_bstr format;
  if (control->get_Format(format.put()) != S_OK) return L"(failed)";
  return format ? format.c_str() : L"(null)";
}

bool EnabledOf(IWQCFormatCtl* control) {
  VARIANT_BOOL enabled = VARIANT_TRUE;
  EXPECT_EQ(control->get_Enabled(&enabled), S_OK);
  return enabled == VARIANT_TRUE;
}

// Extents are in HIMETRIC units, 2540 to the inch.
SIZE ScreenPixelsPerInch() {
  plat::WindowDC screen(nullptr);
  return {GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
}
SIZEL HiMetric(SIZE pixels) {
  const SIZE ppi = ScreenPixelsPerInch();
  return {MulDiv(pixels.cx, 2540, ppi.cx), MulDiv(pixels.cy, 2540, ppi.cy)};
}
SIZE ExtentInPixels(IUnknown* control) {
  SIZEL extent{};
  EXPECT_EQ(Query<IOleObject>(control)->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  const SIZE ppi = ScreenPixelsPerInch();
  return {MulDiv(extent.cx, ppi.cx, 2540), MulDiv(extent.cy, ppi.cy, 2540)};
}

// One control in the form: its hosting window, the control and the control's own window.
class Hosted {
 public:
  Hosted(const wqtest::DialogView& form, int hostId) : site_(form.Item(hostId)) {
    plat::com_ptr<IUnknown> unknown;
    EXPECT_EQ(Atl().getControl(site_, unknown.put()), S_OK);
    control_ = Query(unknown.get());
  }
  IWQCFormatCtl* operator->() const { return control_.get(); }
  IWQCFormatCtl* get() const { return control_.get(); }
  HWND Site() const { return site_; }
  HWND Window() const {
    HWND window = nullptr;
    Query<IOleInPlaceObject>(control_.get())->GetWindow(&window);
    return window;
  }
  plat::Window Item(int id) const { return GetDlgItem(Window(), id); }
  void Resize(int width, int height) const { MoveWindow(site_, 0, 0, width, height, TRUE); }

  // What a user does inside the control; each sends what the child control would.
  void Pick(int listId, int index) const {
    const plat::Window list = Item(listId);
    list.SendMessage(CB_SETCURSEL, index);
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list.hwnd()));
  }
  void Click(int id) const { Item(id).SendMessage(BM_CLICK); }
  int Selected(int listId) const { return static_cast<int>(Item(listId).SendMessage(CB_GETCURSEL)); }
  std::vector<std::wstring> Entries(int listId) const {
    const plat::ComboBox list(Item(listId));
    std::vector<std::wstring> entries;
    for (int i = 0; i < list.GetCount(); ++i) entries.push_back(list.GetLBText(i));
    return entries;
  }
  bool Checked(int id) const { return Item(id).SendMessage(BM_GETCHECK) == BST_CHECKED; }
  RECT Place(int id) const { return plat::Window(Window()).ScreenToClient(Item(id).GetWindowRect()); }

 private:
  HWND site_;
  plat::com_ptr<IWQCFormatCtl> control_;
};

using wqtest::Bstr;

INT_PTR CALLBACK FormProc(HWND form, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) return EndDialog(form, IDCANCEL);
  return FALSE;
}

// Every test ends with no control of the server alive: a cycle with the container or a
// lost reference would keep one.
class FormatCtls : public wqtest::NoLeaks {
 protected:
  FormatCtls() : NoLeaks(kServerDll) {}
  void SetUp() override { ASSERT_TRUE(Atl().ready); }

  // Shows the form, runs `script` in it and closes it.
  void RunForm(wqtest::DialogScript script) {
    wqtest::DialogDriver driver;
    driver.Expect(std::move(script.Click(IDCANCEL)));
    EXPECT_EQ(DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FORMATCTLHOST),
                              nullptr, &FormProc, 0),
              IDCANCEL);
  }
  void RunForm(std::function<void(wqtest::DialogView&)> steps) {
    RunForm(wqtest::DialogScript().Inspect(std::move(steps)));
  }
};
using DateFormatCtl = FormatCtls;

// Property-change notifications as a container receives them.
class NotifySink : public IPropertyNotifySink {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    *ppv = riid == IID_IUnknown || riid == IID_IPropertyNotifySink ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(OnChanged)(DISPID id) override {
    changed.push_back(id);
    return S_OK;
  }
  STDMETHOD(OnRequestEdit)(DISPID id) override {
    requested.push_back(id);
    return refuse ? S_FALSE : S_OK;
  }
  bool refuse = false;
  std::vector<DISPID> changed, requested;
};

TEST_F(FormatCtls, AnswerAsOleControls) {
  for (const ControlClass& c : kControls) {
    SCOPED_TRACE(testing::Message() << c.dialogId);
    const auto control = Create(c.progId);
    ASSERT_TRUE(control);
    for (const IID& iid : {IID_IOleObject, IID_IOleWindow, IID_IOleInPlaceObject,
                           IID_IOleInPlaceActiveObject, IID_IViewObject, IID_IViewObject2,
                           IID_IPersist, IID_IPersistStreamInit, IID_IOleControl,
                           IID_IConnectionPointContainer, IID_IDataObject,
                           IID_IProvideClassInfo2, IID_IDispatch})
      EXPECT_EQ(wqtest::QueryResult(control.get(), iid), S_OK) << wqtest::GuidText(iid);
    const auto errorInfo = Query<ISupportErrorInfo>(control.get());
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(__uuidof(IWQCFormatCtl)), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);

    const auto ole = Query<IOleObject>(control.get());
    DWORD status = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    EXPECT_EQ(status, 0x20191u);
    CLSID clsid{}, expected{};
    CLSIDFromProgID(c.progId, &expected);
    EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, expected));

    // The toolbox picture the registration names is a 16-colour bitmap of the server.
    std::wstring toolbox;
    ASSERT_TRUE(wqtest::ReadRegistryString(
        HKEY_CLASSES_ROOT, L"CLSID\\" + wqtest::GuidText(clsid) + L"\\ToolboxBitmap32", nullptr,
        &toolbox));
    EXPECT_EQ(_wtoi(toolbox.substr(toolbox.rfind(L',') + 1).c_str()), static_cast<int>(c.bitmapId));
    plat::unique_hgdiobj bitmap(LoadImageW(GetModuleHandleW(kServerDll),
                                           MAKEINTRESOURCEW(c.bitmapId), IMAGE_BITMAP, 0, 0,
                                           LR_CREATEDIBSECTION));
    BITMAP info{};
    ASSERT_TRUE(bitmap && GetObjectW(bitmap.get(), sizeof info, &info));
    EXPECT_EQ(info.bmBitsPixel, 4);
  }
}

TEST_F(FormatCtls, StartAtTheSizeOfTheirDialog) {
  plat::unique_hwnd parent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                           nullptr, nullptr, nullptr));
  for (const ControlClass& c : kControls) {
    const auto control = Create(c.progId);
    plat::unique_hwnd dialog(CreateDialogParamW(GetModuleHandleW(kServerDll),
                                                MAKEINTRESOURCEW(c.dialogId), parent.get(),
                                                [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0));
    ASSERT_TRUE(dialog);
    const RECT client = plat::Window(dialog.get()).GetClientRect();
    const SIZE extent = ExtentInPixels(control.get());
    EXPECT_EQ(extent.cx, client.right) << c.dialogId;
    EXPECT_EQ(extent.cy, client.bottom) << c.dialogId;
  }
}

TEST_F(FormatCtls, KeepExtentAndEnabledInAStream) {
  const auto control = Create(kControls[0].progId);
  const auto persist = Query<IPersistStreamInit>(control.get());
  EXPECT_EQ(persist->IsDirty(), S_FALSE);
  EXPECT_EQ(control->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_OK);
  plat::com_ptr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
  EXPECT_EQ(persist->Save(stream.get(), TRUE), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  const auto copy = Create(kControls[0].progId);
  const auto copyPersist = Query<IPersistStreamInit>(copy.get());
  SIZEL wide{5000, 400};
  Query<IOleObject>(copy.get())->SetExtent(DVASPECT_CONTENT, &wide);
  stream->Seek({}, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(copyPersist->Load(stream.get()), S_OK);
  EXPECT_FALSE(EnabledOf(copy.get()));
  EXPECT_EQ(ExtentInPixels(copy.get()).cx, ExtentInPixels(control.get()).cx);
  // A stream that ends early is refused.
  EXPECT_TRUE(FAILED(copyPersist->Load(stream.get())));
}

TEST_F(FormatCtls, AskTheContainerBeforeEnabledChanges) {
  const auto control = Create(kControls[3].progId);
  plat::com_ptr<IConnectionPoint> point;
  ASSERT_EQ(Query<IConnectionPointContainer>(control.get())
                ->FindConnectionPoint(IID_IPropertyNotifySink, point.put()),
            S_OK);
  NotifySink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

  sink.refuse = true;
  EXPECT_EQ(control->put_Enabled(VARIANT_FALSE), S_FALSE);
  EXPECT_TRUE(EnabledOf(control.get()));
  EXPECT_EQ(Query<IPersistStreamInit>(control.get())->IsDirty(), S_FALSE);
  sink.refuse = false;
  EXPECT_EQ(control->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_FALSE(EnabledOf(control.get()));
  EXPECT_EQ(sink.requested, (std::vector<DISPID>{DISPID_ENABLED, DISPID_ENABLED}));
  EXPECT_EQ(sink.changed, std::vector<DISPID>{DISPID_ENABLED});

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(control->put_Enabled(VARIANT_TRUE), S_OK);
  EXPECT_EQ(sink.changed.size(), 1u);
}

TEST_F(FormatCtls, BoolListsWordPairs) {
  RunForm([](wqtest::DialogView& form) {
    const Hosted bool_(form, IDC_HOSTBOOL);
    EXPECT_EQ(bool_->Initialize(Bstr(L"%t").get()), S_OK);
    EXPECT_EQ(bool_.Entries(kBoolList),
              (std::vector<std::wstring>{L"Yes/No", L"Y/N", L"True/False", L"On/Off"}));
    EXPECT_EQ(bool_.Selected(kBoolList), 2);
    EXPECT_EQ(FormatOf(bool_.get()), L"%t");
    bool_.Pick(kBoolList, 3);
    EXPECT_EQ(FormatOf(bool_.get()), L"%o");
    EXPECT_EQ(bool_->Initialize(Bstr(L"%x").get()), S_OK);
    EXPECT_EQ(FormatOf(bool_.get()), L"%y");

    EXPECT_EQ(bool_->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(bool_.Item(kBoolList).IsWindowEnabled());
    EXPECT_FALSE(EnabledOf(bool_.get()));

    // The container sets the width only: the height stays the list's. Wine's host gives
    // its extent in the wrong unit, so the test sets it as a host on Windows does.
    SIZEL asked = HiMetric({150, 100});
    EXPECT_EQ(Query<IOleObject>(bool_.get())->SetExtent(DVASPECT_CONTENT, &asked), S_OK);
    EXPECT_EQ(ExtentInPixels(bool_.get()).cx, 150);
    EXPECT_EQ(ExtentInPixels(bool_.get()).cy, bool_.Item(kBoolList).GetWindowSize().cy);
  });
}

TEST_F(DateFormatCtl, ListsSamplesWithTheUserSeparator) {
  RunForm([](wqtest::DialogView& form) {
    wchar_t text[8] = {};
    GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_SDATE, text, 8);
    const wchar_t separator = text[0];
    const Hosted date(form, IDC_HOSTDATE);
    // Without a format, the C runtime's "%x" of the sample date, 09/26/02, is looked for.
    EXPECT_EQ(date->Initialize(nullptr), S_OK);
    EXPECT_EQ(date.Selected(kDateList), separator == L'/' ? 5 : 0);
    EXPECT_EQ(date.Entries(kDateList).size(), 19u);
    EXPECT_EQ(date.Entries(kDateList)[1], std::wstring(L"9") + separator + L"26");

    const std::wstring monthDay = std::wstring(L"%#m") + separator + L"%#d";
    EXPECT_EQ(date->Initialize(Bstr(monthDay).get()), S_OK);
    EXPECT_EQ(date.Selected(kDateList), 1);
    EXPECT_EQ(FormatOf(date.get()), monthDay);
    if (separator != L'/') {
      EXPECT_EQ(date->Initialize(Bstr(L"%#m/%#d").get()), S_OK);
      EXPECT_EQ(date.Selected(kDateList), 0);
    }
  });
}

TEST_F(FormatCtls, IntegerBoxesFollowTheFormat) {
  RunForm([](wqtest::DialogView& form) {
    const Hosted integer(form, IDC_HOSTINTEGER);
    EXPECT_EQ(integer->Initialize(nullptr), S_OK);
    EXPECT_TRUE(integer.Checked(kIntDescriptive));
    EXPECT_FALSE(integer.Checked(kIntSign));
    // A second format replaces the first.
    EXPECT_EQ(integer->Initialize(Bstr(L"%+d").get()), S_OK);
    EXPECT_FALSE(integer.Checked(kIntDescriptive));
    EXPECT_EQ(FormatOf(integer.get()), L"%+d");
    integer.Click(kIntDescriptive);
    EXPECT_EQ(FormatOf(integer.get()), L"%*+d");

    integer.Resize(400, 20);
    EXPECT_EQ(integer.Place(kIntSign).top, 0);
    integer.Resize(140, 60);
    EXPECT_EQ(integer.Place(kIntSign).left, 0);
    EXPECT_GT(integer.Place(kIntSign).top, integer.Place(kIntDescriptive).bottom);

    EXPECT_EQ(integer->put_Enabled(VARIANT_FALSE), S_OK);
    EXPECT_FALSE(integer.Item(kIntDescriptive).IsWindowEnabled());
    EXPECT_FALSE(integer.Item(kIntSign).IsWindowEnabled());
  });
}

TEST_F(FormatCtls, RealPartsFollowTheNotation) {
  RunForm([](wqtest::DialogView& form) {
    const Hosted real(form, IDC_HOSTREAL);
    const auto enabled = [&](int id) { return real.Item(id).IsWindowEnabled(); };
    EXPECT_EQ(real->Initialize(Bstr(L"%*.3,2e").get()), S_OK);
    EXPECT_EQ(real.Selected(kNotation), 2);
    EXPECT_TRUE(real.Checked(kRealDescriptive));
    EXPECT_EQ(real.Item(kPrecision).GetWindowText(), L"3");
    EXPECT_EQ(real.Item(kExponent).GetWindowText(), L"2");
    EXPECT_TRUE(enabled(kPrecision) && enabled(kExponent));
    EXPECT_EQ(FormatOf(real.get()), L"%*.3,2e");

    // An upper-case letter is no type: the precision shows but is not part of the format.
    EXPECT_EQ(real->Initialize(Bstr(L"%.2E").get()), S_OK);
    EXPECT_EQ(real.Selected(kNotation), 0);
    EXPECT_EQ(real.Item(kPrecision).GetWindowText(), L"2");
    EXPECT_EQ(real.Item(kExponent).GetWindowText(), L"");
    EXPECT_FALSE(enabled(kPrecision));
    EXPECT_FALSE(real.Checked(kRealDescriptive));
    EXPECT_EQ(FormatOf(real.get()), L"%g");

    real.Pick(kNotation, 1);
    EXPECT_TRUE(enabled(kPrecision) && enabled(kPrecisionSpin));
    EXPECT_FALSE(enabled(kExponent) || enabled(kExponentSpin));
    EXPECT_EQ(FormatOf(real.get()), L"%.2f");
    real.Item(kPrecision).SetWindowText(L"");
    EXPECT_EQ(FormatOf(real.get()), L"%f");
    real.Pick(kNotation, 3);
    real.Item(kExponent).SetWindowText(L"5");
    EXPECT_EQ(FormatOf(real.get()), L"%h");

    int low = 1, high = 1;
    real.Item(kPrecisionSpin).SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                                          reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 16);
    real.Item(kExponentSpin).SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                                         reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, -99);
    EXPECT_EQ(high, 99);

    // Wide and low: one row; narrow: one column.
    real.Resize(700, 24);
    EXPECT_EQ(real.Place(kRealSign).top, 0);
    EXPECT_GT(real.Place(kRealSign).left, real.Place(kExponent).right);
    real.Resize(150, 200);
    EXPECT_EQ(real.Place(kRealSign).left, 0);
    EXPECT_GT(real.Place(kRealSign).top, real.Place(kRealDescriptive).bottom);

    EXPECT_EQ(real->put_Enabled(VARIANT_FALSE), S_OK);
    for (int id : {kNotation, kPrecision, kPrecisionSpin, kRealDescriptive, kRealSign})
      EXPECT_FALSE(enabled(id)) << id;
  });
}

TEST_F(FormatCtls, KeepTheirChoiceWhileInactive) {
  RunForm([](wqtest::DialogView& form) {
    const Hosted bool_(form, IDC_HOSTBOOL);
    EXPECT_EQ(bool_->Initialize(Bstr(L"%t").get()), S_OK);
    bool_.Pick(kBoolList, 3);
    const auto ole = Query<IOleObject>(bool_.get());
    EXPECT_EQ(Query<IOleInPlaceObject>(bool_.get())->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(bool_.Window(), nullptr);
    EXPECT_EQ(FormatOf(bool_.get()), L"%o");
    EXPECT_EQ(bool_->Initialize(Bstr(L"%Y").get()), S_OK);
    EXPECT_EQ(FormatOf(bool_.get()), L"%Y");

    plat::com_ptr<IOleClientSite> site;
    ASSERT_EQ(ole->GetClientSite(site.put()), S_OK);
    const RECT place = plat::Window(bool_.Site()).GetClientRect();
    EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, bool_.Site(), &place),
              S_OK);
    ASSERT_NE(bool_.Window(), nullptr);
    EXPECT_EQ(bool_.Selected(kBoolList), 1);
  });
}

TEST_F(FormatCtls, ShowInAForm) {
  RunForm(wqtest::DialogScript()
              .Inspect([](wqtest::DialogView& form) {
                Hosted(form, IDC_HOSTBOOL)->Initialize(Bstr(L"%t").get());
                Hosted(form, IDC_HOSTDATE)->Initialize(Bstr(L"%#d-%b-%Y").get());
                Hosted(form, IDC_HOSTINTEGER)->Initialize(Bstr(L"%*d").get());
                Hosted(form, IDC_HOSTREAL)->Initialize(Bstr(L"%*.3,2e").get());
              })
              .Screenshot(L"formatctls.png"));
}

}  // namespace
