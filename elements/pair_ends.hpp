// Finding every place in a text where one byte follows another (CR then LF),
// as a line index does over a whole stream. A search per line costs a
// mispredicted branch for every line, as long as the search itself on lines of
// a few dozen bytes; this one turns each 64 bytes into two bit masks, one bit a
// byte, and writes the offsets of the set bits without a branch for the first
// few, so that its cost hardly depends on where the lines end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellora2 {

// The instructions the masks are made with; each one the processor has gives
// the same offsets.
enum class PairScan {
  kPortable,  // plain C++, for any processor
  kSse2,      // every x86-64 processor
  kAvx2,
  kAvx512,  // AVX-512BW
};

// The fastest this processor runs, found once.
PairScan FastestPairScan();
// Whether this processor runs `scan`.
bool Runs(PairScan scan);

// Entries past the last one found that FindPairEnds may write to and leave
// undefined, as it writes a few offsets of every 64 bytes whether or not they
// are there.
inline constexpr size_t kPairEndsSpare = 2;

// For each byte `second` in text[from, to) that follows a byte `first` (the
// byte before `from` is looked at too, when there is one), writes the offset of
// the byte after it to `out`, in order, and returns how many there are. `to`
// must be below 2^32. `out` needs room for every offset found and
// kPairEndsSpare more: with `first` and `second` different, (to - from + 1) / 2
// + kPairEndsSpare in all.
size_t FindPairEnds(PairScan scan, const uint8_t* text, size_t from, size_t to, uint8_t first, uint8_t second,
                    uint32_t* out);

}  // namespace vellora2
