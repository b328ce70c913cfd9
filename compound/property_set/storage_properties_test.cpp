#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "compound/property_set/property_set.hpp"
#include "compound/property_set/property_set_format.hpp"
#include "compound/test_support.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/clock.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::ReadAll;

constexpr int32_t kTransactedRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr uint64_t kMinute = 600000000;
constexpr uint64_t kStart = 133500000000000000;  // a day in 2024

class SteppingClock : public Clock {
 public:
  uint64_t Now() const override { return now; }
  uint64_t now = kStart;
};

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

class StoragePropertiesTest : public ::testing::Test {
 protected:
  std::shared_ptr<MemoryFileSystem> fs_ = std::make_shared<MemoryFileSystem>();
  StorageEngine engine_{fs_};
  SteppingClock clock_;
  ScopedClock scoped_clock_{clock_};
};

TEST_F(StoragePropertiesTest, WritesFollowTheTransactionOfTheStorage) {
  {
    Storage root = engine_.CreateStorageFile(u"p.cfb", kTransactedRoot | STGM_CREATE);
    EXPECT_FALSE(root.ReadSummaryInfo());
    EXPECT_EQ(root.Title(), u"");
    EXPECT_EQ(root.ElementType(kSummaryInformationName), 0);  // reading created nothing
    root.Title(u"Committed");
    root.AddUserProperty(u"AppVersion", u"2.0");
    root.WriteSummaryInfo();
    root.WriteUserProperties();
    root.Commit();

    root.Title(u"Reverted");
    root.Company(u"Reverted Inc");
    root.WriteSummaryInfo();
    root.WriteDocSummaryInfo();
    root.Revert();
    EXPECT_EQ(root.Title(), u"Committed");
    EXPECT_EQ(root.Company(), u"");
  }
  Storage again = engine_.OpenStorageFile(u"p.cfb", STGM_READ | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED);
  EXPECT_TRUE(again.ReadSummaryInfo());
  EXPECT_EQ(again.Title(), u"Committed");
  ASSERT_EQ(again.UserPropertyCount(), 1);
  EXPECT_EQ(again.UserPropertyName(0), u"AppVersion");
  EXPECT_EQ(again.UserPropertyValue(0), Variant(u"2.0"));

  // The stream on disk is the published format, code page 1252 first.
  Stream stream = again.OpenStream(kSummaryInformationName, STGM_READ | STGM_SHARE_EXCLUSIVE);
  std::vector<std::byte> raw = ReadAll(stream);
  PropertySetStream set = PropertySetStream::Parse({reinterpret_cast<const char*>(raw.data()), raw.size()});
  EXPECT_EQ(set.Find(fmtid::kSummaryInformation)->CodePage(), 1252);
}

TEST_F(StoragePropertiesTest, StampsAndEditClockReadTheReplaceableClock) {
  Storage root = engine_.CreateStorageFile(u"c.cfb", kTransactedRoot | STGM_CREATE);
  root.StampCreated();
  root.EditTime(0);
  root.StartEditClock();
  clock_.now += 7 * kMinute + uint64_t{59} * 10000000;  // 7 min 59 s
  root.StopEditClock();
  root.StampSaved();
  root.AdvanceRevision();
  EXPECT_EQ(root.EditTime(), 7);
  EXPECT_EQ(root.Created(), DateFromFileTime(kStart));
  EXPECT_EQ(root.LastSaved(), DateFromFileTime(clock_.now));
  EXPECT_EQ(root.LastPrinted(), Date{});
  EXPECT_EQ(root.RevisionNumber(), u"1");

  clock_.now += 2 * kMinute + 10000000;  // the second save adds the time since the first,
  root.StopEditClock();                    // and the 59 seconds kept from before
  EXPECT_EQ(root.EditTime(), 10);
}

TEST_F(StoragePropertiesTest, ConvertTimeShowsLocalTimeAndKeepsNeverEmpty) {
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(PartsFromDate(engine_.ConvertTime(*DateFromParts({2024, 1, 15, 12, 0, 0}))).hour, 13);
  EXPECT_EQ(PartsFromDate(engine_.ConvertTime(*DateFromParts({2024, 7, 15, 12, 0, 0}))).hour, 14);
  EXPECT_EQ(engine_.ConvertTime(Date{}), Date{});
}

TEST_F(StoragePropertiesTest, PropertyOperationsNeedAStorage) {
  Storage nothing;
  EXPECT_EQ(ErrorOf([&] { nothing.Title(); }), rt::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { nothing.WriteUserProperties(); }), rt::kObjectNotSet);
}

}  // namespace
}  // namespace vellora2::compound
