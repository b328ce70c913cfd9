#include "util/random.hpp"

#include <bit>

namespace vellora2 {
namespace {

constexpr uint32_t kMask = 0xFFFFFF;
constexpr float kScale = 1.0f / 16777216.0f;  // 2^-24: each state is exactly one float

// Full period over the 2^24 states: the increment is odd and the multiplier is 1 mod 4.
uint32_t Step(uint32_t state) { return (state * 0x43FD43FDu + 0xC39EC3u) & kMask; }

}  // namespace

float RandomGenerator::Current() const { return static_cast<float>(state_) * kScale; }

float RandomGenerator::Next() {
  state_ = Step(state_);
  return Current();
}

float RandomGenerator::Rnd(double number) {
  if (number < 0) {
    // All bits of the Single take part, so nearby numbers start far apart.
    const uint32_t bits = std::bit_cast<uint32_t>(static_cast<float>(number));
    state_ = (bits + (bits >> 24)) & kMask;
    return Next();
  }
  if (number == 0) return Current();
  return Next();
}

void RandomGenerator::Seed(double number) {
  const uint64_t bits = std::bit_cast<uint64_t>(number);
  // Fold the 64 bits into 24 so that every bit of the number changes the state.
  state_ = static_cast<uint32_t>((bits ^ (bits >> 24) ^ (bits >> 48)) & kMask);
}

RandomGenerator& ThreadRandom() {
  thread_local RandomGenerator generator;
  return generator;
}

}  // namespace vellora2
