// The driver itself, on the system's message boxes (dialogs without a template of ours),
// and the PNG writing of screenshots, read back through the platform's decoder.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <handles.h>
#include <window.h>

#include <string>
#include <vector>

#include "dialogdriver.h"
#include "png.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

TEST(DialogDriver, PressesTheButtonOfAMessageBox) {
  wqtest::DialogDriver driver;
  std::wstring text;
  driver.Expect(
      DialogScript().Inspect([&](DialogView& view) { text = view.Text(0xFFFF); }).Click(IDNO));
  EXPECT_EQ(MessageBoxW(nullptr, L"Proceed?", L"Driver", MB_YESNO), IDNO);
  EXPECT_EQ(text, L"Proceed?");
  EXPECT_EQ(driver.DialogsSeen(), 1);
}

// A step that opens a second dialog waits in its modal loop while the next script drives
// the inner dialog; then the outer script goes on.
TEST(DialogDriver, DrivesANestedDialogWithTheNextScript) {
  wqtest::DialogDriver driver;
  int inner = 0;
  driver.Expect(DialogScript()
                    .Do([&](DialogView& view) {
                      inner = MessageBoxW(view.hwnd(), L"Inner", L"Inner", MB_OKCANCEL);
                      return std::string();
                    })
                    .Click(IDOK));
  driver.Expect(DialogScript().Click(IDCANCEL));
  EXPECT_EQ(MessageBoxW(nullptr, L"Outer", L"Outer", MB_OKCANCEL), IDOK);
  EXPECT_EQ(inner, IDCANCEL);
  EXPECT_EQ(driver.DialogsSeen(), 2);
}

// Keys reach the dialog through its own loop, as a user's do: Tab moves the focus on, Enter
// presses the button that has it. A modifier held for a key is let go before the next step.
TEST(DialogDriver, PressesKeysThroughTheDialogsLoop) {
  wqtest::DialogDriver driver;
  driver.Expect(DialogScript()
                    .Press(VK_TAB, MOD_SHIFT)
                    .Inspect([](DialogView&) {
                      EXPECT_GE(GetKeyState(VK_SHIFT), 0);
                      EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDCANCEL);
                    })
                    .Press(VK_RETURN));
  EXPECT_EQ(MessageBoxW(nullptr, L"Proceed?", L"Driver", MB_OKCANCEL), IDCANCEL);
}

// Screenshots look as on Windows only when the prefix has Wine's own fonts: Marlett draws
// the caption buttons, Tahoma stands for "MS Shell Dlg".
TEST(DialogDriver, ThePrefixHasTheSystemFonts) {
  for (const wchar_t* name : {L"Marlett", L"Tahoma"}) {
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, name, LF_FACESIZE);
    plat::unique_hfont handle(CreateFontIndirectW(&font));
    plat::WindowDC screen(nullptr);
    plat::SelectObjectScope select(screen, handle.get());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, face);
    EXPECT_STREQ(face, name);
  }
}

// The pixels of a PNG file as WIC's decoder reads them, 24-bit BGR rows without padding.
std::vector<BYTE> DecodePng(const std::wstring& path, UINT* width, UINT* height) {
  plat::com_ptr<IWICImagingFactory> factory;
  plat::com_ptr<IWICBitmapDecoder> decoder;
  plat::com_ptr<IWICBitmapFrameDecode> frame;
  plat::com_ptr<IWICFormatConverter> converter;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.put_void())) ||
      FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(width, height)) ||
      FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)))
    return {};
  std::vector<BYTE> pixels(static_cast<size_t>(*width) * *height * 3);
  if (FAILED(converter->CopyPixels(nullptr, *width * 3, static_cast<UINT>(pixels.size()),
                                   pixels.data())))
    return {};
  return pixels;
}

// Rows padded to whole DWORDs, as a DIB holds them, come back unpadded and unchanged, and
// a plain picture is stored compressed.
TEST(Png, WritesThePixelsCompressed) {
  const UINT width = 201, height = 100, stride = (width * 3 + 3) & ~3u;
  std::vector<BYTE> rows(static_cast<size_t>(stride) * height, 0xEE);  // padding
  std::vector<BYTE> expected;
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width * 3; ++x) {
      const BYTE value = static_cast<BYTE>(x % 3 == 0 ? y : x % 3 == 1 ? 0x80 : (x / 3) & 0xF0);
      rows[y * stride + x] = value;
      expected.push_back(value);
    }
  const std::wstring path = wqtest::ScreenshotFolder() + L"\\png-roundtrip.png";
  ASSERT_EQ(wqtest::SavePng(path, width, height, stride, rows.data()), S_OK);

  UINT readWidth = 0, readHeight = 0;
  const std::vector<BYTE> pixels = DecodePng(path, &readWidth, &readHeight);
  EXPECT_EQ(readWidth, width);
  EXPECT_EQ(readHeight, height);
  EXPECT_TRUE(pixels == expected) << "the pixels read back differ";
  WIN32_FILE_ATTRIBUTE_DATA file{};
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file));
  EXPECT_LT(file.nFileSizeLow, expected.size() / 10);
  DeleteFileW(path.c_str());
}

TEST(Png, ReportsAFileItCannotWrite) {
  const BYTE pixel[4] = {};
  EXPECT_FALSE(SUCCEEDED(
      wqtest::SavePng(wqtest::ScreenshotFolder() + L"\\no such folder\\x.png", 1, 1, 4, pixel)));
  EXPECT_EQ(wqtest::SavePng(L"x.png", 1, 1, 4, nullptr), E_INVALIDARG);
}

}  // namespace
