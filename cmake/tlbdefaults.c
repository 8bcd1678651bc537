/* Gives every optional 64-bit integer parameter of a type library that has no default
 * the default value 0, in place. widl cannot write a default of type hyper (VT_I8), so
 * the IDL declares such parameters [optional] only and this step, run on widl's output,
 * adds what defaultvalue(0) would have written: the parameter's PARAMFLAG_FHASDEFAULT
 * flag, its function's default-value slots, and one VT_I8 zero in the custom-data
 * segment. Runs on the build machine; works on the library file (MSFT format), where
 * every absolute file offset is a segment's or a type info's member block.
 *
 * Usage: tlbdefaults <library.tlb>; prints how many parameters it gave a default. */
#include "msftfile.h"

enum {
  kSegCustData = 11,
  kVtI8 = 20,
  kParamOpt = 0x10,
  kParamHasDefault = 0x20,
  kFuncHasDefaults = 0x1000,
  kParamInfoSize = 12,
  /* The size of a PARAMDESCEX as widl counts it into a function's FUNCDESC size. */
  kParamDescExSize = 24
};

static int rd16(size_t at) { return (int16_t)(rd32(at) & 0xffff); }

static void wr16(size_t at, int value) {
  data[at] = (uint8_t)value;
  data[at + 1] = (uint8_t)(value >> 8);
}

static size_t segments;  /* file offset of the segment directory */
static int typeInfoCount;

static size_t segment_offset_field(int index) { return segments + 16 * (size_t)index; }

static size_t member_offset_field(int typeInfo) {
  return (size_t)rd32(segment_offset_field(0)) + (size_t)typeInfo * kTypeInfoSize + 4;
}

/* Inserts `count` bytes of `bytes` at `at` and moves every absolute offset past it.
 * `growing` is the segment the bytes extend at its end (-1 for none): it keeps its offset,
 * which equals `at` when it was empty. */
static void insert(size_t at, const uint8_t* bytes, size_t count, int growing) {
  uint8_t* grown = realloc(data, size + count);
  if (!grown) fail("out of memory");
  data = grown;
  memmove(data + at + count, data + at, size - at);
  memcpy(data + at, bytes, count);
  size += count;
  for (int s = 0; s < kSegmentCount; ++s) {
    int32_t offset = rd32(segment_offset_field(s));
    if (s != growing && offset != -1 && (size_t)offset >= at)
      wr32(segment_offset_field(s), offset + (int32_t)count);
  }
  for (int t = 0; t < typeInfoCount; ++t) {
    int32_t offset = rd32(member_offset_field(t));
    if (offset != -1 && (size_t)offset >= at) wr32(member_offset_field(t), offset + (int32_t)count);
  }
}

static int needs_default(size_t param) {
  int32_t type = rd32(param);
  int32_t flags = rd32(param + 8);
  return type < 0 && (type & 0xfff) == kVtI8 && (flags & kParamOpt) && !(flags & kParamHasDefault);
}

/* The custom-data offset of a VT_I8 zero, added at the end of that segment. */
static int32_t add_int64_zero(void) {
  const uint8_t value[12] = {kVtI8, 0};  /* type, 8 bytes of value, padding to 4 */
  size_t field = segment_offset_field(kSegCustData);
  int32_t offset = rd32(field);
  int32_t length = rd32(field + 4);
  if (offset == -1) {
    offset = (int32_t)size;
    length = 0;
    wr32(field, offset);
  }
  insert((size_t)offset + (size_t)length, value, sizeof value, kSegCustData);
  wr32(field + 4, length + (int32_t)sizeof value);
  return length;
}

/* Gives the function record at `record` its defaults; returns how far it grew. */
static size_t fix_function(size_t record, int32_t defaultOffset, int* fixed) {
  size_t length = (size_t)(rd32(record) & 0xffff);
  int args = rd16(record + 20);
  size_t params = record + length - (size_t)args * kParamInfoSize;
  int wanted = 0;
  for (int a = 0; a < args; ++a) wanted += needs_default(params + (size_t)a * kParamInfoSize);
  if (!wanted) return 0;

  size_t grown = 0;
  int32_t funcKinds = rd32(record + 16);
  if (!(funcKinds & kFuncHasDefaults)) {
    uint8_t* slots = malloc((size_t)args * 4);
    if (!slots) fail("out of memory");
    memset(slots, 0xff, (size_t)args * 4);  /* -1: no default */
    insert(params, slots, (size_t)args * 4, -1);
    free(slots);
    grown = (size_t)args * 4;
    wr32(record + 16, funcKinds | kFuncHasDefaults);
    wr32(record, (int32_t)((rd32(record) & ~0xffff) | (int32_t)(length + grown)));
    params += grown;
  }
  size_t defaults = params - (size_t)args * 4;
  for (int a = 0; a < args; ++a) {
    size_t param = params + (size_t)a * kParamInfoSize;
    if (!needs_default(param)) continue;
    wr32(param + 8, rd32(param + 8) | kParamHasDefault);
    wr32(defaults + (size_t)a * 4, defaultOffset);
    ++*fixed;
  }
  /* The size of the FUNCDESC a reader reconstitutes, as widl counts it. */
  wr16(record + 14, rd16(record + 14) + wanted * kParamDescExSize);
  return grown;
}

/* Fixes the function records of one type info's member block. */
static void fix_type_info(int typeInfo, int32_t* defaultOffset, int* fixed) {
  size_t base = (size_t)rd32(segment_offset_field(0)) + (size_t)typeInfo * kTypeInfoSize;
  int32_t block = rd32(base + 4);
  int32_t elements = rd32(base + 0x18);
  int funcs = elements & 0xffff;
  int members = funcs + ((elements >> 16) & 0xffff);
  if (block == -1 || funcs == 0) return;

  size_t record = (size_t)block + 4;
  for (int f = 0; f < funcs; ++f) {
    size_t length = (size_t)(rd32(record) & 0xffff);
    size_t param = record + length - (size_t)rd16(record + 20) * kParamInfoSize;
    int wanted = 0;
    for (int a = 0; a < rd16(record + 20); ++a) wanted |= needs_default(param + (size_t)a * 12);
    if (wanted && *defaultOffset == -1) {
      *defaultOffset = add_int64_zero();
      /* The custom data may lie before this block: find it again. */
      fix_type_info(typeInfo, defaultOffset, fixed);
      return;
    }
    size_t grown = fix_function(record, *defaultOffset, fixed);
    if (grown) {
      /* The records' total size, and the offsets of the records after this one. */
      size_t infoLength = (size_t)rd32((size_t)block);
      wr32((size_t)block, (int32_t)(infoLength + grown));
      size_t offsets = (size_t)block + 4 + infoLength + grown + 2 * (size_t)members * 4;
      int32_t start = (int32_t)(record - ((size_t)block + 4));
      for (int m = 0; m < members; ++m) {
        int32_t at = rd32(offsets + (size_t)m * 4);
        if (at > start) wr32(offsets + (size_t)m * 4, at + (int32_t)grown);
      }
    }
    record += (size_t)(rd32(record) & 0xffff);
  }
}

int main(int argc, char** argv) {
  tool = "tlbdefaults";
  if (argc != 2) fail("usage: tlbdefaults <library.tlb>");
  load_library(argv[1]);
  typeInfoCount = rd32(0x20);
  segments = segment_directory();

  int32_t defaultOffset = -1;
  int fixed = 0;
  for (int t = 0; t < typeInfoCount; ++t) fix_type_info(t, &defaultOffset, &fixed);

  if (fixed) save_library(argv[1]);
  printf("tlbdefaults: %d optional 64-bit parameters given the default 0\n", fixed);
  free(data);
  return 0;
}
