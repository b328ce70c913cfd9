#include "elements/pair_ends.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vellora2 {
namespace {

constexpr size_t kChunk = 64;

// Where a scan has got to: pairs counted so far, the number of the next one
// whose offset is wanted, and where that offset goes. Scanners work on a copy
// of their own, which stays in registers: as the offsets they write could
// alias it, the compiler would otherwise keep it in memory.
struct Tally {
  uint64_t seen;
  uint64_t next;
  uint32_t spacing;
  uint32_t* out;
};

// Counts the set bits of `ends`, the pairs of the chunk whose first byte is
// `base` - 1, and writes the offsets wanted among them. The branch is taken
// once every `spacing` pairs, so that it costs nothing on the others.
[[gnu::always_inline]] inline void Note(Tally& t, uint64_t ends, uint64_t base) {
  const auto count = static_cast<uint64_t>(std::popcount(ends));
  if (t.seen + count >= t.next) [[unlikely]] {
    for (uint64_t n = t.seen + 1; ends != 0; ++n, ends &= ends - 1) {
      if (n == t.next) {
        *t.out++ = static_cast<uint32_t>(base + static_cast<uint64_t>(std::countr_zero(ends)));
        t.next += t.spacing;
      }
    }
  }
  t.seen += count;
}

// Each kind finds the pairs in `chunks` chunks from `text`, the first of them
// at `offset` in the whole text. It reads the byte before `text` as well:
// comparing each byte with `second` and the byte before it with `first` (the
// same bytes loaded one place further back) makes every chunk a piece of
// work of its own.
void ScanPortable(const uint8_t* text, size_t chunks, size_t offset, uint8_t first, uint8_t second, Tally& tally) {
  Tally t = tally;
  for (size_t c = 0; c < chunks; ++c) {
    const uint8_t* const chunk = text + c * kChunk;
    uint64_t ends = 0;
    for (size_t i = 0; i < kChunk; ++i) ends |= uint64_t{chunk[i] == second && chunk[i - 1] == first} << i;
    Note(t, ends, offset + c * kChunk + 1);
  }
  tally = t;
}

#if defined(__x86_64__)

void ScanSse2(const uint8_t* text, size_t chunks, size_t offset, uint8_t first, uint8_t second, Tally& tally) {
  Tally t = tally;
  const __m128i f = _mm_set1_epi8(static_cast<char>(first));
  const __m128i s = _mm_set1_epi8(static_cast<char>(second));
  for (size_t c = 0; c < chunks; ++c) {
    uint64_t ends = 0;
    for (size_t i = 0; i < kChunk; i += 16) {
      const uint8_t* const at = text + c * kChunk + i;
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
      const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(here, s), _mm_cmpeq_epi8(before, f));
      ends |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(both))} << i;
    }
    Note(t, ends, offset + c * kChunk + 1);
  }
  tally = t;
}

[[gnu::target("avx2,bmi,popcnt")]] void ScanAvx2(const uint8_t* text, size_t chunks, size_t offset, uint8_t first,
                                                  uint8_t second, Tally& tally) {
  Tally t = tally;
  const __m256i f = _mm256_set1_epi8(static_cast<char>(first));
  const __m256i s = _mm256_set1_epi8(static_cast<char>(second));
  for (size_t c = 0; c < chunks; ++c) {
    uint64_t ends = 0;
    for (size_t i = 0; i < kChunk; i += 32) {
      const uint8_t* const at = text + c * kChunk + i;
      const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
      const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at - 1));
      const __m256i both = _mm256_and_si256(_mm256_cmpeq_epi8(here, s), _mm256_cmpeq_epi8(before, f));
      ends |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(both))} << i;
    }
    Note(t, ends, offset + c * kChunk + 1);
  }
  tally = t;
}

[[gnu::target("avx512f,avx512bw,bmi,popcnt")]] void ScanAvx512(const uint8_t* text, size_t chunks, size_t offset,
                                                                uint8_t first, uint8_t second, Tally& tally) {
  Tally t = tally;
  const __m512i f = _mm512_set1_epi8(static_cast<char>(first));
  const __m512i s = _mm512_set1_epi8(static_cast<char>(second));
  for (size_t c = 0; c < chunks; ++c) {
    const uint8_t* const at = text + c * kChunk;
    const __mmask64 before = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(at - 1), f);
    const uint64_t ends = _mm512_mask_cmpeq_epi8_mask(before, _mm512_loadu_si512(at), s);
    Note(t, ends, offset + c * kChunk + 1);
  }
  tally = t;
}

#endif

using Scanner = void (*)(const uint8_t*, size_t, size_t, uint8_t, uint8_t, Tally&);

Scanner ScannerOf(PairScan scan) {
  switch (scan) {
#if defined(__x86_64__)
    case PairScan::kSse2:
      return ScanSse2;
    case PairScan::kAvx2:
      return ScanAvx2;
    case PairScan::kAvx512:
      return ScanAvx512;
#endif
    default:
      return ScanPortable;
  }
}

}  // namespace

bool Runs(PairScan scan) {
  switch (scan) {
#if defined(__x86_64__)
    case PairScan::kPortable:
    case PairScan::kSse2:
      return true;
    case PairScan::kAvx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
    case PairScan::kAvx512:
      return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
#else
    case PairScan::kPortable:
      return true;
#endif
    default:
      return false;
  }
}

PairScan FastestPairScan() {
  static const PairScan fastest = [] {
    for (const PairScan scan : {PairScan::kAvx512, PairScan::kAvx2, PairScan::kSse2}) {
      if (Runs(scan)) return scan;
    }
    return PairScan::kPortable;
  }();
  return fastest;
}

size_t FindPairEnds(PairScan scan, const uint8_t* text, size_t from, size_t to, uint8_t first, uint8_t second,
                    uint32_t spacing, uint64_t& seen, uint32_t* out) {
  const Scanner scanner = ScannerOf(scan);
  Tally t{seen, (seen / spacing + 1) * spacing, spacing, out};
  // The first and the last bytes go through a copy with a byte before it and
  // bytes after it that cannot make a pair with them: the scanner then reads
  // nothing outside the text.
  uint8_t copy[1 + kChunk];
  const auto partial = [&](size_t at, size_t n) {
    copy[0] = at > 0 ? text[at - 1] : static_cast<uint8_t>(~first);
    std::memset(copy + 1, static_cast<uint8_t>(~second), kChunk);
    std::memcpy(copy + 1, text + at, n);
    scanner(copy + 1, 1, at, first, second, t);
  };
  if (from == 0 && from < to) {
    const size_t n = std::min(kChunk, to);
    partial(0, n);
    from = n;
  }
  const size_t chunks = (to - from) / kChunk;
  scanner(text + from, chunks, from, first, second, t);
  const size_t at = from + chunks * kChunk;
  if (at < to) partial(at, to - at);
  seen = t.seen;
  return static_cast<size_t>(t.out - out);
}

}  // namespace vellora2
