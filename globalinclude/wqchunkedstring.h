// The text store of the XML string writer: wide characters in fixed blocks, so that
// appending never moves text already written; only the table of block pointers grows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

class WQChunkedString {
 public:
  static constexpr size_t kBlockSize = 2056;

  WQChunkedString() = default;
  WQChunkedString(const WQChunkedString&) = delete;
  WQChunkedString& operator=(const WQChunkedString&) = delete;

  // Appends count characters; nothing for a null text or a count of 0.
  // Throws std::bad_alloc when a block cannot be allocated (nothing is appended then).
  void Append(const wchar_t* text, size_t count);
  // Empties the text and keeps the blocks.
  void Clear();

  uint64_t GetLength() const { return length_; }
  size_t GetBlockCount() const { return blocks_.size(); }
  size_t GetTableCapacity() const { return blocks_.capacity(); }
  // Copies the whole text into `out` and terminates it; `out` holds GetLength() + 1.
  void CopyTo(wchar_t* out) const;

 private:
  void Grow(size_t blocksNeeded);

  std::vector<std::unique_ptr<wchar_t[]>> blocks_;
  uint64_t length_ = 0;
};
