// Screenshots as PNG files, written (compressed) by the platform's image codecs (WIC).
#pragma once

#include <windows.h>

#include <string>

namespace wqtest {

// `bgr` holds `height` rows of `stride` bytes each, top row first, 3 bytes a pixel with
// blue first (a 24-bit top-down DIB).
HRESULT SavePng(const std::wstring& path, UINT width, UINT height, UINT stride, const BYTE* bgr);

}  // namespace wqtest
