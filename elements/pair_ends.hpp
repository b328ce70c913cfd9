// Finding every place in a text where one byte follows another (CR then LF),
// as a line index does over a whole stream. Each 64 bytes become a bit mask,
// one bit a byte, whose set bits are counted; only every so many of them has
// its offset written, so the cost hardly depends on how many lines there are
// (a branch per line, or an offset written per line, cost more than the
// search itself on lines of a few dozen bytes).
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

// Counts the places in text[from, to) where a byte `second` follows a byte
// `first` (the byte before `from` is looked at too, when there is one), adding
// them to `seen`, and writes to `out`, in order, the offset of the byte after
// each one whose number (counting on from `seen`, the first being 1) is a
// multiple of `spacing`. Returns how many it wrote. `to` must be below 2^32;
// `out` needs room for (to - from + 1) / 2 / spacing + 1 offsets.
size_t FindPairEnds(PairScan scan, const uint8_t* text, size_t from, size_t to, uint8_t first, uint8_t second,
                    uint32_t spacing, uint64_t& seen, uint32_t* out);

}  // namespace vellora2
