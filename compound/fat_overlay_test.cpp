#include "compound/fat_overlay.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vellora2::compound {
namespace {

constexpr uint32_t kEpb = 4;  // entries per FAT sector, small to cross sectors
constexpr uint32_t E = kEndOfChain;
constexpr uint32_t F = kFreeSect;

std::vector<uint32_t> Entries(const FatOverlay& fat) {
  std::vector<uint32_t> out;
  for (uint64_t s = 0; s < fat.size(); ++s) out.push_back(fat[s]);
  return out;
}

TEST(FatOverlayTest, EditsAndGrowthLieOverTheCommittedFatUntilMovedIntoIt) {
  // Committed: a chain 0 -> 1 -> 2, a FAT sector at 3, the rest free.
  SectorTable base = {1, 2, E, kFatSect, F, F, F, F};
  FatOverlay fat(base, kEpb);
  fat.Set(0, 1);  // the value it has: its FAT sector is touched, not changed
  fat.Set(5, E);
  fat.Link(6, 4);  // 6 -> 7 -> 8 -> 9 -> 10, crossing into entries the file grows
  EXPECT_EQ(base, (SectorTable{1, 2, E, kFatSect, F, F, F, F}));  // nothing written through
  EXPECT_EQ(fat.size(), 12u);                                     // grown in whole FAT sectors
  EXPECT_EQ(Entries(fat), (std::vector<uint32_t>{1, 2, E, kFatSect, F, E, 7, 8, 9, 10, F, F}));
  EXPECT_EQ(fat.Touched(), (std::vector<uint64_t>{0, 1}));
  EXPECT_FALSE(fat.Changed(0));
  EXPECT_TRUE(fat.Changed(1));
  EXPECT_EQ(fat.NextFree(0, 12), 4u);
  EXPECT_EQ(fat.NextFree(5, 12), 10u);
  EXPECT_EQ(fat.NextFree(5, 9), 9u);  // none below `to`
  EXPECT_EQ(fat.Sector(0)[3], kFatSect);
  EXPECT_EQ(fat.Sector(1)[1], E);
  EXPECT_EQ(fat.Sector(2)[1], 10u);
  EXPECT_EQ(fat.Sector(3), nullptr);
  fat.MoveInto(base, 16);
  EXPECT_EQ(base, (SectorTable{1, 2, E, kFatSect, F, E, 7, 8, 9, 10, F, F, F, F, F, F}));
}

TEST(FatOverlayTest, ASmallGrowthIsCopiedOnTheCommittedFat) {
  SectorTable base(12, F);
  base[11] = E;
  FatOverlay fat(base, kEpb);
  fat.Set(12, 11);
  fat.Set(2, E);
  EXPECT_EQ(fat.Sector(1), base.data() + 4);  // untouched: written from the committed table itself
  fat.MoveInto(base, 16);
  SectorTable expected(16, F);
  expected[2] = E;
  expected[11] = E;
  expected[12] = 11;
  EXPECT_EQ(base, expected);
}

TEST(FatOverlayTest, WithoutTheBaseOnlyWhatIsSetIsUsed) {
  // A file whose sectors cannot be trusted: the new FAT starts empty.
  SectorTable base = {1, E, kFatSect, F, 7, E, F, F};
  FatOverlay fat(base, kEpb);
  fat.KeepBase(false);
  fat.Set(3, E);
  EXPECT_EQ(Entries(fat), (std::vector<uint32_t>{F, F, F, E, F, F, F, F}));
  EXPECT_EQ(fat.Sector(1), nullptr);
  EXPECT_TRUE(fat.Changed(0));
  fat.MoveInto(base, 8);
  EXPECT_EQ(base, (SectorTable{F, F, F, E, F, F, F, F}));
}

}  // namespace
}  // namespace vellora2::compound
