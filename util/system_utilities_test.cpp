#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "platform/scripted_platform.hpp"
#include "util/file_test_support.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using testing::ScopedPlatform;

template <typename F>
int32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// A control whose MousePointer can be read but not set.
class ReadOnlyPointer : public Object {
 public:
  Variant GetProperty(std::u16string_view) const override { return Variant(int16_t{2}); }
};

std::shared_ptr<Object> OptionButton(bool value, int16_t index) {
  return std::make_shared<DynamicObject>(DynamicObject{{u"Value", Variant(value)}, {u"Index", Variant(index)}});
}

TEST(SystemQueries, NullCharArraysAndThePlatformsIdentity) {
  GUtility u;
  EXPECT_EQ(u.sNullChr(), std::u16string(1, u'\0'));

  EXPECT_FALSE(u.IsArrayEmpty(Variant(LongArray(0, 0))));
  EXPECT_FALSE(u.IsArrayEmpty(Variant(StringArray(5, 6))));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(LongArray())));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(StringArray(0, -1))));
  EXPECT_TRUE(u.IsArrayEmpty(Variant(int32_t{3})));
  EXPECT_TRUE(u.IsArrayEmpty(Variant()));
  VariantArray two;
  two.ReDimDims({Bound{0, 2}, Bound{0, 2}});
  EXPECT_TRUE(u.IsArrayEmpty(Variant(two)));

  ScopedPlatform<ScriptedPlatform> platform;
  platform->version = 0x00000A06;
  EXPECT_TRUE(u.HasShell());
  EXPECT_TRUE(u.IsNT());
  platform->version = 0x80000003;
  EXPECT_FALSE(u.HasShell());
  EXPECT_FALSE(u.IsNT());
  platform->module_file_name = u"/opt/dev/vb5.exe";
  EXPECT_FALSE(u.IsExe());
  platform->module_file_name = u"/opt/dev/vb5.exe.sh";
  EXPECT_TRUE(u.IsExe());
  platform->module_file_name = u"B5.EXE";
  EXPECT_TRUE(u.IsExe());

  int32_t a = 1, b = 2;
  u.SwapLongs(a, b);
  EXPECT_EQ(a * 10 + b, 12);
  EXPECT_EQ(u.GetProc(reinterpret_cast<std::uintptr_t>(&a)), reinterpret_cast<std::uintptr_t>(&a));
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
  // The tick count is signed: just below its wrap the deadline is still reachable.
  platform->tick_count = 0xFFFFFFF0u;
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
  for (int i = 0; i < 50; ++i) EXPECT_EQ(u.GetRandom(5, 5), 5);
  EXPECT_EQ(ErrorOf([&] { u.GetRandom(INT32_MIN, -1); }), rt::kOverflow);
  EXPECT_EQ(ErrorOf([&] { u.GetRandom(-1, INT32_MAX); }), rt::kOverflow);
  const int32_t wide = u.GetRandom(INT32_MIN + 2, 0);
  EXPECT_TRUE(wide >= INT32_MIN + 2 && wide <= 0) << wide;

  const Variant fixed = u.CoreRnd(-7);
  EXPECT_EQ(fixed.type(), VarType::Single);
  u.GetRandom(1, 100);
  EXPECT_EQ(u.CoreRnd(-7), fixed);
  EXPECT_NE(u.CoreRnd(-8), fixed);
  const Variant next = u.CoreRnd(1);
  EXPECT_NE(next, fixed);
  EXPECT_EQ(u.CoreRnd(), next);
  EXPECT_EQ(u.CoreRnd(0), next);

  // Equal seeds replay equal sequences, and an omitted seed is 0, not the clock.
  u.CoreRandomize(42);
  const Variant a1 = u.CoreRnd(1), a2 = u.CoreRnd(1);
  u.CoreRandomize(42);
  EXPECT_EQ(u.CoreRnd(1), a1);
  EXPECT_EQ(u.CoreRnd(1), a2);
  u.CoreRandomize();
  const Variant zero = u.CoreRnd(1);
  u.CoreRandomize(0);
  EXPECT_EQ(u.CoreRnd(1), zero);

  // Every GUtility on the thread draws from the one generator, and a new one
  // reseeds it from the clock.
  GUtility other;
  u.CoreRnd(-3);
  EXPECT_EQ(other.CoreRnd(), u.CoreRnd());
  platform->timer = 4000.25;
  const GUtility clocked1;
  const Variant c1 = u.CoreRnd(1);
  const GUtility clocked2;
  EXPECT_EQ(u.CoreRnd(1), c1);
}

TEST(HourGlass, TheToggleBelongsToTheUtilityObject) {
  GUtility u;
  DynamicObject form{{u"MousePointer", Variant(int16_t{5})}};
  u.HourGlass(form);
  EXPECT_EQ(form.GetProperty(u"MousePointer"), Variant(kPointerHourglass));
  u.HourGlass(form);
  EXPECT_EQ(form.GetProperty(u"MousePointer"), Variant(int16_t{5}));
  u.HourGlass(form);
  EXPECT_EQ(form.GetProperty(u"MousePointer"), Variant(kPointerHourglass));
  // The next call restores whatever object it is given.
  DynamicObject other{{u"MousePointer", Variant(int16_t{1})}};
  u.HourGlass(other);
  EXPECT_EQ(other.GetProperty(u"MousePointer"), Variant(int16_t{5}));

  GUtility fresh;
  DynamicObject label;  // no MousePointer
  EXPECT_EQ(ErrorOf([&] { fresh.HourGlass(label); }), eeNoMousePointer);
  // The toggle flipped anyway: this call restores (the nothing that was saved).
  fresh.HourGlass(other);
  EXPECT_EQ(other.GetProperty(u"MousePointer"), Variant(int16_t{0}));
  ReadOnlyPointer fixed;
  EXPECT_EQ(ErrorOf([&] { fresh.HourGlass(fixed); }), eeNoMousePointer);
}

TEST(Controls, OptionsPositionsAndColours) {
  GUtility u;
  Collection options;
  options.Add(Variant(OptionButton(false, 0)));
  options.Add(Variant(OptionButton(false, 1)));
  EXPECT_EQ(ErrorOf([&] { u.GetOption(options); }), eeNoTrueOption);
  options.Add(Variant(OptionButton(true, 2)));
  EXPECT_EQ(u.GetOption(options), 2);

  Collection numeric;  // True is -1: a Value of 1 is not selected
  numeric.Add(Variant(std::make_shared<DynamicObject>(
      DynamicObject{{u"Value", Variant(int32_t{1})}, {u"Index", Variant(int16_t{0})}})));
  numeric.Add(Variant(std::make_shared<DynamicObject>(
      DynamicObject{{u"Value", Variant(int32_t{-1})}, {u"Index", Variant(int16_t{1})}})));
  EXPECT_EQ(u.GetOption(numeric), 1);

  Collection with_text_box;
  with_text_box.Add(Variant(std::make_shared<DynamicObject>(DynamicObject{{u"Text", Variant(u"x")}})));
  with_text_box.Add(Variant(OptionButton(true, 1)));
  EXPECT_EQ(ErrorOf([&] { u.GetOption(with_text_box); }), eeNotOptionArray);
  Collection with_number;
  with_number.Add(Variant(int32_t{4}));
  EXPECT_EQ(ErrorOf([&] { u.GetOption(with_number); }), eeNotOptionArray);
  EXPECT_EQ(ErrorOf([&] { u.GetOption(DynamicObject{}); }), eeNotOptionArray);

  const DynamicObject box{{u"Left", Variant(int32_t{10})},
                          {u"Width", Variant(2.5f)},
                          {u"Top", Variant(int16_t{-4})},
                          {u"Height", Variant(1.25)}};
  EXPECT_EQ(u.xRight(box), 12.5f);
  EXPECT_EQ(u.yBottom(box), -2.75f);
  EXPECT_EQ(ErrorOf([&] { u.xRight(DynamicObject{{u"Left", Variant(int32_t{1})}}); }), rt::kNoSuchMember);

  ScopedPlatform<ScriptedPlatform> platform;
  EXPECT_EQ(u.TranslateColor(0x00123456u), 0x123456);
  EXPECT_EQ(u.TranslateColor(0), 0);
  EXPECT_EQ(u.TranslateColor(0x02123456u), 0x123456);
  EXPECT_EQ(u.TranslateColor(0x80000005u), static_cast<int32_t>(platform->SysColor(5)));
  constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057);
  EXPECT_EQ(ErrorOf([&] { u.TranslateColor(0x8000001Fu); }), kEInvalidArg);
  EXPECT_EQ(ErrorOf([&] { u.TranslateColor(0x01000003u); }), kEInvalidArg);
}

}  // namespace
}  // namespace vellora2
