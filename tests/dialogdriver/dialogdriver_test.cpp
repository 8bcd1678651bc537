// The driver itself, on the system's message boxes (dialogs without a template of ours),
// and the PNG writer against bytes written by an independent encoder.
#include <gtest/gtest.h>

#include <cstring>

#include "dialogdriver.h"
#include "png.h"

namespace {

using wqtest::DialogScript;
using wqtest::DialogView;

TEST(DialogDriver, PressesTheButtonOfAMessageBox) {
  wqtest::DialogDriver driver;
  std::wstring text;
  driver.Expect(DialogScript()
                    .Inspect([&](DialogView& view) { text = view.Text(0xFFFF); })
                    .Click(IDNO));
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

TEST(Png, SmallImageMatchesAnIndependentEncoder) {
  const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 128,
                                     0, 0, 255, 255, 10, 20, 30, 40};
  const std::vector<uint8_t> expected = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
      0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00,
      0x00, 0x72, 0xB6, 0x0D, 0x24, 0x00, 0x00, 0x00, 0x1D, 0x49, 0x44, 0x41, 0x54, 0x78,
      0x01, 0x01, 0x12, 0x00, 0xED, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00,
      0x80, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x0A, 0x14, 0x1E, 0x28, 0x3B, 0xA4, 0x05, 0xE0,
      0xEE, 0x2C, 0x42, 0x9D, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42,
      0x60, 0x82};
  EXPECT_EQ(wqtest::EncodePng(2, 2, rgba), expected);
}

// Image data beyond 65535 bytes needs several stored blocks; only the last is final.
TEST(Png, LargeImageSplitsIntoStoredBlocks) {
  const int width = 200, height = 100;  // 80100 bytes of scan lines
  const std::vector<uint8_t> png =
      wqtest::EncodePng(width, height, std::vector<uint8_t>(width * height * 4, 0x5A));
  const size_t idat = 33 + 8;  // signature and IHDR, then IDAT's length and type
  ASSERT_EQ(std::memcmp(&png[idat - 4], "IDAT", 4), 0);
  const uint8_t* block = &png[idat + 2];
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(block[1] | block[2] << 8, 65535);
  const uint8_t* last = block + 5 + 65535;
  EXPECT_EQ(last[0], 1);
  EXPECT_EQ(last[1] | last[2] << 8, 80100 - 65535);
  EXPECT_EQ((last[3] | last[4] << 8) ^ 0xFFFF, 80100 - 65535);
}

}  // namespace
