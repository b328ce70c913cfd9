#include "vellora2/automation/variant.hpp"

#include <gtest/gtest.h>

#include "util/utility_test_support.hpp"
#include "vellora2/automation/object.hpp"

namespace vellora2 {
namespace {

using testing::ErrorOf;

TEST(Variant, SubtypesAndArrays) {
  EXPECT_EQ(Variant().type(), VarType::Empty);
  EXPECT_EQ(Variant(int16_t{1}).type(), VarType::Integer);
  EXPECT_EQ(Variant(int32_t{1}).type(), VarType::Long);
  EXPECT_EQ(Variant(u"x").type(), VarType::String);
  EXPECT_TRUE(Variant(ErrorValue{kParamNotFound}).IsMissing());

  StringArray names(0, -1);
  EXPECT_TRUE(names.sized());
  EXPECT_EQ(names.UBound(), -1);
  names.ReDimPreserve(0, 1);
  names(1) = u"b";
  Variant v(names);
  EXPECT_EQ(v.vartype(), kArray | 8);
  EXPECT_EQ(v.array_if<std::u16string>()->LBound(), 0);
  EXPECT_EQ((*v.array_if<std::u16string>())(1), u"b");

  // Arrays are values: changing a copy leaves the original alone.
  Variant copy = v;
  (*copy.array_if<std::u16string>())(1) = u"c";
  EXPECT_EQ((*v.array_if<std::u16string>())(1), u"b");

  ByteArray never;
  EXPECT_FALSE(never.sized());
  EXPECT_EQ(ErrorOf([&] { never.LBound(); }), rt::kSubscriptOutOfRange);
  ByteArray two;
  two.ReDimDims({{1, 2}, {0, 3}});
  const int32_t idx[] = {2, 2};
  two.At(idx) = 7;
  EXPECT_EQ(two.data()[5], 7);
  EXPECT_EQ(ErrorOf([&] { two(1); }), rt::kSubscriptOutOfRange);
}

TEST(Variant, IntegralConversionsRoundHalvesToEven) {
  EXPECT_EQ(Variant(2.5).ToLong(), 2);
  EXPECT_EQ(Variant(3.5).ToLong(), 4);
  EXPECT_EQ(Variant(-2.5).ToInteger(), -2);
  EXPECT_EQ(Variant(u" 12.5 ").ToLong(), 12);
  EXPECT_EQ(Variant(u"&HFFFF").ToLong(), -1);
  EXPECT_EQ(Variant(u"&H10000").ToLong(), 65536);
  EXPECT_EQ(Variant(true).ToInteger(), -1);
  EXPECT_EQ(Variant().ToLong(), 0);
  EXPECT_EQ(Variant(255.4).ToByte(), 255);
}

TEST(Variant, ConversionErrors) {
  EXPECT_EQ(ErrorOf([] { Variant(32767.5).ToInteger(); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(2147483648.0).ToLong(); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(-0.6).ToByte(); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(1e300).ToSingle(); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(u"12abc").ToLong(); }), rt::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(u"").ToDouble(); }), rt::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(Null{}).ToLong(); }), rt::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant(Null{}).ToString(); }), rt::kInvalidUseOfNull);
  EXPECT_EQ(ErrorOf([] { Variant(ByteArray(0, 1)).ToString(); }), rt::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { Variant(1e10).ToDate(); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([] { Variant(5).ToObject(); }), rt::kObjectRequired);
}

TEST(Variant, StringForms) {
  EXPECT_EQ(Variant(true).ToString(), u"True");
  EXPECT_EQ(Variant(0.1 + 0.2).ToString(), u"0.3");
  EXPECT_EQ(Variant(1e15).ToString(), u"1E+15");
  EXPECT_EQ(Variant(0.00001).ToString(), u"1E-05");
  EXPECT_EQ(Variant(-0.0).ToString(), u"0");
  EXPECT_EQ(Variant(1.1f).ToString(), u"1.1");
  EXPECT_EQ(Variant(Date{36585.75}).ToString(), u"2/29/2000 6:00:00 PM");
  EXPECT_EQ(Variant(Date{0.5}).ToString(), u"12:00:00 PM");
  EXPECT_EQ(Variant(Date{36585.0}).ToString(), u"2/29/2000");
  EXPECT_EQ(Variant(u"2/29/2000 6:00:00 PM").ToDate(), Date{36585.75});
  EXPECT_EQ(Variant(u"2000-02-29").ToDate(), Date{36585.0});
  EXPECT_FALSE(Variant(u"FALSE").ToBool());
}

TEST(Variant, AddWidensAndConcatenates) {
  EXPECT_EQ(Add(Variant(int32_t{2147483647}), Variant(int32_t{1})), Variant(2147483648.0));
  EXPECT_EQ(Add(Variant(int16_t{10}), Variant(int16_t{5})), Variant(int32_t{15}));
  EXPECT_EQ(Add(Variant(u"a"), Variant(u"b")), Variant(u"ab"));
  EXPECT_EQ(Add(Variant(u"1"), Variant(2.5)), Variant(3.5));
  EXPECT_TRUE(Add(Variant(Null{}), Variant(1)).IsNull());
}

TEST(Object, PropertiesByNameAndCollections) {
  auto button = std::make_shared<DynamicObject>(DynamicObject{{u"Value", Variant(true)}, {u"Index", Variant(int16_t{2})}});
  EXPECT_EQ(button->GetProperty(u"value"), Variant(true));
  EXPECT_EQ(ErrorOf([&] { button->GetProperty(u"MousePointer"); }), rt::kNoSuchMember);
  button->SetProperty(u"INDEX", Variant(int16_t{3}));
  EXPECT_EQ(button->GetProperty(u"Index"), Variant(int16_t{3}));

  Collection c;
  c.Add(Variant(u"one"), u"k1");
  c.Add(Variant(u"zero"), std::nullopt, 1);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(1), Variant(u"zero"));
  EXPECT_EQ(c.Item(u"K1"), Variant(u"one"));
  EXPECT_EQ(ErrorOf([&] { c.Add(Variant(1), u"K1"); }), 457);
  EXPECT_EQ(ErrorOf([&] { c.Item(3); }), rt::kSubscriptOutOfRange);
  c.Remove(u"k1");
  EXPECT_EQ(c.Items().size(), 1u);
  EXPECT_EQ(ErrorOf([] { Object().Items(); }), rt::kNoSuchMember);
}

}  // namespace
}  // namespace vellora2
