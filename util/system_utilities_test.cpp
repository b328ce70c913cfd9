#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using testing::ErrorOf;
using testing::ScopedPlatform;

std::shared_ptr<Object> Control(std::initializer_list<std::pair<const std::u16string, Variant>> properties) {
  return std::make_shared<DynamicObject>(properties);
}

TEST(SystemQueries, NullCharArraysAndThePlatformsIdentity) {
  GUtility u;
  EXPECT_EQ(u.sNullChr(), std::u16string(1, u'\0'));
  EXPECT_FALSE(u.IsArrayEmpty(Variant(LongArray(0, 0))));
  EXPECT_FALSE(u.IsArrayEmpty(Variant(StringArray(5, 6))));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(LongArray())));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(StringArray(0, -1))));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(int32_t{3})));
  VariantArray two;
  two.ReDimDims({Bound{0, 2}, Bound{0, 2}});
  EXPECT_TRUE(u.IsArrayEmpty(Variant(two)));

  ScopedPlatform<ScriptedPlatform> platform;
  platform->version = 0x00000A04;
  EXPECT_TRUE(u.HasShell() && u.IsNT());
  platform->version = 0x80000003;
  EXPECT_FALSE(u.HasShell() || u.IsNT());
  platform->module_file_name = u"/opt/dev/vb5.exe";
  EXPECT_FALSE(u.IsExe());
  platform->module_file_name = u"B5.EXE";
  EXPECT_TRUE(u.IsExe());
}

TEST(DoWaitEvents, ProcessesEventsUntilTheDeadlineAndAtLeastOnce) {
  ScopedPlatform<ScriptedPlatform> platform;
  GUtility u;
  platform->tick_count = 1000;
  platform->ticks_per_events = 10;
  u.DoWaitEvents(35);
  EXPECT_EQ(platform->process_events_calls, 4);
  u.DoWaitEvents(0);
  u.DoWaitEvents(-50);
  EXPECT_EQ(platform->process_events_calls, 6);
  platform->tick_count = 0xFFFFFFF0u;  // -16 as the signed tick count
  u.DoWaitEvents(30);
  EXPECT_EQ(platform->process_events_calls, 9);
  platform->tick_count = 0x7FFFFFF0u;
  EXPECT_EQ(ErrorOf([&] { u.DoWaitEvents(100); }), rt::kOverflow);
  EXPECT_EQ(platform->process_events_calls, 9);
}

TEST(Random, BoundsRepeatsAndOneGeneratorPerThread) {
  ScopedPlatform<ScriptedPlatform> platform;
  GUtility u;
  std::set<int32_t> seen;
  for (int i = 0; i < 600; ++i) seen.insert(u.GetRandom(1, 6));
  EXPECT_EQ(seen, (std::set<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(u.GetRandom(5, 5), 5);
  EXPECT_EQ(ErrorOf([&] { u.GetRandom(-1, INT32_MAX); }), rt::kOverflow);

  const Variant fixed = u.CoreRnd(-7);
  EXPECT_EQ(fixed.type(), VarType::Single);
  u.GetRandom(1, 100);
  EXPECT_EQ(u.CoreRnd(-7), fixed);
  const Variant next = u.CoreRnd(1);
  EXPECT_NE(next, fixed);
  EXPECT_EQ(u.CoreRnd(), next);

  u.CoreRandomize();  // 0, not the clock
  const Variant a = u.CoreRnd(1);
  u.CoreRandomize(0);
  EXPECT_EQ(u.CoreRnd(1), a);

  // One generator for the thread, reseeded from the clock by each new GUtility.
  GUtility other;
  u.CoreRnd(-3);
  EXPECT_EQ(other.CoreRnd(), u.CoreRnd());
  platform->timer = 4000.25;
  const GUtility clocked1;
  const Variant c = u.CoreRnd(1);
  const GUtility clocked2;
  EXPECT_EQ(u.CoreRnd(1), c);
}

TEST(HourGlass, TheToggleBelongsToTheUtilityObject) {
  GUtility u;
  DynamicObject form{{u"MousePointer", Variant(int16_t{5})}};
  u.HourGlass(form);
  EXPECT_EQ(form.GetProperty(u"MousePointer"), Variant(kPointerHourglass));
  u.HourGlass(form);
  EXPECT_EQ(form.GetProperty(u"MousePointer"), Variant(int16_t{5}));
  u.HourGlass(form);
  DynamicObject other{{u"MousePointer", Variant(int16_t{1})}};
  u.HourGlass(other);  // restores what it saved, whatever the object
  EXPECT_EQ(other.GetProperty(u"MousePointer"), Variant(int16_t{5}));

  GUtility fresh;
  DynamicObject label;
  EXPECT_EQ(ErrorOf([&] { fresh.HourGlass(label); }), eeNoMousePointer);
  fresh.HourGlass(other);  // the toggle flipped anyway: this call restores
  EXPECT_EQ(other.GetProperty(u"MousePointer"), Variant(int16_t{0}));
}

TEST(Controls, OptionsPositionsAndColours) {
  GUtility u;
  Collection options;
  options.Add(Variant(Control({{u"Value", Variant(false)}, {u"Index", Variant(int16_t{0})}})));
  options.Add(Variant(Control({{u"Value", Variant(int32_t{1})}, {u"Index", Variant(int16_t{1})}})));  // True is -1
  EXPECT_EQ(ErrorOf([&] { u.GetOption(options); }), eeNoTrueOption);
  options.Add(Variant(Control({{u"Value", Variant(true)}, {u"Index", Variant(int16_t{2})}})));
  EXPECT_EQ(u.GetOption(options), 2);
  Collection with_text_box;
  with_text_box.Add(Variant(Control({{u"Text", Variant(u"x")}})));
  with_text_box.Add(Variant(Control({{u"Value", Variant(true)}, {u"Index", Variant(int16_t{1})}})));
  EXPECT_EQ(ErrorOf([&] { u.GetOption(with_text_box); }), eeNotOptionArray);
  EXPECT_EQ(ErrorOf([&] { u.GetOption(DynamicObject{}); }), eeNotOptionArray);

  const DynamicObject box{{u"Left", Variant(int32_t{10})},
                          {u"Width", Variant(2.5f)},
                          {u"Top", Variant(int16_t{-4})},
                          {u"Height", Variant(1.25)}};
  EXPECT_EQ(u.xRight(box), 12.5f);
  EXPECT_EQ(u.yBottom(box), -2.75f);

  ScopedPlatform<ScriptedPlatform> platform;
  EXPECT_EQ(u.TranslateColor(0x00123456u), 0x123456);
  EXPECT_EQ(u.TranslateColor(0x80000005u), static_cast<int32_t>(platform->SysColor(5)));
  EXPECT_EQ(ErrorOf([&] { u.TranslateColor(0x8000001Fu); }), static_cast<int32_t>(0x80070057));
}

}  // namespace
}  // namespace vellora2
