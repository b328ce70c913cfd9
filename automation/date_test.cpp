#include "vellora2/automation/date.hpp"

#include <gtest/gtest.h>

namespace vellora2 {
namespace {

TEST(Date, FileTimeAtTheEdges) {
  // 1899-12-30, the Automation epoch, is 109205 days after 1601-01-01.
  const uint64_t epoch = 109205ULL * 864000000000ULL;
  EXPECT_EQ(FileTimeFromDate(Date{0.0}), epoch);
  EXPECT_EQ(DateFromFileTime(epoch), Date{0.0});
  EXPECT_EQ(FileTimeFromDate(Date{-109205.0}), 0u);
  EXPECT_EQ(DateFromFileTime(0), Date{-109205.0});
  EXPECT_EQ(FileTimeFromDate(Date{-200000.0}), 0u);  // before 1601 clamps

  // 9999-12-31 23:59:59 and back, to the second.
  const Date far = *DateFromParts({9999, 12, 31, 23, 59, 59});
  const Date back = DateFromFileTime(FileTimeFromDate(far));
  EXPECT_NEAR(back.value, far.value, 1e-9);
  const DateParts p = PartsFromDate(back);
  EXPECT_EQ(p.year, 9999);
  EXPECT_EQ(p.second, 59);
}

TEST(Date, NegativeDatesKeepTheTimeOfDayPositive) {
  // -1.25 is 1899-12-29 06:00, which is 0.75 days before the epoch.
  const uint64_t epoch = 109205ULL * 864000000000ULL;
  EXPECT_EQ(FileTimeFromDate(Date{-1.25}), epoch - 864000000000ULL * 3 / 4);
  EXPECT_EQ(DateFromFileTime(epoch - 864000000000ULL * 3 / 4), Date{-1.25});
  const DateParts p = PartsFromDate(Date{-1.25});
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
}

TEST(Date, UnixTimeAndParts) {
  EXPECT_DOUBLE_EQ(UnixTimeFromDate(Date{25569.0}), 0.0);
  EXPECT_EQ(DateFromUnixTime(86400.0 * 1.5), Date{25570.5});
  EXPECT_EQ(DateFromParts({2000, 2, 29}).value(), Date{36585.0});
  EXPECT_FALSE(DateFromParts({2001, 2, 29}).has_value());
  EXPECT_FALSE(DateFromParts({99, 1, 1}).has_value());
  const DateParts p = PartsFromDate(Date{36585.75});
  EXPECT_EQ(p.year, 2000);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 18);
}

}  // namespace
}  // namespace vellora2
