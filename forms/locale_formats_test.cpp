#include "forms/locale_formats.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "forms/intl_module.hpp"

namespace vellora2::forms {
namespace {

class LocaleFormatsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_TIME");
  }
  static void Use(const char* locale) { ::setenv("LC_ALL", locale, 1); }
  static Date At(int hour, int minute) { return *DateFromParts({2009, 3, 5, hour, minute, 0}); }
};

TEST_F(LocaleFormatsTest, EnglishGroupsThousandsAndUsesTheTwelveHourClock) {
  Use("en_US.UTF-8");
  EXPECT_EQ(StandardNumber(0), u"0.00");
  EXPECT_EQ(StandardNumber(1000), u"1,000.00");
  EXPECT_EQ(StandardNumber(1000000), u"1,000,000.00");
  EXPECT_EQ(StandardNumber(4294967296.0), u"4,294,967,296.00");
  EXPECT_EQ(LongDate(At(17, 34)), u"Thursday, March 5, 2009");
  EXPECT_EQ(MediumTime(At(17, 34)), u"05:34 PM");
  EXPECT_EQ(MediumTime(At(0, 5)), u"12:05 AM");
  EXPECT_EQ(MediumTime(At(12, 0)), u"12:00 PM");
  // Before 1899-12-30 the time of day still counts forwards from midnight.
  EXPECT_EQ(LongDate(Date{-1.25}), u"Friday, December 29, 1899");
  EXPECT_EQ(MediumTime(Date{-1.25}), u"06:00 AM");
}

TEST_F(LocaleFormatsTest, FollowsTheLocaleTheEnvironmentNames) {
  Use("de_DE.UTF-8@euro");
  EXPECT_EQ(StandardNumber(1000000), u"1.000.000,00");
  EXPECT_EQ(LongDate(At(17, 34)), u"Donnerstag, 5. März 2009");
  ::unsetenv("LC_ALL");
  // LC_TIME speaks for dates only; LANG for the rest.
  ::setenv("LC_TIME", "fr_FR.UTF-8", 1);
  ::setenv("LANG", "en_GB.UTF-8", 1);
  EXPECT_EQ(LongDate(At(17, 34)), u"jeudi 5 mars 2009");
  EXPECT_EQ(StandardNumber(1000), u"1,000.00");
  ::unsetenv("LANG");
  // The C locale reads as US English.
  Use("C");
  EXPECT_EQ(LongDate(At(9, 0)), u"Thursday, March 5, 2009");
  EXPECT_EQ(StandardNumber(1234.5), u"1,234.50");
}

// Without the module the form still writes what the module writes for US
// English, over dates across the year, hours across the day and numbers
// across their groupings.
TEST_F(LocaleFormatsTest, WithoutTheModuleTextsAreThoseOfUsEnglish) {
  ASSERT_NE(LoadIntlModule(), nullptr) << "set VELLORA2_INTL_MODULE to vellora2-intl.so";
  Use("C");
  for (int day = -800; day < 80000; day += 397) {
    for (const double time : {0.0, 0.0035, 0.25, 0.5, 0.52, 0.99}) {
      const Date date{day < 0 ? day - time : day + time};
      EXPECT_EQ(EnglishLongDate(date), LongDate(date)) << date.value;
      EXPECT_EQ(EnglishMediumTime(date), MediumTime(date)) << date.value;
    }
  }
  for (const double value : {0.0, 0.004, 1.0, 12.5, 999.999, 1000.0, 123456.78, -1234.5, -0.001, 4294967296.0, 1e15}) {
    EXPECT_EQ(EnglishStandardNumber(value), StandardNumber(value)) << value;
  }
  EXPECT_EQ(EnglishLongDate(At(17, 34)), u"Thursday, March 5, 2009");
  EXPECT_EQ(EnglishMediumTime(At(0, 5)), u"12:05 AM");
  EXPECT_EQ(EnglishStandardNumber(1000000), u"1,000,000.00");
}

}  // namespace
}  // namespace vellora2::forms
