#include "compound/clock.hpp"

#include <chrono>
#include <cmath>
#include <ctime>

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

Date LocalFromUtc(Date utc) {
  if (utc.value == 0) return utc;
  const double seconds = UnixTimeFromDate(utc);
  if (!(std::abs(seconds) < 1e15)) return utc;
  const std::time_t whole = static_cast<std::time_t>(std::floor(seconds));
  std::tm local{};
  if (localtime_r(&whole, &local) == nullptr) return utc;
  // The offset in force at that moment, so summer and winter times both come out right.
  return DateFromUnixTime(seconds + static_cast<double>(local.tm_gmtoff));
}

}  // namespace vellora2::compound
