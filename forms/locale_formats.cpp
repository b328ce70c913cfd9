#include "forms/locale_formats.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

#include "forms/intl_module.hpp"

namespace vellora2::forms {
namespace {

constexpr std::array<const char16_t*, 7> kWeekdays = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                      u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<const char16_t*, 12> kMonths = {u"January",   u"February", u"March",    u"April",
                                                     u"May",       u"June",     u"July",     u"August",
                                                     u"September", u"October",  u"November", u"December"};

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// 0 for Sunday, in the proleptic Gregorian calendar (Sakamoto's method).
int Weekday(int year, int month, int day) {
  static constexpr std::array<int, 12> kOffsets = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  return (year + year / 4 - year / 100 + year / 400 + kOffsets[static_cast<size_t>(month - 1)] + day) % 7;
}

}  // namespace

std::u16string EnglishLongDate(Date date) {
  const DateParts p = PartsFromDate(date);
  return std::u16string(kWeekdays[static_cast<size_t>(Weekday(p.year, p.month, p.day))]) + u", " +
         kMonths[static_cast<size_t>(p.month - 1)] + u" " + Ascii(std::to_string(p.day)) + u", " +
         Ascii(std::to_string(p.year));
}

std::u16string EnglishMediumTime(Date date) {
  const DateParts p = PartsFromDate(date);
  const int hour = p.hour % 12 == 0 ? 12 : p.hour % 12;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d %s", hour, p.minute, p.hour < 12 ? "AM" : "PM");
  return Ascii(text);
}

std::u16string EnglishStandardNumber(double value) {
  char text[400];
  const int length = std::snprintf(text, sizeof text, "%.2f", std::fabs(value));
  const std::string_view digits(text, static_cast<size_t>(length));
  const size_t whole = digits.find('.');
  std::u16string result = value < 0 ? u"-" : u"";
  for (size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && at < whole && (whole - at) % 3 == 0) result += u',';
    result += static_cast<char16_t>(digits[at]);
  }
  return result;
}

std::u16string LongDate(Date date) {
  if (const IntlModule* module = LoadIntlModule()) return module->long_date(date.value);
  return EnglishLongDate(date);
}

std::u16string MediumTime(Date date) {
  if (const IntlModule* module = LoadIntlModule()) return module->medium_time(date.value);
  return EnglishMediumTime(date);
}

std::u16string StandardNumber(double value) {
  if (const IntlModule* module = LoadIntlModule()) return module->standard_number(value);
  return EnglishStandardNumber(value);
}

}  // namespace vellora2::forms
