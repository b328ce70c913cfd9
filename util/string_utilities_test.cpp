#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "util/utility_test_support.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using testing::ErrorOf;

std::uintptr_t Address(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// `hex` followed by spaces up to `width` characters.
std::u16string Padded(const std::u16string& hex, size_t width) { return hex + std::u16string(width - hex.size(), u' '); }

TEST(StringUtilities, FixedWidthFields) {
  GUtility u;
  EXPECT_EQ(u.FmtHex(255), u"000000FF");
  EXPECT_EQ(u.FmtHex(-1), u"FFFFFFFF");
  EXPECT_EQ(u.FmtHex(255, 1), u"F");
  EXPECT_EQ(u.FmtHex(-1, 10), u"00FFFFFFFF");
  EXPECT_EQ(u.FmtInt(42, 5), u"   42");
  EXPECT_EQ(u.FmtInt(42, 5, false), u"42   ");
  EXPECT_EQ(u.FmtInt(-123, 3), u"123");  // too long: the leading characters go
  EXPECT_EQ(u.FmtStr(u"ab", 4), u"ab  ");
  EXPECT_EQ(u.FmtStr(u"ab", 4, false), u"  ab");
  EXPECT_EQ(u.FmtStr(u"abcdef", 3, false), u"def");
  EXPECT_EQ(ErrorOf([&] { u.FmtHex(1, -1); }), rt::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { u.FmtStr(u"", -1); }), rt::kInvalidCall);
}

TEST(StringUtilities, FindStringForwardBackwardWholeWord) {
  GUtility u;
  EXPECT_EQ(u.FindString(u"concat cat", u"cat", 0, esoWholeWord), 8);
  EXPECT_EQ(u.FindString(u"concat cat", u"CAT"), 4);
  EXPECT_EQ(u.FindString(u"concat cat", u"CAT", 0, esoCaseSense), 0);
  EXPECT_EQ(u.FindString(u"concat cat", u"cat", 10, esoBackward), 8);
  EXPECT_EQ(u.FindString(u"concat cat", u"cat", 9, esoBackward), 4);
  EXPECT_EQ(u.FindString(u"cat concat", u"CAT", 10, esoBackward | esoWholeWord), 1);
  EXPECT_EQ(u.FindString(u"abc", u"a", 0, esoBackward), 1);
  EXPECT_EQ(u.FindString(u"abc", u"b", 0, esoBackward), 0);
  // ";" is no separator; "?" and the end of the text are.
  EXPECT_EQ(u.FindString(u"cat; cat?", u"cat", 0, esoWholeWord), 6);
  EXPECT_EQ(u.FindString(u"cat;", u"cat", 0, esoWholeWord), 0);
  EXPECT_EQ(u.FindString(u"a\tcat", u"cat", 5, esoWholeWord | esoBackward | esoCaseSense), 3);
  EXPECT_EQ(u.FindString(u"abc", u"c", 4), 0);
  EXPECT_EQ(u.FindString(u"a b", u"", 0, esoWholeWord), 0);
  EXPECT_EQ(ErrorOf([&] { u.FindString(u"abc", u"c", -1); }), rt::kInvalidCall);
}

TEST(StringUtilities, InStrRForms) {
  GUtility u;
  EXPECT_EQ(u.InStrR(u"abcabc", u"bc"), 5);
  EXPECT_EQ(u.InStrR(int32_t{4}, u"abcabc", u"bc"), 2);
  EXPECT_EQ(u.InStrR(int32_t{-3}, u"abcabc", u"bc"), 0);
  EXPECT_EQ(u.InStrR(u"abc", u""), 4);
  EXPECT_EQ(u.InStrR(u"aBc", u"b"), 0);
  EXPECT_EQ(u.InStrR(u"aBcb", u"B", int32_t{1}), 4);
  EXPECT_EQ(u.InStrR(int32_t{3}, u"aBcb", u"B", int32_t{1}), 2);
  EXPECT_EQ(ErrorOf([&] { u.InStrR(); }), eeMissingParameter);
  EXPECT_EQ(ErrorOf([&] { u.InStrR(u"abc"); }), eeMissingParameter);
  EXPECT_EQ(ErrorOf([&] { u.InStrR(int32_t{3}, u"abc"); }), eeMissingParameter);
  EXPECT_EQ(ErrorOf([&] { u.InStrR(u"abc", u"b", int32_t{2}); }), rt::kInvalidCall);
}

TEST(StringUtilities, CharactersInPlace) {
  GUtility u;
  std::u16string s = u"ab\u8000";
  EXPECT_EQ(u.CharFromStr(s, 3), INT16_MIN);
  const std::uintptr_t before = u.StringToPointer(s);
  u.CharToStr(s, -1, 2);
  EXPECT_EQ(s, u"a\uFFFF\u8000");
  EXPECT_EQ(u.StringToPointer(s), before);
  EXPECT_EQ(ErrorOf([&] { u.CharFromStr(s, 4); }), rt::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { u.CharToStr(s, 1, 0); }), rt::kInvalidCall);

  std::u16string t = u"abc";
  u.InsertChar(t, u"XY", 3);
  EXPECT_EQ(t, u"abX");
  u.InsertChar(t, u"", 1);
  EXPECT_EQ(t, u"abX");
  EXPECT_EQ(ErrorOf([&] { u.InsertChar(t, u"Z", 4); }), rt::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { u.InsertChar(t, u"Z", 0); }), rt::kInvalidCall);
  EXPECT_EQ(t, u"abX");
}

TEST(StringUtilities, WrappingAtAndAroundTheWidth) {
  GUtility u;
  EXPECT_EQ(u.WordWrap(u"aaa bbb ccc", 5), u"aaa \r\nbbb \r\nccc");
  EXPECT_EQ(u.WordWrap(u"aaa bbb", 7), u"aaa bbb");
  EXPECT_EQ(u.WordWrap(u"abcdefghij", 4), u"abcdefghij");
  EXPECT_EQ(u.WordWrap(u"ab\ncd ef", 3), u"ab\n\r\ncd \r\nef");  // later windows are one wider
  EXPECT_EQ(ErrorOf([&] { u.WordWrap(u"ab", 0); }), rt::kInvalidCall);

  EXPECT_EQ(u.LineWrap(u"aaa bbb ccc", 5), Variant(u"aaa\r\n   bbb\r\n   ccc"));
  EXPECT_EQ(u.LineWrap(u"abcdefgh ij", 3), Variant(u"abcdefgh\r\n   ij"));
  EXPECT_EQ(u.LineWrap(u"abcdefgh", 3), Variant(u"abcdefgh"));
  EXPECT_EQ(u.LineWrap(u"", 3), Variant(u""));
  EXPECT_EQ(ErrorOf([&] { u.LineWrap(u"a", -1); }), rt::kInvalidCall);
}

TEST(StringUtilities, LinesOneAtATime) {
  GUtility u;
  EXPECT_EQ(u.GetNextLine(u"a\r\nb"), u"a\r\n");
  EXPECT_EQ(u.GetNextLine(), u"b\r\n");
  EXPECT_EQ(u.GetNextLine(), u"");
  EXPECT_EQ(u.GetNextLine(u"x\r\n\r\ny"), u"x\r\n");
  EXPECT_EQ(u.GetNextLine(u"p\r\n"), u"p\r\n");  // a new text starts over
  EXPECT_EQ(u.GetNextLine(), u"");

  EXPECT_EQ(u.RTrimLine(u"a\r\n\r\n"), u"a\r\n");
  EXPECT_EQ(u.RTrimLine(u"a\n"), u"a\n");
  EXPECT_EQ(u.RTrimLine(u"\r"), u"\r");
}

TEST(StringUtilities, AmongAndCollectionReplace) {
  GUtility u;
  EXPECT_TRUE(u.Among(int32_t{1}, {u"1", 2.0, int16_t{1}}));
  EXPECT_FALSE(u.Among(int32_t{1}, {u"1", 2.0}));
  EXPECT_TRUE(u.Among(Variant(), {int32_t{0}}));
  EXPECT_FALSE(u.Among(Null{}, {Null{}}));
  EXPECT_FALSE(u.Among(u"a", {u"A"}));
  EXPECT_FALSE(u.Among(u"a", {}));
  EXPECT_EQ(ErrorOf([&] { u.Among(int32_t{1}, {ByteArray(0, 0)}); }), rt::kTypeMismatch);

  Collection c;
  c.Add(u"a", u"ka");
  c.Add(u"b", u"kb");
  c.Add(u"c");
  u.CollectionReplace(c, int32_t{2}, u"B");
  EXPECT_EQ(c.Items(), (std::vector<Variant>{u"a", u"B", u"c"}));
  EXPECT_THROW(c.Item(u"kb"), AutomationError);
  u.CollectionReplace(c, u"KA", u"A");
  EXPECT_EQ(c.Items(), (std::vector<Variant>{u"B", u"c", u"A"}));
  EXPECT_EQ(c.Item(u"ka"), Variant(u"A"));
  EXPECT_EQ(ErrorOf([&] { u.CollectionReplace(c, int32_t{4}, u"D"); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(c.Count(), 3);
}

TEST(StringUtilities, ConversionsAndRawMemory) {
  GUtility u;
  EXPECT_EQ(u.StrToStrB(u"\u20ACa"), "\x80" "a");
  EXPECT_EQ(u.StrBToStr(u.StrToStrB(u"\u00E9t\u00E9")), u"\u00E9t\u00E9");
  EXPECT_EQ(u.StrZToStr(std::u16string(u"ab\0cd", 5)), u"ab");

  const char withNul[] = {'h', '\x80', '\0', 'x'};
  EXPECT_EQ(u.PointerToString(Address(withNul), sizeof withNul), u"h\u20AC");
  const char withoutNul[] = {'a', 'b'};
  EXPECT_EQ(u.PointerToString(Address(withoutNul), sizeof withoutNul), u"ab");
  EXPECT_EQ(u.PointerToString(0, 10), u"");
}

TEST(StringUtilities, HexDumpLayouts) {
  GUtility u;
  EXPECT_EQ(u.HexDumpS(u"ABCDEFGH"), u"41 42 43 44 45 46 47 48   ABCDEFGH\r\n");
  EXPECT_EQ(u.HexDumpS(u"ABC"), Padded(u"41 42 43 ", 26) + u"ABC");
  EXPECT_EQ(u.HexDumpS(u"ABCDEFGHIJ", ehdSample8), u"41 42 43 44 45 46 47 48  ...");
  EXPECT_EQ(u.HexDumpS(u"ABCDEFGHIJ", ehdEndless), u"41 42 43 44 45 46 47 48  49 4A ");
  EXPECT_EQ(u.HexDumpB(u"A"), Padded(u"41 00 ", 26) + u"A.");
  EXPECT_EQ(u.HexDumpS(u"\x1F\x7F~ "), Padded(u"1F 7F 7E 20 ", 26) + u"..~ ");
  EXPECT_EQ(u.HexDump(ByteArray(0, -1)), u"");

  const std::u16string sixteen = u"0123456789ABCDEF";
  const std::u16string full = u.HexDumpS(sixteen, ehdTwoColumn);
  EXPECT_EQ(full.find(sixteen), 51u);
  EXPECT_TRUE(full.ends_with(u"\r\n"));
  const std::u16string partial = u.HexDumpS(sixteen + u"xy", ehdTwoColumn);
  EXPECT_EQ(partial.substr(full.size()).find(u"xy"), 53u);

  // Lines break by index: from lower bound 1 the first line ends at index 7.
  const std::u16string byIndex = u.HexDump(ByteArray(1, std::vector<uint8_t>(8, 0x41)));
  EXPECT_EQ(byIndex, u"41 41 41 41 41 41 41   AAAAAAA\r\n" + Padded(u"41 ", 26) + u"A");

  const uint8_t memory[] = {0x00, 0xFF, 0x30};
  EXPECT_EQ(u.HexDumpPtr(Address(memory), 3, ehdEndless), u"00 FF 30 ");
  EXPECT_EQ(ErrorOf([&] { u.HexDumpPtr(Address(memory), 0); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { u.HexDumpPtr(Address(memory), 40000); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([&] { u.HexDump(ByteArray(0, 32767)); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([&] { u.HexDump(ByteArray()); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { u.HexDumpS(u"A", static_cast<EHexDump>(7)); }), rt::kDivisionByZero);
}

}  // namespace
}  // namespace vellora2
