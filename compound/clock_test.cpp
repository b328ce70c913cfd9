#include "compound/clock.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace vellora2::compound {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(uint64_t now) : now_(now) {}
  uint64_t Now() const override { return now_; }

 private:
  uint64_t now_;
};

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(Clock, ScopesReplaceTheClockOfThisThreadAndRestoreIt) {
  const FixedClock one(1), two(2);
  EXPECT_GT(CurrentClock().Now(), 130000000000000000u);  // the system clock: after 2012
  {
    ScopedClock outer(one);
    EXPECT_EQ(CurrentClock().Now(), 1u);
    {
      ScopedClock inner(two);
      EXPECT_EQ(CurrentClock().Now(), 2u);
    }
    EXPECT_EQ(CurrentClock().Now(), 1u);
  }
  EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(Clock, LocalTimeFollowsTheZoneAndItsSummerTime) {
  const Date winter_noon = *DateFromParts({2024, 1, 15, 12, 0, 0});
  const Date summer_noon = *DateFromParts({2024, 7, 15, 12, 0, 0});
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(PartsFromDate(LocalFromUtc(winter_noon)).hour, 13);
  EXPECT_EQ(PartsFromDate(LocalFromUtc(summer_noon)).hour, 14);
  EXPECT_EQ(LocalFromUtc(Date{}), Date{});
}

}  // namespace
}  // namespace vellora2::compound
