#include "wqchunkedstring.h"

#include <algorithm>
#include <cwchar>

// The blocks stay where they are; only the table of their pointers moves, and it doubles,
// so that a long text written in small pieces moves each pointer a few times at most. A
// block that cannot be allocated leaves the ones before it as spare room.
void WQChunkedString::Grow(size_t blocksNeeded) {
  if (blocksNeeded > blocks_.capacity())
    blocks_.reserve(std::max(blocksNeeded, 2 * blocks_.capacity()));
  while (blocks_.size() < blocksNeeded)
    blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(kBlockSize));
}

void WQChunkedString::Append(const wchar_t* text, size_t count) {
  if (!text || count == 0) return;
  const size_t blocksNeeded = static_cast<size_t>((length_ + count + 1) / kBlockSize + 1);
  if (blocksNeeded > blocks_.size()) Grow(blocksNeeded);
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
  if (!blocks_.empty()) blocks_[0][0] = L'\0';
}

void WQChunkedString::CopyTo(wchar_t* out) const {
  const size_t whole = static_cast<size_t>(length_ / kBlockSize);
  for (size_t i = 0; i < whole; ++i, out += kBlockSize) wmemcpy(out, blocks_[i].get(), kBlockSize);
  const size_t rest = static_cast<size_t>(length_ % kBlockSize);
  if (rest) wmemcpy(out, blocks_[whole].get(), rest);
  out[rest] = L'\0';
}
