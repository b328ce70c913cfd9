#include "vellora2/compound/clock.hpp"

#include <chrono>

namespace vellora2::compound {
namespace {

// Seconds from 1601-01-01 (the FILETIME epoch) to 1970-01-01 (the system clock's).
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600;

class RealClock final : public Clock {
 public:
  uint64_t Now() const override {
    auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(since_1970);
    return static_cast<uint64_t>(ticks.count()) + kSecondsFrom1601To1970 * 10000000;
  }
};

thread_local const Clock* current = nullptr;

}  // namespace

const Clock& SystemClock() {
  static const RealClock clock;
  return clock;
}

const Clock& CurrentClock() { return current != nullptr ? *current : SystemClock(); }

ScopedClock::ScopedClock(const Clock& clock) : previous_(current) { current = &clock; }

ScopedClock::~ScopedClock() { current = previous_; }

}  // namespace vellora2::compound
