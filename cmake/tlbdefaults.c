/* Gives every optional 64-bit integer parameter of a type library that has no default
 * the default value 0, in place. widl cannot write a default of type hyper (VT_I8), so
 * the IDL declares such parameters [optional] only and this step, run on widl's output,
 * adds what defaultvalue(0) would have written: the parameter's PARAMFLAG_FHASDEFAULT
 * flag, its function's default-value slots, and one VT_I8 zero in the custom-data
 * segment. Runs on the build machine; works on the library file (MSFT format), where
 * every absolute file offset is a segment's or a type info's member block.
 *
 * Every offset and length it follows is checked against the file: a library it cannot
 * read is refused with a message and left as it was.
 *
 * Usage: tlbdefaults [-v] <library.tlb>; -v prints how many parameters it gave a default. */
#include "msftfile.h"

enum {
  kSegCustData = 11,
  kVtI8 = 20,
  kParamOpt = 0x10,
  kParamHasDefault = 0x20,
  kFuncHasDefaults = 0x1000,
  kParamInfoSize = 12,
  /* A function record up to its parameters: lengths, types, flags, offsets, counts. */
  kFuncRecordFixedSize = 24,
  /* The size of a PARAMDESCEX as widl counts it into a function's FUNCDESC size. */
  kParamDescExSize = 24
};

static int rd16(size_t at) {
  if (!inside(at, 2)) fail("an offset past the end of the library");
  return (int16_t)(data[at] | data[at + 1] << 8);
}

static void wr16(size_t at, int value) {
  if (!inside(at, 2)) fail("an offset past the end of the library");
  if (value < INT16_MIN || value > INT16_MAX) fail("a 16-bit field would overflow");
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
  if (at > size) fail("an insert past the end of the library");
  if (count > (size_t)INT32_MAX - size) fail("the library would grow too large");
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

/* Every segment missing (-1) or inside the file, the type infos inside theirs: the offsets
 * that insert() moves are then all inside the file too. */
static void check_segments(void) {
  for (int s = 0; s < kSegmentCount; ++s) {
    const int32_t offset = rd32(segment_offset_field(s));
    const int32_t length = rd32(segment_offset_field(s) + 4);
    if (offset == -1) continue;
    if (offset < 0 || length < 0 || !inside((size_t)offset, (size_t)length))
      fail("a segment outside the library");
  }
  const int32_t infos = rd32(segment_offset_field(0));
  if (infos < 0 ||
      (size_t)rd32(segment_offset_field(0) + 4) / kTypeInfoSize < (size_t)typeInfoCount)
    fail("fewer type infos than the header counts");
  for (int t = 0; t < typeInfoCount; ++t) {
    const int32_t block = rd32(member_offset_field(t));
    if (block != -1 && (block < 0 || (size_t)block > size))
      fail("a member block outside the library");
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
  if (offset < 0 || length < 0 || !inside((size_t)offset, (size_t)length))
    fail("the custom-data segment lies outside the library");
  insert((size_t)offset + (size_t)length, value, sizeof value, kSegCustData);
  wr32(field + 4, length + (int32_t)sizeof value);
  return length;
}

/* Gives the function record at `record` its defaults; returns how far it grew. */
static size_t fix_function(size_t record, int32_t defaultOffset, int* fixed) {
  size_t length = (size_t)(rd32(record) & 0xffff);
  int args = rd16(record + 20);
  size_t params = record + length - (size_t)args * kParamInfoSize;
  /* Checked by check_record: the parameters, and the default slots if any, are inside. */
  int wanted = 0;
  for (int a = 0; a < args; ++a) wanted += needs_default(params + (size_t)a * kParamInfoSize);
  if (!wanted) return 0;

  size_t grown = 0;
  int32_t funcKinds = rd32(record + 16);
  if (!(funcKinds & kFuncHasDefaults)) {
    if (length + (size_t)args * 4 > 0xffff)
      fail("a function record would outgrow its length field");
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
  const int descSize = rd16(record + 14) & 0xffff;
  if (descSize + wanted * kParamDescExSize > 0xffff)
    fail("a function description would outgrow its 16-bit size");
  wr16(record + 14, (int16_t)(descSize + wanted * kParamDescExSize));
  return grown;
}

/* Checks that the function record at `record` lies before `end` with its parameters (and
 * its default slots when it has them) inside it. */
static void check_record(size_t record, size_t end) {
  const size_t length = (size_t)(rd32(record) & 0xffff);
  const int args = rd16(record + 20);
  const size_t perArg = kParamInfoSize + ((rd32(record + 16) & kFuncHasDefaults) ? 4 : 0);
  if (length < kFuncRecordFixedSize || record > end || length > end - record)
    fail("a function record outside its member block");
  if (args < 0 || (size_t)args * perArg > length - kFuncRecordFixedSize)
    fail("a function record's parameters outside the record");
}

/* Fixes the function records of one type info's member block. */
static void fix_type_info(int typeInfo, int32_t* defaultOffset, int* fixed) {
  size_t base = (size_t)rd32(segment_offset_field(0)) + (size_t)typeInfo * kTypeInfoSize;
  int32_t block = rd32(base + 4);
  int32_t elements = rd32(base + 0x18);
  int funcs = elements & 0xffff;
  int members = funcs + ((elements >> 16) & 0xffff);
  if (block == -1 || funcs == 0) return;
  /* The records, then three words per member: ids, names, the records' offsets. */
  const int32_t recordsLength = block < 0 ? -1 : rd32((size_t)block);
  if (recordsLength < 0 || !inside((size_t)block + 4, (size_t)recordsLength) ||
      !inside((size_t)block + 4 + (size_t)recordsLength, 3 * 4 * (size_t)members))
    fail("a member block outside the library");

  size_t record = (size_t)block + 4;
  for (int f = 0; f < funcs; ++f) {
    check_record(record, (size_t)block + 4 + (size_t)rd32((size_t)block));
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
      if (infoLength + grown > INT32_MAX) fail("a member block would grow too large");
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
  const int verbose = argc == 3 && strcmp(argv[1], "-v") == 0;
  if (argc != 2 + verbose) fail("usage: tlbdefaults [-v] <library.tlb>");
  const char* path = argv[1 + verbose];
  load_library(path);
  typeInfoCount = rd32(0x20);
  segments = segment_directory();

  int32_t defaultOffset = -1;
  int fixed = 0;
  check_segments();
  for (int t = 0; t < typeInfoCount; ++t) fix_type_info(t, &defaultOffset, &fixed);

  if (fixed) save_library(path);
  if (verbose) printf("tlbdefaults: %d optional 64-bit parameters given the default 0\n", fixed);
  free(data);
  return 0;
}
