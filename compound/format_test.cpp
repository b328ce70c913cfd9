#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "compound/directory.hpp"
#include "compound/header.hpp"
#include "compound/name.hpp"
#include "compound/test_support.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;

TEST(Names, CompareByLengthThenUpperCase) {
  EXPECT_LT(CompareNames(u"Z", u"aa"), 0);  // shorter first, whatever the letters
  EXPECT_EQ(CompareNames(u"abc", u"ABC"), 0);
  EXPECT_EQ(CompareNames(u"\u00e9t\u00e9", u"\u00c9T\u00c9"), 0);
  EXPECT_EQ(CompareNames(u"\u0436", u"\u0416"), 0);  // Cyrillic
  EXPECT_EQ(CompareNames(u"\u03c3", u"\u03a3"), 0);  // Greek
  EXPECT_LT(CompareNames(u"a", u"b"), 0);
  EXPECT_GT(CompareNames(u"_", u"A"), 0);  // '_' (0x5F) sorts after upper-case letters
  for (char16_t c = 0x100; c < 0x180; ++c) {
    // Latin Extended-A: every letter upper-cases to itself or to a capital that does.
    EXPECT_EQ(UpperUnit(UpperUnit(c)), UpperUnit(c)) << static_cast<int>(c);
  }
  EXPECT_EQ(ErrorOf([] { ValidateName(u"a\\b"); }), STG_E_INVALIDNAME);
  EXPECT_EQ(ErrorOf([] { ValidateName(u"\U0001F600 ok"); }), 0);  // outside the BMP: two units, allowed
}

TEST(Header, RoundTripsAndRefusesNonsense) {
  Header h = Header::ForVersion(4);
  h.fat_sector_count = 3;
  h.first_dir_sector = 7;
  h.difat[0] = 1;
  std::vector<std::byte> bytes(512);
  SerializeHeader(h, bytes);
  const Header back = ParseHeader(bytes);
  EXPECT_EQ(back.sector_size(), 4096u);
  EXPECT_EQ(back.fat_sector_count, 3u);
  EXPECT_EQ(back.first_dir_sector, 7u);
  EXPECT_EQ(back.difat[0], 1u);
  EXPECT_EQ(back.difat[1], kFreeSect);

  auto with = [&](size_t at, uint8_t value) {
    auto b = bytes;
    b[at] = std::byte{value};
    return ErrorOf([&] { ParseHeader(b); });
  };
  EXPECT_EQ(with(0, 0), STG_E_FILEALREADYEXISTS);      // not a compound file
  EXPECT_EQ(with(0x1E, 9), STG_E_INVALIDHEADER);       // version 4 with 512-byte sectors
  EXPECT_EQ(with(0x1C, 0), STG_E_INVALIDHEADER);       // byte order
  EXPECT_EQ(with(0x20, 7), STG_E_INVALIDHEADER);       // mini sector size
  EXPECT_EQ(with(0x39, 0), STG_E_INVALIDHEADER);       // cutoff
  EXPECT_EQ(ErrorOf([&] { ParseHeader(std::span(bytes).first(100)); }), STG_E_FILEALREADYEXISTS);
}

TEST(Directory, EntriesRoundTripAndSiblingTreesAreRedBlack) {
  DirEntry e;
  e.name = u"Stream \U0001F600";
  e.type = EntryType::kStream;
  e.start = 12;
  e.size = 0x1'0000'0005;
  e.state_bits = 9;
  std::vector<std::byte> raw(128);
  SerializeDirEntry(e, raw);
  EXPECT_EQ(Get16(raw, 0x40), 2 * (e.name.size() + 1));
  const DirEntry v4 = ParseDirEntry(raw, 4);
  EXPECT_EQ(v4.name, e.name);
  EXPECT_EQ(v4.size, e.size);
  EXPECT_EQ(ParseDirEntry(raw, 3).size, 5u);  // version 3 ignores the high half
  raw[0x42] = std::byte{7};
  EXPECT_EQ(ErrorOf([&] { ParseDirEntry(raw, 3); }), STG_E_DOCFILECORRUPT);

  for (uint32_t n = 1; n <= 70; ++n) {
    std::vector<DirEntry> entries(n);
    std::vector<uint32_t> members;
    for (uint32_t i = 0; i < n; ++i) members.push_back(i);
    const uint32_t top = BuildSiblingTree(entries, members);
    EXPECT_EQ(entries[top].color, Color::kBlack);
    // Every path to a missing child passes the same number of black entries,
    // no red entry has a red child, and an in-order walk visits 0..n-1.
    std::vector<uint32_t> order;
    std::map<int, int> black_heights;
    struct Item {
      uint32_t id;
      int blacks;
      bool red_parent;
      bool expanded;
    };
    std::vector<Item> work{{top, 0, false, false}};
    while (!work.empty()) {
      Item it = work.back();
      work.pop_back();
      if (it.id == kNoStream) {
        ++black_heights[it.blacks];
        continue;
      }
      const DirEntry& d = entries[it.id];
      const bool red = d.color == Color::kRed;
      if (it.expanded) {
        order.push_back(it.id);
        continue;
      }
      EXPECT_FALSE(red && it.red_parent);
      const int b = it.blacks + (red ? 0 : 1);
      work.push_back({d.right, b, red, false});
      work.push_back({it.id, b, red, true});
      work.push_back({d.left, b, red, false});
    }
    EXPECT_EQ(black_heights.size(), 1u) << n;
    EXPECT_EQ(order, members);
  }
}

}  // namespace
}  // namespace vellora2::compound
