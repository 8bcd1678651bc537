/* Takes the custom data out of a type library (MSFT format) as widl wrote it, for the
 * library fixer's tests: widl always writes some, so a library without any is made here.
 * The library and its type infos point at no custom data; the custom-data segment and its
 * GUID table become missing (offset -1) or empty (length 0 where it was).
 *
 * Usage: tlbnocustdata missing|empty <in.tlb> <out.tlb> */
#include "msftfile.h"

enum { kCustomDataOffset = 0x40, kTypeInfoCustData = 0x48, kSegCustData = 11, kSegCDGuids = 12 };

int main(int argc, char** argv) {
  tool = "tlbnocustdata";
  if (argc != 4) fail("usage: tlbnocustdata missing|empty <in.tlb> <out.tlb>");
  const int missing = strcmp(argv[1], "missing") == 0;
  if (!missing && strcmp(argv[1], "empty") != 0) fail("missing or empty?");
  load_library(argv[2]);
  const int typeInfoCount = rd32(0x20);
  const size_t segments = segment_directory();
  wr32(kCustomDataOffset, -1);
  const size_t typeInfos = (size_t)rd32(segments);
  for (int t = 0; t < typeInfoCount; ++t)
    wr32(typeInfos + (size_t)t * kTypeInfoSize + kTypeInfoCustData, -1);
  for (int s = kSegCustData; s <= kSegCDGuids; ++s) {
    const size_t field = segments + 16 * (size_t)s;
    if (missing || s == kSegCDGuids) wr32(field, -1);
    wr32(field + 4, 0);
  }

  save_library(argv[3]);
  free(data);
  return 0;
}
