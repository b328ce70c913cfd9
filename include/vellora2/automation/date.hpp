// The Automation date: days since 1899-12-30 00:00 as a double. The integer part
// counts days (negative before the epoch) and the fraction is the time of day,
// which stays positive for negative dates: -1.25 is 1899-12-29 06:00.
#pragma once

#include <cstdint>
#include <optional>

namespace vellora2 {

struct Date {
  double value = 0.0;

  friend bool operator==(Date a, Date b) { return a.value == b.value; }
};

// 100-nanosecond ticks since 1601-01-01 UTC, the compound-file and property-set
// time. Times before 1601 clamp to 0.
uint64_t FileTimeFromDate(Date date);
Date DateFromFileTime(uint64_t filetime);

// Seconds since 1970-01-01 UTC.
double UnixTimeFromDate(Date date);
Date DateFromUnixTime(double seconds);

// Calendar parts, for formatting and for building dates in code and tests.
struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};
// Fails (nullopt) outside the Automation range of years 100 to 9999.
std::optional<Date> DateFromParts(const DateParts& parts);
DateParts PartsFromDate(Date date);

}  // namespace vellora2
