// Bytes to UTF-16 code units one for one, the way text lines are made from a
// stream. Lines are short and of every length, so the work goes in fixed blocks
// that the compiler turns into vector instructions; the last block overlaps the
// one before it rather than ending in a byte-by-byte loop whose length changes
// from line to line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vellora2 {
namespace widen_detail {

// GCC and Clang vector types: a block is one or two vector registers on any
// target, without the code naming the target's instructions. (The attribute
// would be lost on an alias template, hence one pair per width.)
using Bytes8 = uint8_t __attribute__((vector_size(8)));
using Units8 = uint16_t __attribute__((vector_size(16)));
using Bytes16 = uint8_t __attribute__((vector_size(16)));
using Units16 = uint16_t __attribute__((vector_size(32)));

template <size_t N>
struct Vectors;
template <>
struct Vectors<8> {
  using Bytes = Bytes8;
  using Units = Units8;
};
template <>
struct Vectors<16> {
  using Bytes = Bytes16;
  using Units = Units16;
};
template <size_t N>
using Bytes = typename Vectors<N>::Bytes;
template <size_t N>
using Units = typename Vectors<N>::Units;

// Widens N bytes and ORs them into `seen`.
template <size_t N>
inline void Block(char16_t* to, const uint8_t* from, Bytes<N>& seen) {
  Bytes<N> in;
  std::memcpy(&in, from, sizeof in);
  const Units<N> out = __builtin_convertvector(in, Units<N>);
  std::memcpy(to, &out, sizeof out);
  seen |= in;
}

template <size_t N>
inline bool AnyHigh(const Bytes<N>& seen) {
  uint64_t words[N / 8];
  std::memcpy(words, &seen, sizeof words);
  uint64_t all = 0;
  for (const uint64_t w : words) all |= w;
  return (all & 0x8080808080808080u) != 0;
}

}  // namespace widen_detail

// Writes to[i] = from[i] for the `n` bytes; true when any byte is 0x80 or
// above, whose code unit then depends on the code page.
inline bool WidenBytes(char16_t* to, const uint8_t* from, size_t n) {
  using widen_detail::Block;
  if (n >= 16) {
    widen_detail::Bytes<16> seen{};
    size_t i = 0;
    for (; i + 16 <= n; i += 16) Block<16>(to + i, from + i, seen);
    if (i < n) Block<16>(to + n - 16, from + n - 16, seen);
    return widen_detail::AnyHigh<16>(seen);
  }
  if (n >= 8) {
    widen_detail::Bytes<8> seen{};
    Block<8>(to, from, seen);
    Block<8>(to + n - 8, from + n - 8, seen);
    return widen_detail::AnyHigh<8>(seen);
  }
  uint8_t seen = 0;
  for (size_t i = 0; i < n; ++i) {
    to[i] = from[i];
    seen |= from[i];
  }
  return seen >= 0x80;
}

}  // namespace vellora2
