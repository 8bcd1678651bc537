/* The library fixer (cmake/tlbdefaults.c) on corrupted copies of a type library as widl
 * writes it: each copy must be fixed, or refused with one line naming the fault, never
 * read or written past its end. The fixer is given built with the address and
 * undefined-behaviour checkers, so a stray access ends it with their report.
 *
 * Usage: tlbcorrupt <tlbdefaults> <library.tlb> <work folder> <copies> */
#include <sys/wait.h>
#include <unistd.h>

#include "msftfile.h"

static uint64_t state;

static uint64_t next(void) { /* splitmix64 */
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

static size_t below(size_t n) { return (size_t)(next() % n); }

/* Where the function records are: each type info's member block, [begin, end). */
static size_t blocks[512][2];
static size_t blockCount;

static void find_blocks(void) {
  const int typeInfos = rd32(0x20);
  const size_t infos = (size_t)rd32(segment_directory());
  for (int t = 0; t < typeInfos && blockCount < 512; ++t) {
    const int32_t block = rd32(infos + (size_t)t * kTypeInfoSize + 4);
    if (block == -1) continue;
    blocks[blockCount][0] = (size_t)block;
    blocks[blockCount++][1] = (size_t)block + 4 + (size_t)rd32((size_t)block);
  }
}

/* One to four edits: a byte, or a 16- or 32-bit word set to a value at an edge. Most land
 * where the offsets and lengths are: the header and directories, and the function records. */
static void corrupt(uint8_t* bytes, size_t size) {
  const uint32_t end = (uint32_t)size;
  const uint32_t edges[] = {0,          1,          0xffff, 0x7fff,  0x8000, 0xffffffff,
                            0x7fffffff, 0x80000000, end,    end - 4, end + 4};
  for (size_t n = 1 + below(4); n; --n) {
    size_t at = below(size);
    const size_t where = below(3);
    if (where == 0) at = below(size < 0x800 ? size : 0x800);
    if (where == 1 && blockCount) {
      const size_t* block = blocks[below(blockCount)];
      at = block[0] + below(block[1] - block[0]);
    }
    const size_t width = (size_t)1 << below(3);
    const uint32_t value = below(2) ? edges[below(sizeof edges / sizeof *edges)] : (uint32_t)next();
    for (size_t i = 0; i < width && at + i < size; ++i) bytes[at + i] = (uint8_t)(value >> (8 * i));
  }
}

/* Runs the fixer on `path`; its messages go to `messages`. The exit status, or -1 when it
 * did not exit (a signal). */
static int run(const char* tool, const char* path, const char* messages) {
  fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    if (!freopen(messages, "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(127);
    execl(tool, tool, path, (char*)NULL);
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int main(int argc, char** argv) {
  if (argc != 5 || atoi(argv[4]) <= 0) {
    fprintf(stderr, "usage: tlbcorrupt <tlbdefaults> <library.tlb> <work folder> <copies>\n");
    return 2;
  }
  tool = "tlbcorrupt";
  load_library(argv[2]);
  find_blocks();
  const uint8_t* original = data;
  uint8_t* copy = malloc(size);
  if (!copy) fail("out of memory");
  /* A sanitizer's report ends the fixer with a status of its own, not the refusal's 1. */
  setenv("ASAN_OPTIONS", "exitcode=86:detect_leaks=0", 1);
  setenv("UBSAN_OPTIONS", "halt_on_error=1:exitcode=86", 1);

  char path[4096], messages[4096], line[512];
  snprintf(path, sizeof path, "%s/corrupt.tlb", argv[3]);
  snprintf(messages, sizeof messages, "%s/corrupt.txt", argv[3]);
  const int copies = atoi(argv[4]);
  int fixed = 0, refused = 0, wrong = 0;
  for (int c = 0; c < copies; ++c) {
    state = (uint64_t)c * 0x100000001B3ULL;
    memcpy(copy, original, size);
    corrupt(copy, size);
    FILE* out = fopen(path, "wb");
    if (!out || fwrite(copy, 1, size, out) != size || fclose(out) != 0) fail("cannot write a copy");
    const int status = run(argv[1], path, messages);
    /* Refused: exactly one line, the fixer's own. Fixed: nothing said on stderr. */
    FILE* said = fopen(messages, "r");
    int lines = 0, own = 0;
    while (said && fgets(line, sizeof line, said)) {
      ++lines;
      own += strncmp(line, "tlbdefaults: ", 13) == 0;
    }
    if (said) fclose(said);
    if (status == 0 && lines == 0) {
      ++fixed;
    } else if (status == 1 && lines == 1 && own == 1) {
      ++refused;
    } else {
      char kept[4200];
      snprintf(kept, sizeof kept, "%s/failed-%d.tlb", argv[3], c);
      rename(path, kept);
      printf("copy %d: status %d, %d lines on stderr (kept as %s)\n", c, status, lines, kept);
      ++wrong;
    }
  }
  printf("%d corrupted copies: %d fixed, %d refused with a message, %d failed\n", copies, fixed,
         refused, wrong);
  free(data);
  free(copy);
  return wrong ? 1 : 0;
}
