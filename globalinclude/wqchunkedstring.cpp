#include "wqchunkedstring.h"

#include <cwchar>
#include <memory>

WQChunkedString::~WQChunkedString() {
  for (size_t i = 0; i < blockCount_; ++i) delete[] blocks_[i];
  delete[] blocks_;
}

// The table is replaced by one of exactly the size needed; the blocks themselves stay
// where they are. Every allocation happens before anything is changed.
void WQChunkedString::Grow(size_t blocksNeeded) {
  std::unique_ptr<wchar_t*[]> table(new wchar_t*[blocksNeeded]());
  size_t made = blockCount_;
  try {
    for (; made < blocksNeeded; ++made) table[made] = new wchar_t[kBlockSize];
  } catch (...) {
    for (size_t i = blockCount_; i < made; ++i) delete[] table[i];
    throw;
  }
  for (size_t i = 0; i < blockCount_; ++i) table[i] = blocks_[i];
  delete[] blocks_;
  blocks_ = table.release();
  blockCount_ = blocksNeeded;
}

void WQChunkedString::Append(const wchar_t* text, size_t count) {
  if (!text || count == 0) return;
  const size_t blocksNeeded = static_cast<size_t>((length_ + count + 1) / kBlockSize + 1);
  if (blocksNeeded > blockCount_) Grow(blocksNeeded);
  size_t block = static_cast<size_t>(length_ / kBlockSize);
  size_t offset = static_cast<size_t>(length_ % kBlockSize);
  length_ += count;
  while (count) {
    const size_t part = count < kBlockSize - offset ? count : kBlockSize - offset;
    wmemcpy(blocks_[block] + offset, text, part);
    text += part;
    count -= part;
    ++block;
    offset = 0;
  }
}

void WQChunkedString::Clear() {
  length_ = 0;
  if (blockCount_) blocks_[0][0] = L'\0';
}

void WQChunkedString::CopyTo(wchar_t* out) const {
  const size_t whole = static_cast<size_t>(length_ / kBlockSize);
  for (size_t i = 0; i < whole; ++i, out += kBlockSize) wmemcpy(out, blocks_[i], kBlockSize);
  const size_t rest = static_cast<size_t>(length_ % kBlockSize);
  if (rest) wmemcpy(out, blocks_[whole], rest);
  out[rest] = L'\0';
}
