/* A type library file (MSFT format) held in memory, for the build's tools that patch what
 * widl wrote: little-endian reads and writes that never pass its end, loading and saving.
 * `tool` names the program in its messages. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kHeaderSize = 0x54, kSegmentCount = 15, kTypeInfoSize = 0x64 };

static const char* tool;
static uint8_t* data;
static size_t size;

static void fail(const char* what) {
  fprintf(stderr, "%s: %s\n", tool, what);
  exit(1);
}

/* Whether `count` bytes at `at` lie inside the file (no sum that could wrap). */
static int inside(size_t at, size_t count) { return at <= size && count <= size - at; }

static int32_t rd32(size_t at) {
  if (!inside(at, 4)) fail("an offset past the end of the library");
  uint32_t v = (uint32_t)data[at] | (uint32_t)data[at + 1] << 8 | (uint32_t)data[at + 2] << 16 |
               (uint32_t)data[at + 3] << 24;
  return (int32_t)v;
}

static void wr32(size_t at, int32_t value) {
  if (!inside(at, 4)) fail("an offset past the end of the library");
  uint32_t v = (uint32_t)value;
  for (int i = 0; i < 4; ++i) data[at + i] = (uint8_t)(v >> (8 * i));
}

static void load_library(const char* path) {
  FILE* in = fopen(path, "rb");
  if (!in) fail("cannot open the library");
  fseek(in, 0, SEEK_END);
  size = (size_t)ftell(in);
  fseek(in, 0, SEEK_SET);
  data = malloc(size);
  if (!data || fread(data, 1, size, in) != size) fail("cannot read the library");
  fclose(in);
  if (size < kHeaderSize || memcmp(data, "MSFT", 4) != 0) fail("not an MSFT type library");
}

static void save_library(const char* path) {
  FILE* out = fopen(path, "wb");
  if (!out || fwrite(data, 1, size, out) != size || fclose(out) != 0)
    fail("cannot write the library");
}

/* The file offset of the segment directory, behind the header and the type info offsets. */
static size_t segment_directory(void) {
  const int32_t typeInfos = rd32(0x20);
  if (typeInfos < 0 || (size_t)typeInfos > size / 4) fail("a type info count out of range");
  const size_t at = kHeaderSize + ((rd32(0x14) & 0x100) ? 4 : 0) + 4 * (size_t)typeInfos;
  if (!inside(at, 16 * (size_t)kSegmentCount))
    fail("the segment directory past the end of the library");
  return at;
}
