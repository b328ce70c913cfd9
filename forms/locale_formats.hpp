// Dates and numbers as the user's locale writes them. The locale is the one the
// environment names (LC_ALL, then LC_TIME or LC_NUMERIC, then LANG), read on
// every call so that a host that changes it is followed; "C", "POSIX" and an
// unset locale read as US English, which is what the C locale's conventions are.
// The locale's data comes from the intl module (forms/intl_module.hpp); where
// that cannot be loaded, every locale reads as US English.
#pragma once

#include <string>

#include "vellora2/automation/date.hpp"

namespace vellora2::forms {

// The locale's full date with the weekday and the month's name
// ("Thursday, March 5, 2009" in US English).
std::u16string LongDate(Date date);
// Hours and minutes on the 12-hour clock with the locale's day-period marker
// ("05:34 PM" in US English).
std::u16string MediumTime(Date date);
// The "Standard" number form: digit grouping and two decimals ("1,000.00").
std::u16string StandardNumber(double value);

// The three in US English, without the module.
std::u16string EnglishLongDate(Date date);
std::u16string EnglishMediumTime(Date date);
std::u16string EnglishStandardNumber(double value);

}  // namespace vellora2::forms
