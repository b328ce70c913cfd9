#include "vellora2/automation/text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellora2 {
namespace {

TEST(Text, AnsiRoundTripsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string wide = FromAnsi(all);
  ASSERT_EQ(wide.size(), 256u);
  EXPECT_EQ(ToAnsi(wide), all);
  EXPECT_EQ(wide[0x80], u'\u20AC');
  EXPECT_EQ(wide[0x9F], u'\u0178');
  EXPECT_EQ(wide[0xE9], u'\u00E9');
}

TEST(Text, AnsiReplacesUnmappedCharacters) {
  EXPECT_EQ(ToAnsi(u"a\u0416b\u20ACc"), "a?b\x80" "c");
  EXPECT_EQ(ToAnsi(u"\U0001F600"), "??");  // both halves of a surrogate pair
}

TEST(Text, Utf8BothWaysAndMalformedInput) {
  const std::u16string wide = u"A\u00E9\u20AC\U0001F600";
  const std::string narrow = ToUtf8(wide);
  EXPECT_EQ(narrow, "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(narrow), wide);
  EXPECT_EQ(FromUtf8("a\xC0\xAF!"), u"a\xDCC0\xDCAF!");  // overlong
  EXPECT_EQ(FromUtf8("x\xE2\x82"), u"x\xDCE2\xDC82");    // cut short
  EXPECT_EQ(FromUtf8("new\xE9.qxv"), u"new\xDCE9.qxv");  // Latin-1
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC7F))), "\xEF\xBF\xBD");
}

TEST(Text, Utf8RoundTripsBytesThatAreNotUtf8) {
  // Every byte alone, and sequences that look like UTF-8 but are not: cut
  // short, overlong, an encoded surrogate, past U+10FFFF.
  std::vector<std::string> cases;
  cases.reserve(256 + 5);
  for (int b = 0; b < 256; ++b) cases.emplace_back(1, static_cast<char>(b));
  for (const char* bytes : {"\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\xFF\xE9\xC3\xA9z"}) {
    cases.emplace_back(bytes);
  }
  for (const std::string& bytes : cases) EXPECT_EQ(ToUtf8(FromUtf8(bytes)), bytes) << testing::PrintToString(bytes);
}

TEST(Text, CaseMappingCoversLatin1) {
  EXPECT_EQ(ToUpper(u"abc\u00E9\u00FF\u00F7"), u"ABC\u00C9\u0178\u00F7");
  EXPECT_EQ(ToLower(u"ABC\u00C9\u0178\u00D7"), u"abc\u00E9\u00FF\u00D7");
}

}  // namespace
}  // namespace vellora2
