// The four format controls as a client form meets them: hosted in a dialog by the
// platform's control-hosting library (atl.dll), given formats through IWQCFormatCtl and
// driven by a user; their OLE control protocol on its own (persistence in a stream, a
// storage and a property bag, quick activation); and in the project's own control host
// with the keyboard.
#include <axhost.h>
#include <dialogdriver.h>
#include <olectl.h>
#include <window.h>

#include <functional>
#include <map>
#include <vector>

#include "WQCGenericSvcs.h"
#include "comtest.h"
#include "formatctlhost.h"

namespace {

const wchar_t kServerDll[] = L"WQCGenericSvcs.dll";

struct ControlClass {
  const wchar_t* progId;
  int hostId;     // its place in the test's form
  UINT dialogId;  // its window's template
  UINT bitmapId;  // its toolbox picture
};
const ControlClass kControls[] = {
    {L"WQCGenericSvcs.WQCBoolFormatCtl", IDC_HOSTBOOL, 219, 220},
    {L"WQCGenericSvcs.WQCDateFormatCtl", IDC_HOSTDATE, 221, 222},
    {L"WQCGenericSvcs.WQCIntegerFormatCtl", IDC_HOSTINTEGER, 222, 223},
    {L"WQCGenericSvcs.WQCRealFormatCtl", IDC_HOSTREAL, 223, 224},
};

// Child windows of the controls.
enum : int {
  kBoolList = 213,
  kDateList = 214,
  kIntDescriptive = 215,
  kIntSign = 216,
  kNotation = 217,
  kPrecision = 218,
  kPrecisionSpin = 219,
  kExponent = 220,
  kExponentSpin = 221,
  kRealDescriptive = 224,
  kRealSign = 225
};

// The hosting functions of the platform's atl.dll; its window class is registered once.
struct AtlHosting {
  HMODULE dll = LoadLibraryW(L"atl.dll");
  HRESULT(WINAPI* getControl)
  (HWND, IUnknown**) = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
      reinterpret_cast<void*>(GetProcAddress(dll, "AtlAxGetControl")));
  bool ready = getControl && reinterpret_cast<BOOL(WINAPI*)()>(
                                 reinterpret_cast<void*>(GetProcAddress(dll, "AtlAxWinInit")))();
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
  int Selected(int listId) const {
    return static_cast<int>(Item(listId).SendMessage(CB_GETCURSEL));
  }
  std::vector<std::wstring> Entries(int listId) const {
    const plat::ComboBox list(Item(listId));
    std::vector<std::wstring> entries;
    for (int i = 0; i < list.GetCount(); ++i) entries.push_back(list.GetLBText(i));
    return entries;
  }
  bool Checked(int id) const { return Item(id).SendMessage(BM_GETCHECK) == BST_CHECKED; }
  RECT Place(int id) const {
    return plat::Window(Window()).ScreenToClient(Item(id).GetWindowRect());
  }

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

// View changes as a container's advise sink receives them.
class ViewSink : public IAdviseSinkEx {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    *ppv = riid == IID_IUnknown || riid == IID_IAdviseSink || riid == IID_IAdviseSinkEx ? this
                                                                                        : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD_(void, OnDataChange)(FORMATETC*, STGMEDIUM*) override {}
  STDMETHOD_(void, OnViewChange)(DWORD, LONG) override { ++viewChanges; }
  STDMETHOD_(void, OnRename)(IMoniker*) override {}
  STDMETHOD_(void, OnSave)() override {}
  STDMETHOD_(void, OnClose)() override {}
  STDMETHOD_(void, OnViewStatusChange)(DWORD) override {}
  int viewChanges = 0;
};

// A property bag as a container that saves its forms as text keeps one.
class PropertyBag : public IPropertyBag {
 public:
  STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
    *ppv = riid == IID_IUnknown || riid == IID_IPropertyBag ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(Read)(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
    const auto found = values.find(name);
    return found == values.end() ? E_INVALIDARG : VariantCopy(value, &found->second);
  }
  STDMETHOD(Write)(LPCOLESTR name, VARIANT* value) override {
    return VariantCopy(&values[name], value);
  }
  void Set(const wchar_t* name, const wchar_t* text) {
    plat::unique_variant& value = values[name];
    V_VT(value.put()) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(text);
  }
  // A value as text, with its type: "3:5000".
  std::wstring Text(const wchar_t* name) {
    plat::unique_variant text;
    if (values.count(name) == 0 || FAILED(VariantChangeType(&text, &values[name], 0, VT_BSTR)))
      return L"(none)";
    return std::to_wstring(V_VT(&values[name])) + L":" + V_BSTR(&text);
  }
  std::map<std::wstring, plat::unique_variant> values;
};

bool SameObject(IUnknown* first, IUnknown* second) {
  return first && second && Query<IUnknown>(first).get() == Query<IUnknown>(second).get();
}

TEST_F(FormatCtls, AnswerAsOleControls) {
  for (const ControlClass& c : kControls) {
    SCOPED_TRACE(testing::Message() << c.dialogId);
    const auto control = Create(c.progId);
    ASSERT_TRUE(control);
    for (const IID& iid :
         {IID_IOleObject, IID_IOleWindow, IID_IOleInPlaceObject, IID_IOleInPlaceActiveObject,
          IID_IViewObject, IID_IViewObject2, IID_IViewObjectEx, IID_IPersist,
          IID_IPersistStreamInit, IID_IPersistStorage, IID_IPersistPropertyBag, IID_IQuickActivate,
          IID_IOleControl, IID_IConnectionPointContainer, IID_IDataObject, IID_IProvideClassInfo2,
          IID_IDispatch})
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
    plat::unique_hwnd dialog(CreateDialogParamW(
        GetModuleHandleW(kServerDll), MAKEINTRESOURCEW(c.dialogId), parent.get(),
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

TEST_F(FormatCtls, AreInsertedIntoAStorageAndLoadedBack) {
  const auto newStorage = [] {
    plat::com_ptr<ILockBytes> bytes;
    plat::com_ptr<IStorage> storage;
    EXPECT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()), S_OK);
    EXPECT_EQ(
        StgCreateDocfileOnILockBytes(
            bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.put()),
        S_OK);
    return storage;
  };
  const plat::com_ptr<IStorage> storage = newStorage();
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(kControls[2].progId, &clsid), S_OK);
  plat::com_ptr<IOleObject> inserted;
  ASSERT_EQ(OleCreate(clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, nullptr, storage.get(),
                      inserted.put_void()),
            S_OK);
  EXPECT_EQ(Query(inserted.get())->put_Enabled(VARIANT_FALSE), S_OK);
  SIZEL wide{6000, 900};
  EXPECT_EQ(inserted->SetExtent(DVASPECT_CONTENT, &wide), S_OK);
  const auto persist = Query<IPersistStorage>(inserted.get());
  EXPECT_EQ(persist->IsDirty(), S_OK);
  EXPECT_EQ(OleSave(persist.get(), storage.get(), TRUE), S_OK);
  EXPECT_EQ(persist->SaveCompleted(nullptr), S_OK);
  EXPECT_EQ(persist->IsDirty(), S_FALSE);

  plat::com_ptr<IOleObject> loaded;
  ASSERT_EQ(OleLoad(storage.get(), IID_IOleObject, nullptr, loaded.put_void()), S_OK);
  CLSID loadedClass{};
  EXPECT_EQ(loaded->GetUserClassID(&loadedClass), S_OK);
  EXPECT_TRUE(IsEqualCLSID(loadedClass, clsid));
  EXPECT_FALSE(EnabledOf(Query(loaded.get()).get()));
  SIZEL extent{};
  EXPECT_EQ(loaded->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 6000);
  EXPECT_EQ(extent.cy, 900);
  // A storage that holds no control is refused.
  EXPECT_TRUE(
      FAILED(Query<IPersistStorage>(Create(kControls[2].progId).get())->Load(newStorage().get())));
}

TEST_F(FormatCtls, KeepExtentAndEnabledInAPropertyBag) {
  const auto control = Create(kControls[1].progId);
  EXPECT_EQ(control->put_Enabled(VARIANT_FALSE), S_OK);
  SIZEL wide{5000, 400};
  Query<IOleObject>(control.get())->SetExtent(DVASPECT_CONTENT, &wide);
  PropertyBag bag;
  ASSERT_TRUE(Query<IPersistPropertyBag>(control.get()));
  EXPECT_EQ(Query<IPersistPropertyBag>(control.get())->Save(&bag, TRUE, TRUE), S_OK);
  EXPECT_EQ(Query<IPersistStreamInit>(control.get())->IsDirty(), S_FALSE);
  EXPECT_EQ(bag.Text(L"_ExtentX"), L"3:5000");
  EXPECT_EQ(bag.Text(L"_ExtentY"), L"3:400");
  EXPECT_EQ(bag.Text(L"Enabled"), std::to_wstring(VT_BOOL) + L":0");

  const auto copy = Create(kControls[1].progId);
  const auto copyBag = Query<IPersistPropertyBag>(copy.get());
  EXPECT_EQ(copyBag->InitNew(), S_OK);
  EXPECT_EQ(copyBag->Load(&bag, nullptr), S_OK);
  EXPECT_FALSE(EnabledOf(copy.get()));
  EXPECT_EQ(ExtentInPixels(copy.get()).cx, ExtentInPixels(control.get()).cx);

  // A bag written as text gives texts; what it lacks keeps its value.
  PropertyBag typed;
  typed.Set(L"Enabled", L"0");
  const auto fromText = Create(kControls[1].progId);
  const SIZE natural = ExtentInPixels(fromText.get());
  EXPECT_EQ(Query<IPersistPropertyBag>(fromText.get())->Load(&typed, nullptr), S_OK);
  EXPECT_FALSE(EnabledOf(fromText.get()));
  EXPECT_EQ(ExtentInPixels(fromText.get()).cx, natural.cx);
  // A value that is no number is refused, and nothing changes.
  typed.Set(L"_ExtentX", L"wide");
  const auto refused = Create(kControls[1].progId);
  EXPECT_TRUE(FAILED(Query<IPersistPropertyBag>(refused.get())->Load(&typed, nullptr)));
  EXPECT_TRUE(EnabledOf(refused.get()));
}

TEST_F(FormatCtls, QuickActivationConnectsTheContainersSinks) {
  NotifySink notify;
  ViewSink view;
  const auto control = Create(kControls[0].progId);
  const auto quick = Query<IQuickActivate>(control.get());
  const auto viewEx = Query<IViewObjectEx>(control.get());
  ASSERT_TRUE(quick && viewEx);
  QACONTAINER container{};
  container.cbSize = sizeof container;
  container.pAdviseSink = &view;
  container.pPropertyNotifySink = &notify;
  QACONTROL answer{};
  answer.cbSize = sizeof answer;
  container.cbSize = 8;
  EXPECT_EQ(quick->QuickActivate(&container, &answer), E_INVALIDARG);
  container.cbSize = sizeof container;
  ASSERT_EQ(quick->QuickActivate(&container, &answer), S_OK);
  EXPECT_EQ(answer.dwMiscStatus, 0x20191u);
  EXPECT_EQ(answer.dwViewStatus, static_cast<DWORD>(VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND));
  EXPECT_NE(answer.dwPropNotifyCookie, 0u);
  EXPECT_EQ(control->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_EQ(notify.changed, std::vector<DISPID>{DISPID_ENABLED});
  EXPECT_EQ(view.viewChanges, 1);  // without a window, the container draws the change

  // The natural extent stays the template's size whatever extent the container sets.
  DVEXTENTINFO info{sizeof info, DVEXTENT_CONTENT, {}};
  SIZEL natural{}, before{}, set{3000, 500};
  EXPECT_EQ(quick->GetContentExtent(&before), S_OK);
  EXPECT_EQ(quick->SetContentExtent(&set), S_OK);
  EXPECT_EQ(viewEx->GetNaturalExtent(DVASPECT_CONTENT, -1, nullptr, nullptr, &info, &natural),
            S_OK);
  EXPECT_EQ(natural.cx, before.cx);
}

TEST_F(FormatCtls, AreQuicklyActivatedInTheProjectsHost) {
  plat::unique_hwnd parent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr,
                                           nullptr, nullptr, nullptr));
  plat::AxHost host;
  ASSERT_EQ(host.Create(parent.get(), RECT{0, 0, 200, 120}, WS_CHILD | WS_VISIBLE, 1,
                        kControls[3].progId),
            S_OK);
  plat::com_ptr<IOleObject> ole;
  ASSERT_EQ(host.QueryControl(ole), S_OK);
  plat::com_ptr<IOleClientSite> site;
  ASSERT_EQ(ole->GetClientSite(site.put()), S_OK);
  // The host's view sink came with its site in the one call.
  plat::com_ptr<IAdviseSink> sink;
  DWORD aspects = 0;
  EXPECT_EQ(Query<IViewObject>(ole.get())->GetAdvise(&aspects, nullptr, sink.put()), S_OK);
  EXPECT_EQ(aspects, static_cast<DWORD>(DVASPECT_CONTENT));
  EXPECT_TRUE(SameObject(sink.get(), site.get()));
  HWND window = nullptr;
  EXPECT_EQ(Query<IOleInPlaceObject>(ole.get())->GetWindow(&window), S_OK);
  EXPECT_EQ(GetParent(window), host.hwnd());
  EXPECT_EQ(Query(ole.get())->Initialize(Bstr(L"%+.2f").get()), S_OK);
  EXPECT_EQ(FormatOf(Query(ole.get()).get()), L"%+.2f");
  sink.reset();
  site.reset();
  ole.reset();
  host.Destroy();
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
    real.Item(kPrecisionSpin)
        .SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                     reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 16);
    real.Item(kExponentSpin)
        .SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
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

// What a user types into the precision and exponent edits, or pastes past their digits-only
// filter, comes back as a format the formatter takes; leaving the edit shows what was read.
TEST_F(FormatCtls, RealEditsGiveFormatsTheFormatterTakes) {
  plat::com_ptr<IWQCFieldFormatter> formatter;
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"WQCGenericSvcs.WQCFieldFormatter", &clsid), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWQCFieldFormatter),
                             formatter.put_void()),
            S_OK);
  RunForm([&](wqtest::DialogView& form) {
    const Hosted real(form, IDC_HOSTREAL);
    struct Case {
      int edit;
      bool pasted;
      const wchar_t* text;
      const wchar_t* format;  // read back from the other edit's 3 or 2
      const wchar_t* kept;    // the edit once left
    };
    const Case cases[] = {
        {kPrecision, false, L"7", L"%.7,2e", L"7"},
        {kPrecision, false, L"123", L"%.16,2e", L"16"},
        {kPrecision, false, L"007", L"%.7,2e", L"7"},
        {kPrecision, false, L"", L"%,2e", L""},
        {kPrecision, true, L"abc", L"%,2e", L""},
        {kPrecision, true, L"x7", L"%,2e", L""},
        {kPrecision, true, L"-3", L"%.0,2e", L"0"},
        {kPrecision, true, L"1e5", L"%,2e", L""},
        {kPrecision, true, L"99999999999999999999", L"%.16,2e", L"16"},
        {kExponent, false, L"45", L"%.3,45e", L"45"},
        {kExponent, false, L"100", L"%.3,99e", L"99"},
        {kExponent, true, L"-100", L"%.3,-99e", L"-99"},
        {kExponent, true, L"-12", L"%.3,-12e", L"-12"},
        {kExponent, true, L"+7", L"%.3,7e", L"7"},
        {kExponent, true, L"--1", L"%.3e", L""},
        {kExponent, true, L"1-", L"%.3e", L""},
        {kExponent, true, L"e", L"%.3e", L""},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << c.edit << " " << testing::PrintToString(std::wstring(c.text)));
      EXPECT_EQ(real->Initialize(Bstr(L"%.3,2e").get()), S_OK);
      const plat::Window edit = real.Item(c.edit);
      edit.SetFocus();
      edit.SetWindowText(L"");
      if (c.pasted) {
        ASSERT_TRUE(OpenClipboard(real.Window()));
        EmptyClipboard();
        const size_t bytes = (wcslen(c.text) + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(memory), c.text, bytes);
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
        edit.SendMessage(WM_PASTE);
      } else {
        for (const wchar_t* p = c.text; *p; ++p) edit.SendMessage(WM_CHAR, *p, 1);
      }
      ASSERT_EQ(edit.GetWindowText(), c.text) << "the edit takes the text";
      const std::wstring format = FormatOf(real.get());
      EXPECT_EQ(format, c.format);
      plat::unique_variant value;
      V_VT(value.put()) = VT_R8;
      V_R8(&value) = 1234.5;
      plat::unique_bstr text;
      EXPECT_EQ(
          formatter->FormatReal(value, nullptr, nullptr, nullptr, Bstr(format).get(), text.put()),
          S_OK);
      real.Item(kNotation).SetFocus();
      EXPECT_EQ(edit.GetWindowText(), c.kept);
      EXPECT_EQ(FormatOf(real.get()), c.format);
    }
  });
}

// A choice made in a control that was never initialized is kept through deactivation too.
TEST_F(FormatCtls, KeepAChoiceMadeBeforeInitialize) {
  RunForm([](wqtest::DialogView& form) {
    const auto reactivate = [](const Hosted& hosted) {
      const auto ole = Query<IOleObject>(hosted.get());
      EXPECT_EQ(Query<IOleInPlaceObject>(hosted.get())->InPlaceDeactivate(), S_OK);
      plat::com_ptr<IOleClientSite> site;
      ASSERT_EQ(ole->GetClientSite(site.put()), S_OK);
      const RECT place = plat::Window(hosted.Site()).GetClientRect();
      EXPECT_EQ(
          ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, hosted.Site(), &place),
          S_OK);
      ASSERT_NE(hosted.Window(), nullptr);
    };
    const Hosted integer(form, IDC_HOSTINTEGER);
    integer.Click(kIntDescriptive);
    EXPECT_EQ(FormatOf(integer.get()), L"%*d");
    reactivate(integer);
    EXPECT_TRUE(integer.Checked(kIntDescriptive));
    EXPECT_EQ(FormatOf(integer.get()), L"%*d");

    const Hosted real(form, IDC_HOSTREAL);
    real.Click(kRealSign);
    reactivate(real);
    EXPECT_TRUE(real.Checked(kRealSign));
    EXPECT_TRUE(real.Entries(kNotation).empty()) << "nothing was offered before either";
    EXPECT_EQ(FormatOf(real.get()), L"%+g");

    const Hosted bool_(form, IDC_HOSTBOOL);
    reactivate(bool_);
    EXPECT_TRUE(bool_.Entries(kBoolList).empty());
    EXPECT_EQ(FormatOf(bool_.get()), L"(null)");
  });
}

// A container's form: buttons before and after a control it hosts itself, a message loop
// that offers keys to the UI-active control before its own dialog handling, and the
// commands the form received.
class KeysForm {
 public:
  explicit KeysForm(const wchar_t* progId) {
    form_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_KEYSFORM), nullptr,
                               &Proc, reinterpret_cast<LPARAM>(this));
    RECT place{5, 22, 90, 97};  // dialog units, between the buttons
    MapDialogRect(form_, &place);
    EXPECT_EQ(host_.Create(form_, place, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 120, progId), S_OK);
    // Its place in the tab order: after the first button.
    SetWindowPos(host_.hwnd(), Item(IDC_BEFORE), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(form_, SW_SHOW);
    SetForegroundWindow(form_);
    Pump();
  }
  ~KeysForm() {
    host_.Destroy();
    DestroyWindow(form_);
  }

  plat::com_ptr<IWQCFormatCtl> Control() const {
    plat::com_ptr<IWQCFormatCtl> control;
    EXPECT_EQ(host_.QueryControl(control), S_OK);
    return control;
  }
  HWND Item(int id) const { return GetDlgItem(form_, id); }
  plat::Window ControlItem(int id) const {
    HWND window = nullptr;
    Query<IOleInPlaceObject>(Control().get())->GetWindow(&window);
    return GetDlgItem(window, id);
  }
  // Makes the control the active object, as a click into it does.
  void UIActivate() const {
    const auto ole = Query<IOleObject>(Control().get());
    plat::com_ptr<IOleClientSite> site;
    ASSERT_EQ(ole->GetClientSite(site.put()), S_OK);
    const RECT place = plat::Window(host_.hwnd()).GetClientRect();
    EXPECT_EQ(ole->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site.get(), 0, host_.hwnd(), &place), S_OK);
  }

  // Presses `key` with `modifiers` held, through the keyboard's input queue, and runs the
  // loop until it is idle.
  void Press(WORD key, std::initializer_list<WORD> modifiers = {}) {
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD vk, DWORD flags) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = vk;
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    };
    for (WORD modifier : modifiers) add(modifier, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
      add(*it, KEYEVENTF_KEYUP);
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
    Pump();
  }

  std::vector<int> commands;

 private:
  void Pump() {
    do {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (host_.TranslateAccelerator(&msg) == S_OK) continue;
        if (IsDialogMessageW(form_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    } while (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0);
  }

  static INT_PTR CALLBACK Proc(HWND form, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrW(form, DWLP_USER, lParam);
      return TRUE;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      reinterpret_cast<KeysForm*>(GetWindowLongPtrW(form, DWLP_USER))
          ->commands.push_back(LOWORD(wParam));
      return TRUE;
    }
    return FALSE;
  }

  HWND form_ = nullptr;
  plat::AxHost host_;
};

TEST_F(FormatCtls, KeysLeaveTheControlWhereTheContainerExpects) {
  KeysForm form(kControls[3].progId);
  EXPECT_EQ(form.Control()->Initialize(Bstr(L"%*.3,2e").get()), S_OK);
  form.UIActivate();
  const plat::Window notation = form.ControlItem(kNotation);
  const plat::Window precision = form.ControlItem(kPrecision);
  const plat::Window descriptive = form.ControlItem(kRealDescriptive);
  const plat::Window sign = form.ControlItem(kRealSign);

  // Tab past the last part and Shift+Tab before the first go on in the form.
  sign.SetFocus();
  form.Press(VK_TAB);
  EXPECT_EQ(GetFocus(), form.Item(IDC_AFTER));
  notation.SetFocus();
  form.Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), form.Item(IDC_BEFORE));
  // Between its own parts the control moves the focus itself.
  notation.SetFocus();
  form.Press(VK_TAB);
  EXPECT_EQ(GetFocus(), precision.hwnd());
  sign.SetFocus();
  form.Press(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(GetFocus(), descriptive.hwnd());

  // Enter and Escape are the form's.
  form.Press(VK_RETURN);
  form.Press(VK_ESCAPE);
  EXPECT_EQ(form.commands, (std::vector<int>{IDOK, IDCANCEL}));

  // A mnemonic of the control's parts is the control's (its texts have none: one is given
  // here); any other is the form's.
  descriptive.SetWindowText(L"Show &descriptive text");
  notation.SetFocus();
  form.Press('D', {VK_MENU});
  EXPECT_EQ(descriptive.SendMessage(BM_GETCHECK), BST_UNCHECKED);
  form.Press('A', {VK_MENU});
  EXPECT_EQ(form.commands, (std::vector<int>{IDOK, IDCANCEL, IDC_AFTER}));
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
