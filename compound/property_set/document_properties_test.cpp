#include "compound/property_set/document_properties.hpp"

#include <gtest/gtest.h>

#include <map>

#include "compound/property_set/property_set_test_util.hpp"
#include "compound/test_support.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

class MapStreams : public PropertyStreams {
 public:
  std::optional<std::string> Read(std::u16string_view name) override {
    auto it = streams.find(std::u16string(name));
    if (it == streams.end()) return std::nullopt;
    return it->second;
  }
  void Write(std::u16string_view name, std::string_view bytes) override { streams[std::u16string(name)] = bytes; }

  std::map<std::u16string, std::string> streams;
};

constexpr uint64_t kMinute = DocumentProperties::kTicksPerEditUnit;
constexpr uint64_t kSecond = kMinute / 60;
constexpr uint64_t kMonday = 133000000000000000;  // some day in 2022

using testing::ErrorOf;

TEST(DocumentProperties, AStorageWithoutPropertySetsReadsAsEmpty) {
  MapStreams streams;
  DocumentProperties props;
  EXPECT_FALSE(props.ReadSummaryInfo(streams));
  EXPECT_FALSE(props.ReadDocSummaryInfo(streams));
  EXPECT_FALSE(props.ReadUserProperties(streams));
  EXPECT_EQ(props.Summary(streams).Text(pidsi::kTitle), u"");
  EXPECT_EQ(props.Time(streams, pidsi::kCreated), Date{});
  EXPECT_EQ(props.EditTime(streams), 0);
  EXPECT_EQ(props.User(streams).Count(), 0);
  EXPECT_TRUE(props.UserPropertyValue(streams, 1).IsEmpty());
  EXPECT_TRUE(streams.streams.empty());  // reading creates nothing

  props.WriteSummaryInfo(streams);
  PropertySetStream written = PropertySetStream::Parse(streams.streams.at(kSummaryInformationName));
  EXPECT_EQ(written.Find(fmtid::kSummaryInformation)->CodePage(), 1252);
  EXPECT_TRUE(props.ReadSummaryInfo(streams));
}

TEST(DocumentProperties, EachWritePublishesOnlyItsOwnSet) {
  MapStreams streams;
  DocumentProperties props;
  props.DocSummary(streams).SetText(piddsi::kCompany, u"Acme");
  props.AddUserProperty(streams, u"AppVersion", std::u16string(u"2.0"));
  props.WriteDocSummaryInfo(streams);

  DocumentProperties fresh;
  EXPECT_EQ(fresh.DocSummary(streams).Text(piddsi::kCompany), u"Acme");
  EXPECT_EQ(fresh.User(streams).Count(), 0);

  props.WriteUserProperties(streams);
  props.DocSummary(streams).SetText(piddsi::kCompany, u"Unwritten");
  props.WriteUserProperties(streams);
  fresh.Forget();
  EXPECT_EQ(fresh.DocSummary(streams).Text(piddsi::kCompany), u"Acme");
  EXPECT_EQ(fresh.User(streams).Name(0), u"AppVersion");
  EXPECT_EQ(fresh.UserPropertyValue(streams, 0), Variant(u"2.0"));

  // And the other way round: a company write keeps the stored user properties.
  fresh.AddUserProperty(streams, u"Email", std::u16string(u"unwritten"));
  fresh.DocSummary(streams).SetText(piddsi::kCompany, u"Beta");
  fresh.WriteDocSummaryInfo(streams);
  DocumentProperties third;
  EXPECT_EQ(third.DocSummary(streams).Text(piddsi::kCompany), u"Beta");
  EXPECT_EQ(third.User(streams).Count(), 1);

  // Forget drops what was never written.
  props.Forget();
  EXPECT_EQ(props.DocSummary(streams).Text(piddsi::kCompany), u"Beta");
}

TEST(DocumentProperties, EditClockCountsMinutesAcrossSaves) {
  MapStreams streams;
  DocumentProperties props;
  props.StopEditClock(streams, kMonday);  // never started: nothing
  EXPECT_EQ(props.EditTime(streams), 0);

  props.StartEditClock(kMonday);
  props.StopEditClock(streams, kMonday + 90 * kSecond);
  EXPECT_EQ(props.EditTime(streams), 1);
  props.StopEditClock(streams, kMonday + 150 * kSecond);  // counts on from the last stop
  EXPECT_EQ(props.EditTime(streams), 2);
  EXPECT_EQ(props.Summary(streams).Time(pidsi::kEditTime), FileTime{150 * kSecond});

  props.StopEditClock(streams, kMonday);  // the clock went back
  EXPECT_EQ(props.EditTime(streams), 2);

  props.SetEditTime(streams, 0);
  props.StartEditClock(kMonday + 1000 * kMinute);
  props.StopEditClock(streams, kMonday + 1003 * kMinute);
  EXPECT_EQ(props.EditTime(streams), 3);
  EXPECT_EQ(ErrorOf([&] { props.SetEditTime(streams, -1); }), rt::kInvalidCall);

  props.Summary(streams).SetTime(pidsi::kEditTime, FileTime{~uint64_t{0}});
  EXPECT_EQ(props.EditTime(streams), std::numeric_limits<int32_t>::max());
}

TEST(DocumentProperties, StampsAndRevision) {
  MapStreams streams;
  DocumentProperties props;
  props.StampCreated(streams, kMonday);
  props.StampSaved(streams, kMonday + kMinute);
  EXPECT_EQ(props.Summary(streams).Time(pidsi::kCreated), FileTime{kMonday});
  EXPECT_EQ(props.Time(streams, pidsi::kLastSaved), DateFromFileTime(kMonday + kMinute));

  props.SetTime(streams, pidsi::kLastPrinted, Date{});
  EXPECT_EQ(props.Summary(streams).Time(pidsi::kLastPrinted), FileTime{});
  props.SetTime(streams, pidsi::kLastPrinted, Date{45000.5});
  EXPECT_EQ(props.Time(streams, pidsi::kLastPrinted), Date{45000.5});

  const std::vector<std::pair<std::u16string, std::u16string>> revisions = {
      {u"", u"1"}, {u"1", u"2"}, {u"9", u"10"}, {u"007", u"008"}, {u"1.5", u"1"}, {u"x", u"1"}};
  for (const auto& [before, after] : revisions) {
    props.Summary(streams).SetText(pidsi::kRevisionNumber, before);
    props.AdvanceRevision(streams);
    EXPECT_EQ(props.Summary(streams).Text(pidsi::kRevisionNumber), after);
  }
}

TEST(DocumentProperties, UserPropertyValuesKeepTheirSubtype) {
  MapStreams streams;
  DocumentProperties props;
  props.AddUserProperty(streams, u"Text", u"abc");
  props.AddUserProperty(streams, u"Long", int32_t{-5});
  props.AddUserProperty(streams, u"Double", 1.25);
  props.AddUserProperty(streams, u"Bool", true);
  props.AddUserProperty(streams, u"Date", Date{45000.25});
  props.AddUserProperty(streams, u"Integer", int16_t{7});
  props.AddUserProperty(streams, u"Empty", Variant());
  EXPECT_EQ(ErrorOf([&] { props.AddUserProperty(streams, u"Bad", ErrorValue{5}); }), rt::kTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { props.AddUserProperty(streams, u"Bad", StringArray(0, 1)); }), rt::kTypeMismatch);
  props.WriteUserProperties(streams);

  DocumentProperties reread;
  ASSERT_EQ(reread.User(streams).Count(), 7);
  EXPECT_EQ(reread.UserPropertyValue(streams, 0), Variant(u"abc"));
  EXPECT_EQ(reread.UserPropertyValue(streams, 1), Variant(int32_t{-5}));
  EXPECT_EQ(reread.UserPropertyValue(streams, 2), Variant(1.25));
  EXPECT_EQ(reread.UserPropertyValue(streams, 3), Variant(true));
  EXPECT_EQ(reread.UserPropertyValue(streams, 4).type(), VarType::Date);
  EXPECT_NEAR(reread.UserPropertyValue(streams, 4).ToDate().value, 45000.25, 1e-9);
  EXPECT_EQ(reread.UserPropertyValue(streams, 5), Variant(int32_t{7}));
  EXPECT_EQ(reread.UserPropertyValue(streams, 6), Variant(u""));
}

TEST(DocumentProperties, ADamagedSetFailsOnEveryUseUntilReplaced) {
  MapStreams streams;
  streams.streams[kSummaryInformationName] = test::Bytes().U16(0xFFFE).U16(0).U32(1).str();
  DocumentProperties props;
  EXPECT_EQ(ErrorOf([&] { props.ReadSummaryInfo(streams); }), STG_E_DOCFILECORRUPT);
  EXPECT_EQ(ErrorOf([&] { props.EditTime(streams); }), STG_E_DOCFILECORRUPT);
  streams.streams.erase(kSummaryInformationName);
  EXPECT_EQ(props.EditTime(streams), 0);
}

}  // namespace
}  // namespace vellora2::compound
