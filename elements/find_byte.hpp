// The first of one byte value in a run of text. Text lines are short, so a
// call to memchr per line costs more than its search: this one is inline and
// compares sixteen bytes at a time, in a vector register where the target has
// one.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vellora2 {

// The offset of the first `byte` in the `n` bytes at `text`, or `n`.
inline size_t FindByte(const uint8_t* text, size_t n, uint8_t byte) {
  using Bytes16 = uint8_t __attribute__((vector_size(16)));
  static_assert(std::endian::native == std::endian::little, "the first byte is the lowest set bit");
  size_t at = 0;
  for (; n - at >= sizeof(Bytes16); at += sizeof(Bytes16)) {
    Bytes16 block;
    std::memcpy(&block, text + at, sizeof block);
    const auto equal = block == byte;  // 0xFF in every byte that matches
    uint64_t words[2];
    std::memcpy(words, &equal, sizeof words);
    if (words[0] != 0) return at + static_cast<size_t>(std::countr_zero(words[0]) / 8);
    if (words[1] != 0) return at + 8 + static_cast<size_t>(std::countr_zero(words[1]) / 8);
  }
  for (; at < n; ++at) {
    if (text[at] == byte) return at;
  }
  return n;
}

}  // namespace vellora2
