#include "vellora2/automation/date.hpp"

#include <cmath>

namespace vellora2 {
namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kTicksPerDay = 864000000000.0;
// 1601-01-01 (the FILETIME epoch) and 1970-01-01 counted from 1899-12-30.
constexpr double kFileTimeEpoch = -109205.0;
constexpr double kUnixEpoch = 25569.0;

// An Automation date keeps the time of day positive below zero, so the number
// line is not continuous there; these two turn it into a plain day count and back.
double Linear(Date date) {
  double day = std::trunc(date.value);
  double time = std::fabs(date.value - day);
  return day + time;
}

Date FromLinear(double linear) {
  double day = std::floor(linear);
  double time = linear - day;
  // Below zero the time of day counts away from zero: day -1 at 06:00 is -1.25.
  return Date{day >= 0 || time == 0.0 ? linear : day - time};
}

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468 - 25569;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

uint64_t FileTimeFromDate(Date date) {
  double ticks = std::round((Linear(date) - kFileTimeEpoch) * kTicksPerDay);
  if (!(ticks > 0)) return 0;
  if (ticks >= 18446744073709549568.0) return UINT64_MAX;
  return static_cast<uint64_t>(ticks);
}

Date DateFromFileTime(uint64_t filetime) {
  // Whole days and the rest apart, so that the time of day keeps its precision.
  const auto ticks_per_day = static_cast<uint64_t>(kTicksPerDay);
  const uint64_t whole_days = filetime / ticks_per_day;
  double days = static_cast<double>(whole_days);
  double rest = static_cast<double>(filetime % ticks_per_day) / kTicksPerDay;
  return FromLinear(days + kFileTimeEpoch + rest);
}

double UnixTimeFromDate(Date date) { return (Linear(date) - kUnixEpoch) * kSecondsPerDay; }

Date DateFromUnixTime(double seconds) { return FromLinear(seconds / kSecondsPerDay + kUnixEpoch); }

std::optional<Date> DateFromParts(const DateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour < 0 ||
      p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 || p.second > 59) {
    return std::nullopt;
  }
  int y = 0, m = 0, d = 0;
  const int64_t days = DaysFromCivil(p.year, p.month, p.day);
  CivilFromDays(days, y, m, d);
  if (d != p.day) return std::nullopt;  // 31 April and the like
  double time = (p.hour * 3600.0 + p.minute * 60.0 + p.second) / kSecondsPerDay;
  return FromLinear(static_cast<double>(days) + time);
}

DateParts PartsFromDate(Date date) {
  double linear = Linear(date);
  double day = std::floor(linear);
  auto seconds = static_cast<int64_t>(std::llround((linear - day) * kSecondsPerDay));
  if (seconds >= 86400) {
    seconds -= 86400;
    day += 1;
  }
  DateParts parts;
  CivilFromDays(static_cast<int64_t>(day), parts.year, parts.month, parts.day);
  parts.hour = static_cast<int>(seconds / 3600);
  parts.minute = static_cast<int>(seconds / 60 % 60);
  parts.second = static_cast<int>(seconds % 60);
  return parts;
}

}  // namespace vellora2
