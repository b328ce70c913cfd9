#include "compound/segments.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vellora2::compound {
namespace {

TEST(SegmentsTest, RunsThatContinueMergeAndIndexingCrossesParts) {
  Segments s;
  s.Add(10, 3);  // 10 11 12
  s.Add(13, 2);  // continues: 13 14
  s.Add(40, 1);  // 40
  s.Add(7, 2);   // 7 8 (lower: a new part, not merged backwards)
  s.Add(9, 1);   // continues 7 8
  ASSERT_EQ(s.parts().size(), 3u);
  EXPECT_EQ(s.parts()[0].first, 10u);
  EXPECT_EQ(s.parts()[0].count, 5u);
  EXPECT_EQ(s.parts()[1].at, 5u);
  EXPECT_EQ(s.parts()[2].first, 7u);
  EXPECT_EQ(s.parts()[2].count, 3u);
  EXPECT_EQ(s.parts()[2].at, 6u);
  EXPECT_EQ(s.size(), 9u);
  EXPECT_EQ(s.front(), 10u);
  const std::vector<uint32_t> expected = {10, 11, 12, 13, 14, 40, 7, 8, 9};
  for (uint64_t k = 0; k < expected.size(); ++k) EXPECT_EQ(s[k], expected[k]) << k;
}

TEST(SegmentsTest, ALongRunIsOneEntry) {
  // An adopted extent of a large import: a million sectors, one part.
  constexpr uint64_t kRun = uint64_t{1} << 20;
  Segments s;
  s.Add(1000, kRun);
  s.Add(5, 1);
  ASSERT_EQ(s.parts().size(), 2u);
  EXPECT_EQ(s[kRun - 1], 1000 + kRun - 1);
  EXPECT_EQ(s[kRun], 5u);
}

}  // namespace
}  // namespace vellora2::compound
