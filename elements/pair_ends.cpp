#include "elements/pair_ends.hpp"

#include <bit>
#include <cstring>
#include <initializer_list>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vellora2 {
namespace {

constexpr size_t kChunk = 64;

// Writes `base` plus the place of every set bit of `ends`. Four offsets are
// written whatever the count, so that a chunk of 64 bytes with up to four line
// ends (nearly all of them) takes no branch that depends on the text.
[[gnu::always_inline]] inline uint32_t* Emit(uint32_t* out, uint64_t ends, uint32_t base) {
  const auto count = static_cast<size_t>(std::popcount(ends));
  // The top bit keeps the count of trailing zeros defined once the bits run
  // out, without a test the compiler would make a branch of; it changes no
  // count while a lower bit is set.
  constexpr uint64_t kTop = uint64_t{1} << 63;
  for (size_t i = 0; i < kPairEndsSpare; ++i) {
    out[i] = base + static_cast<uint32_t>(std::countr_zero(ends | kTop));
    ends &= ends - 1;
  }
  for (size_t i = kPairEndsSpare; ends != 0; ++i) {
    out[i] = base + static_cast<uint32_t>(std::countr_zero(ends));
    ends &= ends - 1;
  }
  return out + count;
}

// One chunk of 64 bytes, given as the bits of its bytes that are `first` and
// `second`. `before`: the last byte of the chunk before was `first`.
[[gnu::always_inline]] inline uint32_t* Step(uint64_t firsts, uint64_t seconds, uint64_t& before, size_t offset,
                                             uint32_t* out) {
  const uint64_t ends = seconds & (firsts << 1 | before);
  before = firsts >> 63;
  return Emit(out, ends, static_cast<uint32_t>(offset + 1));
}

// Each kind reads `chunks` chunks from `text`, the first of them at `offset`
// in the whole text; `carry`: the byte before them is `first`.
uint32_t* ScanPortable(const uint8_t* text, size_t chunks, bool carry, size_t offset, uint8_t first, uint8_t second,
                       uint32_t* out) {
  uint64_t before = carry ? 1 : 0;
  for (size_t c = 0; c < chunks; ++c) {
    const uint8_t* const chunk = text + c * kChunk;
    uint64_t firsts = 0;
    uint64_t seconds = 0;
    for (size_t i = 0; i < kChunk; ++i) {
      firsts |= uint64_t{chunk[i] == first} << i;
      seconds |= uint64_t{chunk[i] == second} << i;
    }
    out = Step(firsts, seconds, before, offset + c * kChunk, out);
  }
  return out;
}

#if defined(__x86_64__)

uint32_t* ScanSse2(const uint8_t* text, size_t chunks, bool carry, size_t offset, uint8_t first, uint8_t second,
                   uint32_t* out) {
  const __m128i f = _mm_set1_epi8(static_cast<char>(first));
  const __m128i s = _mm_set1_epi8(static_cast<char>(second));
  uint64_t before = carry ? 1 : 0;
  for (size_t c = 0; c < chunks; ++c) {
    uint64_t firsts = 0;
    uint64_t seconds = 0;
    for (size_t i = 0; i < kChunk / 16; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + c * kChunk + i * 16));
      firsts |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, f)))} << (i * 16);
      seconds |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, s)))} << (i * 16);
    }
    out = Step(firsts, seconds, before, offset + c * kChunk, out);
  }
  return out;
}

[[gnu::target("avx2,bmi,popcnt")]] uint32_t* ScanAvx2(const uint8_t* text, size_t chunks, bool carry, size_t offset,
                                                      uint8_t first, uint8_t second, uint32_t* out) {
  const __m256i f = _mm256_set1_epi8(static_cast<char>(first));
  const __m256i s = _mm256_set1_epi8(static_cast<char>(second));
  uint64_t before = carry ? 1 : 0;
  for (size_t c = 0; c < chunks; ++c) {
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + c * kChunk));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + c * kChunk + 32));
    const uint64_t firsts = uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, f)))} |
                            uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, f)))} << 32;
    const uint64_t seconds = uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, s)))} |
                             uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, s)))} << 32;
    out = Step(firsts, seconds, before, offset + c * kChunk, out);
  }
  return out;
}

[[gnu::target("avx512f,avx512bw,bmi,popcnt")]] uint32_t* ScanAvx512(const uint8_t* text, size_t chunks, bool carry,
                                                                    size_t offset, uint8_t first, uint8_t second,
                                                                    uint32_t* out) {
  const __m512i f = _mm512_set1_epi8(static_cast<char>(first));
  const __m512i s = _mm512_set1_epi8(static_cast<char>(second));
  uint64_t before = carry ? 1 : 0;
  for (size_t c = 0; c < chunks; ++c) {
    const __m512i v = _mm512_loadu_si512(text + c * kChunk);
    out = Step(_mm512_cmpeq_epi8_mask(v, f), _mm512_cmpeq_epi8_mask(v, s), before, offset + c * kChunk, out);
  }
  return out;
}

#endif

using Scanner = uint32_t* (*)(const uint8_t*, size_t, bool, size_t, uint8_t, uint8_t, uint32_t*);

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
                    uint32_t* out) {
  const Scanner scanner = ScannerOf(scan);
  const size_t chunks = (to - from) / kChunk;
  uint32_t* end = scanner(text + from, chunks, from > 0 && text[from - 1] == first, from, first, second, out);
  const size_t at = from + chunks * kChunk;
  if (at < to) {
    // The last bytes, padded with bytes that cannot end a pair: nothing is
    // read past `to`.
    uint8_t chunk[kChunk];
    std::memset(chunk, static_cast<uint8_t>(~second), sizeof chunk);
    std::memcpy(chunk, text + at, to - at);
    end = scanner(chunk, 1, at > 0 && text[at - 1] == first, at, first, second, end);
  }
  return static_cast<size_t>(end - out);
}

}  // namespace vellora2
