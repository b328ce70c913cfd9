#include "vellora2/util/enumerator.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

// Walks a list; raises `failure` when it reaches item `failAt` (0-based), and
// from Reset and Skip when `failSkipAndReset` is set.
class ListWalker : public IVariantWalker {
 public:
  explicit ListWalker(std::vector<Variant> items, size_t failAt = SIZE_MAX, int32_t failure = 0)
      : items_(std::move(items)), failAt_(failAt), failure_(failure) {}

  bool More(Variant& v) override {
    if (next_ == failAt_) Raise(failure_);
    if (next_ >= items_.size()) return false;
    v = items_[next_++];
    return true;
  }
  void Reset() override {
    if (failSkipAndReset) Raise(rt::kInvalidCall);
    next_ = 0;
  }
  void Skip(int32_t c) override {
    if (failSkipAndReset) Raise(rt::kInvalidCall);
    next_ += static_cast<size_t>(c);
  }

  bool failSkipAndReset = false;

 private:
  std::vector<Variant> items_;
  size_t next_ = 0;
  size_t failAt_;
  int32_t failure_;
};

TEST(Enumerator, NextFetchesFullPartialAndNone) {
  CEnumVariant e(std::make_shared<ListWalker>(std::vector<Variant>{int32_t{1}, u"two", 3.0}));
  std::vector<Variant> slots(2);
  int32_t fetched = -1;
  EXPECT_EQ(e.Next(2, slots, &fetched), kResultOk);
  EXPECT_EQ(fetched, 2);
  EXPECT_EQ(slots[0], Variant(int32_t{1}));
  EXPECT_EQ(slots[1], Variant(u"two"));
  EXPECT_EQ(e.Next(2, slots, &fetched), kResultOk);
  EXPECT_EQ(fetched, 1);
  EXPECT_EQ(slots[0], Variant(3.0));
  EXPECT_EQ(e.Next(2, slots, &fetched), kResultFalse);
  EXPECT_EQ(fetched, 0);

  EXPECT_EQ(e.Next(3, slots, &fetched), kResultInvalidArg);  // more than the slots
  EXPECT_EQ(fetched, 0);
}

TEST(Enumerator, WalkerErrorsBecomeResultCodes) {
  CEnumVariant e(std::make_shared<ListWalker>(std::vector<Variant>{u"a", u"b", u"c"}, 1, rt::kInvalidCall));
  std::vector<Variant> slots(3);
  int32_t fetched = -1;
  EXPECT_EQ(e.Next(3, slots, &fetched), static_cast<int32_t>(0x800A0005));
  EXPECT_EQ(fetched, 0);
  for (const Variant& slot : slots) EXPECT_TRUE(slot.IsEmpty());

  auto walker = std::make_shared<ListWalker>(std::vector<Variant>{u"a", u"b", u"c"});
  CEnumVariant skipping(walker);
  EXPECT_EQ(skipping.Skip(2), kResultOk);
  EXPECT_EQ(skipping.Next(1, slots, &fetched), kResultOk);
  EXPECT_EQ(slots[0], Variant(u"c"));
  walker->failSkipAndReset = true;
  EXPECT_EQ(skipping.Skip(1), static_cast<int32_t>(0x800A0005));
  EXPECT_THROW(skipping.Reset(), AutomationError);

  CEnumVariant unattached;
  EXPECT_EQ(unattached.Next(1, slots, &fetched), ErrorToResult(rt::kObjectNotSet));
  EXPECT_THROW(unattached.Reset(), AutomationError);

  EXPECT_EQ(ErrorToResult(1), 1);
  EXPECT_EQ(ErrorToResult(53), static_cast<int32_t>(0x800A0035));
  EXPECT_EQ(ErrorToResult(static_cast<int32_t>(0x80030002)), static_cast<int32_t>(0x80030002));

  std::shared_ptr<CEnumVariant> clone = std::make_shared<CEnumVariant>();
  EXPECT_EQ(e.Clone(clone), kResultOk);
  EXPECT_EQ(clone, nullptr);
}

TEST(Enumerator, WalksAsARangeFromTheCurrentPosition) {
  auto walker = std::make_shared<ListWalker>(std::vector<Variant>{int32_t{1}, int32_t{2}, int32_t{3}});
  CEnumVariant e;
  e.Attach(walker);
  EXPECT_EQ(e.Skip(1), kResultOk);
  std::vector<Variant> seen;
  for (const Variant& v : e) seen.push_back(v);
  EXPECT_EQ(seen, (std::vector<Variant>{int32_t{2}, int32_t{3}}));

  e.Reset();
  seen.clear();
  for (const Variant& v : e) seen.push_back(v);
  EXPECT_EQ(seen.size(), 3u);

  CEnumVariant failing(std::make_shared<ListWalker>(std::vector<Variant>{int32_t{1}, int32_t{2}}, 1, 57));
  auto it = failing.begin();
  EXPECT_EQ(*it, Variant(int32_t{1}));
  EXPECT_THROW(++it, AutomationError);

  CEnumVariant nothing(std::make_shared<IVariantWalker>());
  EXPECT_TRUE(nothing.begin() == nothing.end());
}

}  // namespace
}  // namespace vellora2
