#include "compound/fat.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "compound/memory_file.hpp"

namespace vellora2::compound {
namespace {

TEST(FatBuilderTest, NewSectorsComeFromFreeSpaceThenSparesThenTheEndAroundLiveExtents) {
  auto fs = std::make_shared<MemoryFileSystem>();
  auto c = Container::Create(fs->Open("f", OpenMode::kCreateNew), 3);
  const auto extent = c->TakeExtent();
  ASSERT_NE(extent, nullptr);
  FatBuilder fat(*c, c->Clean());
  ASSERT_TRUE(fat.editing());
  const uint64_t end = c->file_sectors();
  ASSERT_LT(end + 2, extent->first());

  // The directory sector this commit frees keeps its committed bytes until
  // the header moves: it is free in the new state but never handed out.
  const uint32_t dir = c->dir_chain().front();
  fat.Set(dir, kFreeSect);
  const uint32_t spare = extent->first() + 9;
  fat.AddSpare(spare);
  std::vector<uint32_t> expected(c->state().free.begin(), c->state().free.end());
  expected.push_back(spare);
  for (uint64_t s = end; s < extent->first(); ++s) expected.push_back(static_cast<uint32_t>(s));
  expected.push_back(static_cast<uint32_t>(extent->first() + c->ExtentSectors()));  // past the live extent
  std::vector<uint32_t> got;
  for (size_t i = 0; i < expected.size(); ++i) got.push_back(fat.Allocate());
  EXPECT_EQ(got, expected);
  for (uint32_t s : got) EXPECT_EQ(fat[s], kEndOfChain) << s;
  EXPECT_EQ(fat.UsedEnd(), expected.back() + 1ull);

  const SectorTable free = fat.FreeSectors(fat.UsedEnd(), {});
  EXPECT_TRUE(std::find(free.begin(), free.end(), dir) != free.end());
  EXPECT_TRUE(std::none_of(free.begin(), free.end(), [&](uint32_t s) { return fat[s] != kFreeSect; }));
}

}  // namespace
}  // namespace vellora2::compound
