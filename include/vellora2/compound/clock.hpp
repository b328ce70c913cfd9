// The clock that property stamps (created, last saved) and the edit clock read.
// It is replaceable per thread so that tests, and hosts that want reproducible
// documents, never depend on the wall clock.
#pragma once

#include <cstdint>

namespace vellora2::compound {

class Clock {
 public:
  virtual ~Clock() = default;
  // Now, as a FILETIME: 100 ns ticks since 1601-01-01 UTC.
  virtual uint64_t Now() const = 0;
};

// A FILETIME from a time since 1970-01-01 UTC as the system gives one; times
// before 1601 become 0.
uint64_t FileTimeFromUnixTime(int64_t seconds, uint32_t nanoseconds);

// The system's real-time clock.
const Clock& SystemClock();

// The clock in force on this thread: the system clock unless a ScopedClock says otherwise.
const Clock& CurrentClock();

// Makes `clock` the current clock of this thread while it lives. REQUIRES: `clock`
// outlives this object; scopes end in the reverse order of their start.
class ScopedClock {
 public:
  explicit ScopedClock(const Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  const Clock* previous_;
};

}  // namespace vellora2::compound
