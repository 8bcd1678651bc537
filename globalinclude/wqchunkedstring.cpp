#include "wqchunkedstring.h"

#include <cwchar>
#include <memory>

// The table is replaced by one of exactly the size needed; the blocks themselves stay
// where they are. Every allocation happens before anything is changed.
void WQChunkedString::Grow(size_t blocksNeeded) {
  auto table = std::make_unique<std::unique_ptr<wchar_t[]>[]>(blocksNeeded);
  for (size_t i = blockCount_; i < blocksNeeded; ++i)
    table[i] = std::make_unique_for_overwrite<wchar_t[]>(kBlockSize);
  for (size_t i = 0; i < blockCount_; ++i) table[i] = std::move(blocks_[i]);
  blocks_ = std::move(table);
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
    wmemcpy(blocks_[block].get() + offset, text, part);
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
  for (size_t i = 0; i < whole; ++i, out += kBlockSize) wmemcpy(out, blocks_[i].get(), kBlockSize);
  const size_t rest = static_cast<size_t>(length_ % kBlockSize);
  if (rest) wmemcpy(out, blocks_[whole].get(), rest);
  out[rest] = L'\0';
}
