#include "vellora2/compound/clock.hpp"

#include <chrono>

namespace vellora2::compound {
namespace {

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01 (the system clock's).
constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr uint64_t kTicksPerSecond = 10000000;

class RealClock final : public Clock {
 public:
  uint64_t Now() const override {
    auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, kTicksPerSecond>>>(since_1970);
    return static_cast<uint64_t>(ticks.count()) + uint64_t{kSecondsFrom1601To1970} * kTicksPerSecond;
  }
};

thread_local const Clock* current = nullptr;

}  // namespace

uint64_t FileTimeFromUnixTime(int64_t seconds, uint32_t nanoseconds) {
  if (seconds < -kSecondsFrom1601To1970) return 0;
  return static_cast<uint64_t>(seconds + kSecondsFrom1601To1970) * kTicksPerSecond + nanoseconds / 100;
}

const Clock& SystemClock() {
  static const RealClock clock;
  return clock;
}

const Clock& CurrentClock() { return current != nullptr ? *current : SystemClock(); }

ScopedClock::ScopedClock(const Clock& clock) : previous_(current) { current = &clock; }

ScopedClock::~ScopedClock() { current = previous_; }

}  // namespace vellora2::compound
