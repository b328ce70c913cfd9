#include "vellora2/compound/clock.hpp"

#include <gtest/gtest.h>

#include "compound/memory_file.hpp"
#include "vellora2/automation/date.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2::compound {
namespace {

class FixedClock : public Clock {
 public:
  explicit FixedClock(uint64_t now) : now_(now) {}
  uint64_t Now() const override { return now_; }

 private:
  uint64_t now_;
};

TEST(Clock, ScopesReplaceTheClockOfThisThreadAndRestoreIt) {
  const FixedClock one(1), two(2);
  EXPECT_GT(CurrentClock().Now(), 130000000000000000u);  // the system clock: after 2012
  {
    ScopedClock outer(one);
    EXPECT_EQ(CurrentClock().Now(), 1u);
    {
      ScopedClock inner(two);
      EXPECT_EQ(CurrentClock().Now(), 2u);
    }
    EXPECT_EQ(CurrentClock().Now(), 1u);
  }
  EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(Clock, ElementTimesComeFromTheClockOfThisThread) {
  // Times of storages, as stamps of property sets, replay in tests.
  const uint64_t created = FileTimeFromDate(*DateFromParts({2009, 3, 5, 17, 34, 0}));
  const uint64_t changed = FileTimeFromDate(*DateFromParts({2011, 7, 1, 8, 0, 0}));
  const FixedClock at_creation(created), later(changed);
  StorageEngine engine(std::make_shared<MemoryFileSystem>());
  constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  ScopedClock scope(at_creation);
  auto root = engine.CreateStorageFile(u"t.qxv", kRW | STGM_CREATE);
  auto sub = root.CreateStorage(u"Sub", kRW);
  EXPECT_EQ(FileTimeFromDate(root.ModifiedTime()), created);
  EXPECT_EQ(FileTimeFromDate(sub.CreationTime()), created);
  ScopedClock then(later);
  sub.CreateStream(u"s", kRW);
  EXPECT_EQ(FileTimeFromDate(sub.CreationTime()), created);
  EXPECT_EQ(FileTimeFromDate(sub.ModifiedTime()), changed);
}

TEST(Clock, ARootsTimesAreThoseOfItsFileNotOfItsPendingChanges) {
  const uint64_t made = FileTimeFromDate(*DateFromParts({2009, 3, 5, 17, 34, 0}));
  const uint64_t open = FileTimeFromDate(*DateFromParts({2010, 1, 1, 9, 0, 0}));
  const uint64_t saved = FileTimeFromDate(*DateFromParts({2011, 7, 1, 8, 0, 0}));
  const FixedClock created(made), opened(open), committed(saved);
  StorageEngine engine(std::make_shared<MemoryFileSystem>());
  constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
  constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
  {
    ScopedClock scope(created);
    engine.CreateStorageFile(u"t.qxv", kRoot | STGM_CREATE).Commit();
  }
  ScopedClock at_open(opened);
  auto root = engine.OpenStorageFile(u"t.qxv", kRoot);
  root.CreateStorage(u"Sub", kRW);
  EXPECT_EQ(FileTimeFromDate(root.CreationTime()), made);
  EXPECT_EQ(FileTimeFromDate(root.ModifiedTime()), made);
  EXPECT_EQ(FileTimeFromDate(root.AccessTime()), open);
  ScopedClock at_commit(committed);
  root.Commit();
  EXPECT_EQ(FileTimeFromDate(root.CreationTime()), made);
  EXPECT_EQ(FileTimeFromDate(root.ModifiedTime()), saved);
  // A storage inside keeps its entry's times, and has no access time.
  auto sub = root.OpenStorage(u"Sub", kRW);
  EXPECT_EQ(FileTimeFromDate(sub.CreationTime()), open);
  EXPECT_EQ(FileTimeFromDate(sub.AccessTime()), open);
}

}  // namespace
}  // namespace vellora2::compound
