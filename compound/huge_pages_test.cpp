#include "compound/huge_pages.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace vellora2::compound {
namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

TEST(HugePagesTest, BlocksAndLargeTablesStartOnAHugePage) {
  std::byte* const block = MapAligned(2 * kHugePageSize);
  EXPECT_EQ(Address(block) % kHugePageSize, 0u);
  EXPECT_TRUE(std::all_of(block, block + 2 * kHugePageSize, [](std::byte b) { return b == std::byte{0}; }));
  std::memset(block, 0xAB, 2 * kHugePageSize);  // all of it is ours to write
  Unmap(block, 2 * kHugePageSize);

  void* const large = AllocateTable(3 * (kHugePageSize / 2));  // rounded up to two huge pages
  EXPECT_EQ(Address(large) % kHugePageSize, 0u);
  std::memset(large, 1, 3 * (kHugePageSize / 2));
  FreeTable(large, 3 * (kHugePageSize / 2));
  void* const small = AllocateTable(100);  // from the heap
  std::memset(small, 1, 100);
  FreeTable(small, 100);
}

TEST(HugePagesTest, PagesAreCarvedFromBlocksAndReused) {
  // More pages than one block holds: they come from two blocks, each a
  // distinct aligned page.
  std::vector<std::byte*> pages;
  std::set<uintptr_t> blocks;
  for (size_t i = 0; i < kHugePageSize / kPageSize + 1; ++i) {
    pages.push_back(TakePage());
    EXPECT_EQ(Address(pages.back()) % kPageSize, 0u);
    blocks.insert(Address(pages.back()) / kHugePageSize);
  }
  EXPECT_EQ(std::set<std::byte*>(pages.begin(), pages.end()).size(), pages.size());
  EXPECT_GE(blocks.size(), 2u);
  // Pages come from the lowest block that has one free, so that they crowd
  // into few blocks: a page given back there is the next one handed out
  // (blocks below ours were full when we took ours, and still are).
  auto lowest =
      std::min_element(pages.begin(), pages.end(), [](std::byte* a, std::byte* b) { return Address(a) < Address(b); });
  std::byte* const given = *lowest;
  GivePage(given);
  *lowest = TakePage();
  EXPECT_EQ(*lowest, given);
  for (std::byte* page : pages) GivePage(page);
}

}  // namespace
}  // namespace vellora2::compound
