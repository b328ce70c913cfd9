// The module's dates and numbers, from ICU's own locale data: they are right
// whether or not the C library has the user's locale installed.
#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "forms/intl/intl.hpp"

namespace vellora2::forms::intl {
namespace {

// The locale the environment names (LC_ALL, then the category, then LANG);
// "C", "POSIX" and none read as US English, the C locale's conventions.
icu::Locale UserLocale(const char* category) {
  std::string name;
  for (const char* variable : {"LC_ALL", category, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      name = value;
      break;
    }
  }
  // "de_DE.UTF-8@euro": ICU wants the language and region only.
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "C" || name == "POSIX") name = "en_US";
  icu::Locale locale(name.c_str());
  return locale.isBogus() ? icu::Locale::getUS() : locale;
}

std::u16string ToU16(const icu::UnicodeString& text) {
  return std::u16string(text.getBuffer(), static_cast<size_t>(text.length()));
}

// Dates here are already local wall-clock times: they are formatted as UTC so
// that ICU adds no zone offset of its own.
std::u16string Format(icu::DateFormat& format, double date) {
  format.adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
  constexpr double kEpochOffsetDays = 25569.0;  // 1899-12-30 to 1970-01-01
  // An OLE date before the epoch counts its time of day forwards from the day's start.
  const double day = date < 0 ? std::ceil(date) : std::floor(date);
  const double fraction = std::fabs(date - day);
  // To the nearest second: 00:05 is 0.00347222... of a day and must not read 00:04.
  const double millis = std::round(((day - kEpochOffsetDays) + fraction) * 86400.0) * 1000.0;
  icu::UnicodeString text;
  format.format(millis, text);
  // Recent locale data puts a narrow no-break space before AM/PM, which many
  // terminals and fonts draw badly; a plain space reads the same.
  text.findAndReplace(icu::UnicodeString(u"\u202F"), icu::UnicodeString(u" "));
  return ToU16(text);
}

}  // namespace

std::u16string LongDate(double date) {
  std::unique_ptr<icu::DateFormat> format(
      icu::DateFormat::createDateInstance(icu::DateFormat::kFull, UserLocale("LC_TIME")));
  if (!format) return {};
  return Format(*format, date);
}

std::u16string MediumTime(double date) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale = UserLocale("LC_TIME");
  std::unique_ptr<icu::DateTimePatternGenerator> generator(
      icu::DateTimePatternGenerator::createInstance(locale, status));
  if (U_FAILURE(status)) return {};
  // "hh": two-digit hours on the 12-hour clock whatever the locale prefers, as
  // the medium time form asks; the locale still orders and names the parts.
  const icu::UnicodeString pattern =
      generator->getBestPattern(icu::UnicodeString(u"hhmm"), UDATPG_MATCH_HOUR_FIELD_LENGTH, status);
  if (U_FAILURE(status)) return {};
  icu::SimpleDateFormat format(pattern, locale, status);
  if (U_FAILURE(status)) return {};
  return Format(format, date);
}

std::u16string StandardNumber(double value) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(UserLocale("LC_NUMERIC"), status));
  if (U_FAILURE(status) || !format) return {};
  format->setGroupingUsed(true);
  format->setMinimumFractionDigits(2);
  format->setMaximumFractionDigits(2);
  icu::UnicodeString text;
  format->format(value, text);
  return ToU16(text);
}

std::u16string UpperCase(std::u16string_view text) {
  icu::UnicodeString upper(false, text.data(), static_cast<int32_t>(text.size()));
  upper.toUpper();
  return ToU16(upper);
}

}  // namespace vellora2::forms::intl
