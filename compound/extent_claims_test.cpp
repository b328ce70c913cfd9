#include "compound/extent_claims.hpp"

#include <gtest/gtest.h>

#include <set>

#include "compound/container.hpp"
#include "compound/memory_file.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::Pattern;

// Pages stored for three streams and a copy of one, a stream bound for the
// mini stream, and a large stream in two extents of its own: each run goes
// to the first stream that reads it, and every sector no stream links is
// spare. Version 3: eight sectors a page, 4,096 an extent.
TEST(ExtentClaims, EachRunGoesToOneStreamAndTheRestIsSpare) {
  const testing::PagesKeptInMemoryForTest store_every_page(0);
  auto fs = std::make_shared<MemoryFileSystem>();
  auto c = Container::Create(fs->Open("doc", OpenMode::kCreateNew), 3);
  std::vector<std::unique_ptr<Node>> nodes;
  const auto stream = [&](size_t bytes, uint32_t seed) {
    nodes.push_back(std::make_unique<Node>());
    if (bytes > 0) nodes.back()->content.Write(0, Pattern(bytes, seed), c.get());
    return nodes.back().get();
  };
  Node* two_pages = stream(5000, 1);
  Node* one_page = stream(4096, 2);
  Node* mini = stream(3000, 3);
  for (Node* n : {two_pages, one_page, mini}) n->content.StorePages(c->page_store());
  Node* copy = stream(0, 0);
  copy->content = two_pages->content;
  Node* large = stream(3 << 20, 4);
  c->page_store().Flush();
  const std::vector<StreamPlan> plans{{1, two_pages, false, {}}, {2, one_page, false, {}}, {3, copy, false, {}},
                                      {4, mini, true, {}},      {5, large, false, {}}};

  ExtentClaims claims(*c, 512);
  std::set<uint32_t> spare;
  claims.Claim(plans, {}, [&](uint32_t s) { EXPECT_TRUE(spare.insert(s).second) << s; });

  const Content::SpillRun first = two_pages->content.Spilled(0);
  const Content::SpillRun second = two_pages->content.Spilled(4096);
  ASSERT_NE(first.extent, nullptr);
  ASSERT_TRUE(first.extent->holds_pages());
  EXPECT_TRUE(claims.Links(first, 1));
  EXPECT_TRUE(claims.Links(second, 1));
  EXPECT_FALSE(claims.Links(first, 3)) << "a copy is written out, not linked twice";
  EXPECT_TRUE(claims.Links(one_page->content.Spilled(0), 2));
  EXPECT_FALSE(claims.Links(one_page->content.Spilled(0), 1));
  const Content::SpillRun head = large->content.Spilled(0);
  const Content::SpillRun tail = large->content.Spilled(2 << 20);
  ASSERT_TRUE(head.extent && tail.extent && !head.extent->holds_pages());
  EXPECT_TRUE(claims.Links(head, 5) && claims.Links(tail, 5));
  EXPECT_FALSE(claims.Links(tail, 1));
  EXPECT_EQ(claims.adopting().size(), 3U);

  // Spare: the 508 slots no page took and the mini stream's page (8 sectors
  // each), the 6 sectors past the 904 bytes of the second page, and the
  // large stream's second extent past its 1 MiB.
  const uint32_t pages = first.extent->first();
  EXPECT_EQ(spare.size(), 509U * 8 + 6 + 2048);
  EXPECT_EQ(spare.count(pages + static_cast<uint32_t>(second.at / 512) + 1), 0U);
  EXPECT_EQ(spare.count(pages + static_cast<uint32_t>(second.at / 512) + 2), 1U);
  EXPECT_EQ(spare.count(tail.extent->first() + 2047), 0U);
  EXPECT_EQ(spare.count(tail.extent->first() + 2048), 1U);
  EXPECT_EQ(spare.count(head.extent->first() + 4095), 0U);
}

}  // namespace
}  // namespace vellora2::compound
