#include "vellora2/util/gbytes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "util/utility_test_support.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

using testing::ErrorOf;

ByteArray Bytes(int32_t lower, std::vector<uint8_t> values) { return ByteArray(lower, std::move(values)); }

TEST(GBytes, HalvesAndBytes) {
  GBytes b;
  EXPECT_EQ(b.LoWord(98303), 32767);
  EXPECT_EQ(b.LoWord(65535), -1);
  EXPECT_EQ(b.HiWord(-65536), -1);
  EXPECT_EQ(b.HiWord(-1), -1);
  EXPECT_EQ(b.HiWord(131072), 2);
  EXPECT_EQ(b.LoByte(-2), 0xFE);
  EXPECT_EQ(b.HiByte(-2), 0xFF);
  EXPECT_EQ(b.MakeWord(0x34, 0x12), 0x1234);
  EXPECT_EQ(b.MakeWord(0x00, 0xFF), -256);
  EXPECT_EQ(b.MakeDWord(-1, 0), 65535);
  EXPECT_EQ(b.MakeDWord(0, INT16_MIN), INT32_MIN);
  for (int32_t dw : {0, 1, -1, 0x7FFF8000, INT32_MIN, INT32_MAX, -65536}) {
    EXPECT_EQ(b.MakeDWord(b.LoWord(dw), b.HiWord(dw)), dw) << dw;
  }
}

TEST(GBytes, ShiftsAtTheEdges) {
  GBytes b;
  EXPECT_EQ(b.Power2(31), INT32_MIN);
  EXPECT_EQ(ErrorOf([&] { b.Power2(32); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { b.Power2(-1); }), rt::kSubscriptOutOfRange);

  struct Case {
    int32_t value;
    int16_t count;
    int32_t expected;
  };
  for (const Case& c : {Case{1, 15, INT16_MIN}, Case{3, 15, INT16_MIN}, Case{-1, 1, -2}}) {
    EXPECT_EQ(b.LShiftWord(static_cast<int16_t>(c.value), c.count), c.expected) << c.value << " << " << c.count;
  }
  EXPECT_EQ(ErrorOf([&] { b.LShiftWord(2, 30); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([&] { b.LShiftWord(1, 32); }), rt::kSubscriptOutOfRange);
  for (const Case& c : {Case{-1, 0, -1}, Case{-1, 1, 32767}, Case{-1, 15, 1}, Case{-1, 16, 0}, Case{-1, 31, 0}}) {
    EXPECT_EQ(b.RShiftWord(static_cast<int16_t>(c.value), c.count), c.expected) << c.value << " >> " << c.count;
  }
  EXPECT_EQ(ErrorOf([&] { b.RShiftWord(1, -1); }), rt::kSubscriptOutOfRange);
  // Out of range the dword shifts answer -1 and 0; -1 << 31 does not fit, so it is
  // -1 and not the truncated INT32_MIN.
  for (const Case& c : {Case{1, 31, INT32_MIN}, Case{1073741824, 1, -1}, Case{-1, 31, -1}, Case{-3, 2, -12},
                        Case{1, 32, -1}, Case{1, -1, -1}}) {
    EXPECT_EQ(b.LShiftDWord(c.value, c.count), c.expected) << c.value << " << " << c.count;
  }
  for (const Case& c : {Case{-8, 1, -4}, Case{-7, 1, -3}, Case{INT32_MIN, 31, 1}, Case{-1, 31, 0},
                        Case{INT32_MAX, 30, 1}, Case{-5, 0, -5}, Case{5, 40, 0}, Case{5, -1, 0}}) {
    EXPECT_EQ(b.RShiftDWord(c.value, c.count), c.expected) << c.value << " >> " << c.count;
  }
}

TEST(GBytes, StrToBytesKeepsOrReplacesTheArray) {
  GBytes b;
  ByteArray ab(0, 3);
  std::u16string s = u"ab";
  b.StrToBytes(ab, s);
  EXPECT_EQ(ab, Bytes(0, {'a', 'b', 0, 0}));
  EXPECT_EQ(s, std::u16string(u"ab\0\0", 4));

  ByteArray offset(5, 6);
  std::u16string longer = u"\u20ACxyz";
  b.StrToBytes(offset, longer);
  EXPECT_EQ(offset, Bytes(5, {0x80, 'x'}));
  EXPECT_EQ(longer, u"\u20ACxyz");

  ByteArray never;
  b.StrToBytes(never, u"ab");
  EXPECT_EQ(never, Bytes(0, {'a', 'b'}));
  ByteArray empty(0, -1);
  b.StrToBytes(empty, u"xyz");
  EXPECT_EQ(empty, Bytes(0, {'x', 'y', 'z'}));

  EXPECT_EQ(*b.StrToBytesV(u"\u00E9!").array_if<uint8_t>(), Bytes(0, {0xE9, '!'}));
  EXPECT_EQ(b.BytesToStr(Bytes(1, {0x80, 'a', 0, 'b'})), std::u16string(u"\u20ACa\0b", 4));
  EXPECT_EQ(b.ByteZToStr(Bytes(1, {0x80, 'a', 0, 'b'})), u"\u20ACa");
}

TEST(GBytes, IntegersInBuffersFollowTheArrayBounds) {
  GBytes b;
  ByteArray ab = Bytes(10, {0xFF, 0x7F, 0x00, 0x80, 0, 0});
  EXPECT_EQ(b.BytesToWord(ab, 10), 32767);
  EXPECT_EQ(b.BytesToWord(ab, 12), INT16_MIN);
  EXPECT_EQ(b.BytesToDWord(ab, 10), static_cast<int32_t>(0x80007FFF));
  b.BytesFromDWord(-2, ab, 12);
  EXPECT_EQ(ab, Bytes(10, {0xFF, 0x7F, 0xFE, 0xFF, 0xFF, 0xFF}));
  b.BytesFromWord(0x1234, ab, 14);
  EXPECT_EQ(b.BytesToWord(ab, 14), 0x1234);
  EXPECT_EQ(ab.data()[4], 0x34);

  EXPECT_EQ(ErrorOf([&] { b.BytesToWord(ab, 15); }), rt::kSubscriptOutOfRange);  // one byte short
  EXPECT_EQ(ErrorOf([&] { b.BytesFromDWord(0, ab, 13); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ab, Bytes(10, {0xFF, 0x7F, 0xFE, 0xFF, 0x34, 0x12}));
  EXPECT_EQ(ErrorOf([&] { b.BytesToWord(ByteArray(), 0); }), rt::kSubscriptOutOfRange);
}

TEST(GBytes, TextFieldsReadAndWrite) {
  GBytes b;
  const ByteArray field = Bytes(0, {'a', 'b', 'c', 0, 0});
  EXPECT_EQ(b.MidBytes(field, 0, 5, true), u"abc");
  EXPECT_EQ(b.MidBytes(field, 0, 5, false), std::u16string(u"abc\0\0", 5));
  EXPECT_EQ(b.MidBytes(field, 1), std::u16string(u"bc\0\0", 4));  // the rest
  EXPECT_EQ(b.RightBytes(field, 3), std::u16string(u"c\0\0", 3));
  EXPECT_EQ(b.LenBytes(Bytes(3, {1, 2, 3, 4, 5})), 5);
  EXPECT_EQ(ErrorOf([&] { b.LenBytes(ByteArray()); }), rt::kSubscriptOutOfRange);

  const ByteArray pstr = Bytes(0, {3, 'a', 'b', 'c', 'd', 'e', 'f'});
  EXPECT_EQ(b.BytesToPStr(pstr, 0), u"abc");
  EXPECT_EQ(b.BytesToPStr(Bytes(0, {0, 'a', 'b', 'c', 'd', 'e', 'f'}), 0), u"abcdef");
  EXPECT_EQ(ErrorOf([&] { b.BytesToPStr(Bytes(0, {9, 'a'}), 0); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { b.BytesToPStr(pstr, 7); }), rt::kSubscriptOutOfRange);

  EXPECT_EQ(ErrorOf([&] { b.MidBytes(field, 3, 3); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ErrorOf([&] { b.MidBytes(field, 7); }), rt::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { b.RightBytes(field, -1); }), rt::kInvalidCall);

  ByteArray ab = Bytes(1, {'x', 'x', 'x', 'x', 'x'});
  std::u16string ins = u"ab";
  b.InsBytes(ins, ab, 2, 3);
  EXPECT_EQ(ab, Bytes(1, {'x', 'a', 'b', 0, 'x'}));
  EXPECT_EQ(ins, std::u16string(u"ab\0", 3));
  b.InsBytes(u"\u20AC", ab, 5);
  EXPECT_EQ(ab.data()[4], 0x80);
  b.InsBytes(u"zzzz", ab, 1, 2);
  EXPECT_EQ(ab, Bytes(1, {'z', 'z', 'b', 0, 0x80}));
  std::u16string tooLong = u"12";
  EXPECT_EQ(ErrorOf([&] { b.InsBytes(tooLong, ab, 4, 3); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(tooLong, u"12");
  EXPECT_EQ(ab, Bytes(1, {'z', 'z', 'b', 0, 0x80}));

  b.FillBytes(ab, 7, 2, 3);
  EXPECT_EQ(ab, Bytes(1, {'z', 7, 7, 7, 0x80}));
  // Filled up to the first index outside the array, then error 9.
  EXPECT_EQ(ErrorOf([&] { b.FillBytes(ab, 0, 4, 3); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ab, Bytes(1, {'z', 7, 7, 0, 0}));
  EXPECT_EQ(ErrorOf([&] { b.FillBytes(ab, 9, 0, 2); }), rt::kSubscriptOutOfRange);
  EXPECT_EQ(ab, Bytes(1, {'z', 7, 7, 0, 0}));
}

}  // namespace
}  // namespace vellora2
