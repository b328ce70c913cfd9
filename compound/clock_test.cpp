#include "vellora2/compound/clock.hpp"

#include <gtest/gtest.h>


namespace vellora2::compound {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(uint64_t now) : now_(now) {}
  uint64_t Now() const override { return now_; }

 private:
  uint64_t now_;
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

}  // namespace
}  // namespace vellora2::compound
