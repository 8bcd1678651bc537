// A minimal PNG writer for screenshots: 8-bit RGBA, no filtering, zlib "stored" blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wqtest {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

// `rgba` holds height rows of width pixels, top row first, 4 bytes a pixel.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgba);
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);

}  // namespace wqtest
