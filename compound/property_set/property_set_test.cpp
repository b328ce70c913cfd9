#include "compound/property_set/property_set.hpp"

#include <gtest/gtest.h>

#include <random>

#include "compound/property_set/property_set_test_util.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

using test::Bytes;
using test::Lpstr;
using test::Lpwstr;
using test::MakeSection;
using test::MakeStream;
using test::TypedU32;

// The STG_E number parsing `bytes` fails with, or 0.
int32_t ParseError(std::string_view bytes) {
  try {
    PropertySetStream::Parse(bytes);
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// A summary set as another program might write it: the values stored in the
// opposite order of the table, a value type we do not know (a clipboard
// thumbnail), a UTF-16 subject and a gap of junk after the author.
std::string ForeignSummary() {
  std::string thumbnail = Bytes().U32(0x47).U32(8).U32(0xFFFFFFFF).U32(0x12345678).str();
  std::string author = Lpstr("Ann") + "JUNK";
  return MakeStream({{fmtid::kSummaryInformation,
                      MakeSection({{1, Bytes().U32(2).U32(1252).str()},
                                   {2, Lpstr("Old title")},
                                   {3, Lpwstr(u"\u65E5\u672C")},
                                   {4, author},
                                   {17, thumbnail},
                                   {12, Bytes().U32(0x40).U32(0x89ABCDEF).U32(0x01D00000).str()}},
                                  /*reverse_values=*/true)}});
}

TEST(PropertySet, ReadsWhatAnotherProgramWrote) {
  PropertySetStream stream = PropertySetStream::Parse(ForeignSummary());
  const PropertySection* s = stream.Find(fmtid::kSummaryInformation);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->CodePage(), 1252);
  EXPECT_EQ(s->Value(2), PropertyValue(std::u16string(u"Old title")));
  EXPECT_EQ(s->Value(3), PropertyValue(std::u16string(u"\u65E5\u672C")));
  EXPECT_EQ(s->Value(4), PropertyValue(std::u16string(u"Ann")));
  EXPECT_EQ(s->Value(12), PropertyValue(FileTime{0x01D0000089ABCDEFull}));
  EXPECT_EQ(s->Value(17), PropertyValue());  // kept as bytes only
  EXPECT_EQ(s->Value(99), PropertyValue());
}

TEST(PropertySet, ChangingOnePropertyKeepsEveryOtherByteForByteInOrder) {
  const std::string original = ForeignSummary();
  PropertySetStream before = PropertySetStream::Parse(original);
  PropertySetStream after = PropertySetStream::Parse(original);
  after.Find(fmtid::kSummaryInformation)->Set(2, std::u16string(u"New title"));
  after.Find(fmtid::kSummaryInformation)->Set(5, std::u16string(u"added"));

  PropertySetStream reread = PropertySetStream::Parse(after.Serialize());
  const auto& old_props = before.sections()[0].properties();
  const auto& new_props = reread.sections()[0].properties();
  ASSERT_EQ(new_props.size(), old_props.size() + 1);
  for (size_t i = 0; i < old_props.size(); ++i) {
    EXPECT_EQ(new_props[i].id, old_props[i].id);
    if (old_props[i].id != 2) {
      EXPECT_EQ(new_props[i].bytes, old_props[i].bytes) << "property " << old_props[i].id;
    }
  }
  EXPECT_EQ(new_props.back().id, 5u);
  EXPECT_EQ(reread.sections()[0].Value(2), PropertyValue(std::u16string(u"New title")));
  // The junk after the author travels with it.
  EXPECT_NE(after.Serialize().find(Lpstr("Ann") + "JUNK"), std::string::npos);
}

TEST(PropertySet, WritesTheLayoutReadersExpect) {
  PropertySetStream stream;
  PropertySection& s = stream.FindOrAdd(fmtid::kSummaryInformation, 0);
  s.Set(2, std::u16string(u"Caf\u00E9 \u20AC"));  // both in Windows-1252
  s.Set(3, std::u16string(u"\u65E5"));             // not in Windows-1252
  s.Set(14, int32_t{-7});
  s.Set(10, FileTime{600000000});
  s.Set(20, true);
  s.Set(21, 2.5);
  const std::string b = stream.Serialize();

  ASSERT_EQ(b.size() % 4, 0u);
  EXPECT_EQ(b.substr(0, 4), Bytes().U16(0xFFFE).U16(0).str());
  EXPECT_EQ(b.substr(24, 20), Bytes().U32(1).str() + std::string(fmtid::kSummaryInformation.bytes.begin(),
                                                                   fmtid::kSummaryInformation.bytes.end()));
  EXPECT_EQ(b.substr(44, 4), Bytes().U32(48).str());
  // Code page first, then the values at 4-byte boundaries.
  const std::string section = b.substr(48);
  EXPECT_EQ(section.substr(8, 4), Bytes().U32(1).str());
  EXPECT_NE(section.find(TypedU32(2, 1252)), std::string::npos);
  EXPECT_NE(section.find(Bytes().U32(0x1E).U32(7).str() + "Caf\xE9 \x80" + std::string(1, '\0')), std::string::npos);
  EXPECT_NE(section.find(Lpwstr(u"\u65E5")), std::string::npos);
  EXPECT_NE(section.find(Bytes().U32(0x40).U32(600000000).U32(0).str()), std::string::npos);
  EXPECT_NE(section.find(TypedU32(0x0B, 0xFFFF)), std::string::npos);

  PropertySection reread = PropertySetStream::Parse(b).sections()[0];
  for (uint32_t id : {2u, 3u, 14u, 10u, 20u, 21u}) EXPECT_EQ(reread.Value(id), s.Value(id)) << id;
  EXPECT_EQ(reread.Value(14), PropertyValue(int32_t{-7}));

  // A foreign section without a code page says 1252 once we write text into it.
  PropertySetStream bare = PropertySetStream::Parse(MakeStream({{fmtid::kSummaryInformation, MakeSection({})}}));
  bare.Find(fmtid::kSummaryInformation)->Set(2, std::u16string(u"x"));
  EXPECT_EQ(bare.sections()[0].properties()[0].bytes, TypedU32(2, 1252));
}

TEST(PropertySet, UnicodeSectionsStoreStringsAndNamesAsUtf16) {
  std::string dictionary = Bytes().U32(1).U32(2).U32(3).U16(u'N').U16(u'm').U16(0).U16(0).str();
  std::string utf16_lpstr = Bytes().U32(0x1E).U32(6).U16(u'\u00E9').U16(u'\u4E00').U16(0).U16(0).str();
  std::string bytes = MakeStream({{fmtid::kUserDefinedProperties,
                                   MakeSection({{0, dictionary}, {1, TypedU32(2, 1200)}, {2, utf16_lpstr}})}});
  PropertySetStream stream = PropertySetStream::Parse(bytes);
  PropertySection& s = *stream.Find(fmtid::kUserDefinedProperties);
  EXPECT_EQ(s.Name(2), u"Nm");
  EXPECT_EQ(s.Value(2), PropertyValue(std::u16string(u"\u00E9\u4E00")));

  s.SetName(3, u"Second");
  s.Set(3, std::u16string(u"\u4E8C"));
  PropertySection reread = PropertySetStream::Parse(stream.Serialize()).sections()[0];
  EXPECT_EQ(reread.Name(2), u"Nm");
  EXPECT_EQ(reread.Name(3), u"Second");
  EXPECT_EQ(reread.Value(3), PropertyValue(std::u16string(u"\u4E8C")));
  EXPECT_NE(reread.Find(3)->bytes.find(Bytes().U32(0x1E).U32(4).U16(u'\u4E8C').U16(0).str()), std::string::npos);
}

TEST(PropertySet, RefusesDamagedStreams) {
  const std::string good = ForeignSummary();
  const size_t section = 48;
  auto with = [&](size_t at, const std::string& patch) { return std::string(good).replace(at, patch.size(), patch); };
  const std::string no_terminator = MakeStream(
      {{fmtid::kSummaryInformation, MakeSection({{2, Bytes().U32(0x1E).U32(4).str() + "abcd"}})}});

  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"byte order", with(0, Bytes().U16(0xFEFF).str())},
      {"version", with(2, Bytes().U16(7).str())},
      {"section count", with(24, Bytes().U32(0x7FFFFFFF).str())},
      {"section offset", with(44, Bytes().U32(100000).str())},
      {"section offset inside the header", with(44, Bytes().U32(8).str())},
      {"section size", with(section, Bytes().U32(0xFFFFFFF0).str())},
      {"property count", with(section + 4, Bytes().U32(0x10000000).str())},
      {"property offset", with(section + 12, Bytes().U32(0xFFFFFFFF).str())},
      {"property offset inside the table", with(section + 12, Bytes().U32(8).str())},
      {"two properties at one offset", with(section + 20, good.substr(section + 12, 4))},
      {"string length", with(good.find(Lpstr("Old title")) + 4, Bytes().U32(0x7FFFFFF0).str())},
      {"string without terminator", no_terminator},
      {"overlapping sections",
       MakeStream({{fmtid::kSummaryInformation, MakeSection({})}, {fmtid::kDocSummaryInformation, MakeSection({})}})
           .replace(64, 4, Bytes().U32(68).str())},
  };
  for (const auto& [name, bytes] : cases) EXPECT_EQ(ParseError(bytes), STG_E_DOCFILECORRUPT) << name;

  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_EQ(ParseError(good.substr(0, length)), STG_E_DOCFILECORRUPT) << "truncated to " << length;
  }
}

TEST(PropertySet, RandomDamageNeverEscapesAsAnythingButTheCorruptError) {
  const std::string good = ForeignSummary();
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    const int32_t error = ParseError(bytes);
    EXPECT_TRUE(error == 0 || error == STG_E_DOCFILECORRUPT) << "round " << round;
  }
}

}  // namespace
}  // namespace vellora2::compound
