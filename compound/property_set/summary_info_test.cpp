#include "compound/property_set/summary_info.hpp"

#include <gtest/gtest.h>

#include "compound/property_set/property_set_test_util.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2::compound {
namespace {

using test::Bytes;
using test::Lpstr;
using test::Lpwstr;
using test::MakeSection;
using test::MakeStream;
using test::TypedU32;

// A document summary stream laid out as office suites write it: heading pairs
// (a vector of variants), the company, a blob, and a user-defined section whose
// dictionary names a UTF-16 text and a number, plus an unnamed property.
std::string ForeignDocSummary() {
  std::string heading_pairs =
      Bytes().U32(0x100C).U32(2).Raw(Lpstr("Title")).Raw(TypedU32(3, 1)).str();
  std::string blob = Bytes().U32(0x41).U32(3).Raw("\xAA\xBB\xCC").str();
  std::string dictionary = Bytes().U32(2).U32(2).U32(6).Raw({"Email\0", 6}).U32(3).U32(8).Raw({"Version\0", 8}).str();
  return MakeStream({{fmtid::kDocSummaryInformation,
                      MakeSection({{1, TypedU32(2, 1252)}, {15, Lpstr("Acme")}, {12, heading_pairs}, {0x1A, blob}})},
                     {fmtid::kUserDefinedProperties,
                      MakeSection({{0, dictionary},
                                   {1, TypedU32(2, 1252)},
                                   {2, Lpwstr(u"a@b.example")},
                                   {3, TypedU32(3, 7)},
                                   {4, TypedU32(3, 42)}})}});
}

TEST(SummaryInfo, ReadsAndChangesAForeignDocumentSummaryKeepingTheRest) {
  const std::string original = ForeignDocSummary();
  SummarySet doc = SummarySet::Parse(fmtid::kDocSummaryInformation, original);
  UserProperties user(PropertySetStream::Parse(original));
  EXPECT_EQ(doc.Text(piddsi::kCompany), u"Acme");
  ASSERT_EQ(user.Count(), 2);  // the unnamed property 4 is not one of them
  EXPECT_EQ(user.Name(0), u"Email");
  EXPECT_EQ(user.Value(0), PropertyValue(std::u16string(u"a@b.example")));
  EXPECT_EQ(user.Name(1), u"Version");
  EXPECT_EQ(user.Value(1), PropertyValue(int32_t{7}));

  doc.SetText(piddsi::kCompany, u"Other");
  EXPECT_EQ(user.Add(u"Phone", std::u16string(u"555")), 2);
  const std::string written = WithUserSection(doc.stream(), user.section()).Serialize();

  PropertySetStream before = PropertySetStream::Parse(original);
  PropertySetStream after = PropertySetStream::Parse(written);
  ASSERT_EQ(after.sections().size(), 2u);
  EXPECT_EQ(after.sections()[0].fmtid(), fmtid::kDocSummaryInformation);
  for (size_t s = 0; s < 2; ++s) {
    const auto& old_props = before.sections()[s].properties();
    const auto& new_props = after.sections()[s].properties();
    for (size_t i = 0; i < old_props.size(); ++i) {
      ASSERT_EQ(new_props[i].id, old_props[i].id);
      if (old_props[i].id != piddsi::kCompany && !(s == 1 && old_props[i].id == pid::kDictionary)) {
        EXPECT_EQ(new_props[i].bytes, old_props[i].bytes) << "section " << s << " property " << old_props[i].id;
      }
    }
  }
  EXPECT_EQ(SummarySet::Parse(fmtid::kDocSummaryInformation, written).Text(piddsi::kCompany), u"Other");
  UserProperties reread(after);
  ASSERT_EQ(reread.Count(), 3);
  EXPECT_EQ(reread.Name(2), u"Phone");
  EXPECT_EQ(reread.Value(2), PropertyValue(std::u16string(u"555")));
  EXPECT_NE(reread.section().Find(4), nullptr);
}

TEST(SummaryInfo, SummaryFieldsRoundTripAndDefaultWhenMissing) {
  SummarySet set(fmtid::kSummaryInformation);
  EXPECT_EQ(set.Text(pidsi::kTitle), u"");
  EXPECT_EQ(set.Time(pidsi::kCreated), FileTime{});
  EXPECT_EQ(set.Number(pidsi::kPageCount), 0);
  ASSERT_EQ(set.stream().sections().size(), 1u);
  EXPECT_EQ(set.stream().sections()[0].fmtid(), fmtid::kSummaryInformation);

  set.SetText(pidsi::kTitle, u"Report");
  set.SetText(pidsi::kAuthor, u"Zo\u00EB");
  set.SetText(pidsi::kRevisionNumber, u"3");
  set.SetTime(pidsi::kCreated, FileTime{132000000000000000});
  set.SetTime(pidsi::kEditTime, FileTime{36000000000});
  set.SetNumber(pidsi::kWordCount, 1234);
  SummarySet reread = SummarySet::Parse(fmtid::kSummaryInformation, set.stream().Serialize());
  EXPECT_EQ(reread.Text(pidsi::kTitle), u"Report");
  EXPECT_EQ(reread.Text(pidsi::kAuthor), u"Zo\u00EB");
  EXPECT_EQ(reread.Text(pidsi::kRevisionNumber), u"3");
  EXPECT_EQ(reread.Time(pidsi::kCreated), FileTime{132000000000000000});
  EXPECT_EQ(reread.Time(pidsi::kEditTime), FileTime{36000000000});
  EXPECT_EQ(reread.Number(pidsi::kWordCount), 1234);
  EXPECT_EQ(reread.Text(pidsi::kSubject), u"");

  // A stored value set again to what it holds keeps its bytes (here: UTF-16 text
  // that we would otherwise write in the code page).
  std::string foreign = MakeStream({{fmtid::kSummaryInformation, MakeSection({{2, Lpwstr(u"Same")}})}});
  SummarySet same = SummarySet::Parse(fmtid::kSummaryInformation, foreign);
  same.SetText(pidsi::kTitle, u"Same");
  EXPECT_EQ(same.stream().Serialize(), foreign);
}

TEST(SummaryInfo, UserPropertiesByPosition) {
  UserProperties user;
  EXPECT_EQ(user.Count(), 0);
  EXPECT_EQ(user.Add(u"AppVersion", std::u16string(u"2.0")), 0);
  EXPECT_EQ(user.Add(u"Email", std::u16string()), 1);
  EXPECT_EQ(user.Add(u"Count", int32_t{5}), 2);
  EXPECT_EQ(user.Add(u"Ratio", 0.5), 3);
  EXPECT_EQ(user.Add(u"Flag", true), 4);

  // An existing name, in any case, is replaced where it stands.
  EXPECT_EQ(user.Add(u"APPVERSION", std::u16string(u"2.1")), 0);
  EXPECT_EQ(user.Count(), 5);
  EXPECT_EQ(user.Name(0), u"APPVERSION");
  EXPECT_EQ(user.Value(0), PropertyValue(std::u16string(u"2.1")));

  user.Set(1, u"Mail", std::u16string(u"x@y"));
  EXPECT_EQ(user.Name(1), u"Mail");
  EXPECT_EQ(user.Value(1), PropertyValue(std::u16string(u"x@y")));
  EXPECT_EQ(user.Name(5), u"");
  EXPECT_EQ(user.Value(-1), PropertyValue());
  for (int32_t bad : {-1, 5}) {
    try {
      user.Set(bad, u"X", int32_t{1});
      ADD_FAILURE() << "Set(" << bad << ") did not fail";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), rt::kSubscriptOutOfRange);
    }
  }

  UserProperties reread(WithUserSection(PropertySetStream(), user.section()));
  ASSERT_EQ(reread.Count(), 5);
  EXPECT_EQ(reread.Value(2), PropertyValue(int32_t{5}));
  EXPECT_EQ(reread.Value(3), PropertyValue(0.5));
  EXPECT_EQ(reread.Value(4), PropertyValue(true));
  EXPECT_EQ(reread.Name(4), u"Flag");
}

TEST(SummaryInfo, NewUserPropertiesTakeUnusedIdentifiers) {
  UserProperties user(PropertySetStream::Parse(ForeignDocSummary()));  // uses 2, 3 and unnamed 4
  user.Add(u"New", int32_t{1});
  std::vector<uint32_t> ids;
  for (const Property& p : user.section().properties()) ids.push_back(p.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(user.section().Value(4), PropertyValue(int32_t{42}));
}

TEST(SummaryInfo, DocumentSummaryStreamKeepsItsSectionOrder) {
  UserProperties user;
  user.Add(u"A", int32_t{1});
  PropertySetStream only_user = WithUserSection(PropertySetStream(), user.section());
  ASSERT_EQ(only_user.sections().size(), 2u);
  EXPECT_EQ(only_user.sections()[0].fmtid(), fmtid::kDocSummaryInformation);
  EXPECT_EQ(only_user.sections()[1].fmtid(), fmtid::kUserDefinedProperties);

  PropertySetStream without = WithUserSection(PropertySetStream::Parse(ForeignDocSummary()), std::nullopt);
  ASSERT_EQ(without.sections().size(), 1u);
  EXPECT_EQ(without.sections()[0].fmtid(), fmtid::kDocSummaryInformation);
}

}  // namespace
}  // namespace vellora2::compound
