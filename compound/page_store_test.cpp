// Written pages of closed streams wait for the commit in the document file:
// the process holds few of them, every read and change still sees them, and
// the commit links them where they lie instead of writing them again.
#include "compound/page_store.hpp"

#include <gtest/gtest.h>

#include <string>

#include "compound/container.hpp"
#include "compound/huge_pages.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::Pattern;
using testing::ReadAll;
using testing::Snapshot;
using testing::TakeSnapshot;
using testing::WriteAll;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr size_t kStreams = 600;

std::u16string Name(size_t i) {
  const std::string digits = std::to_string(i);
  return u"s" + std::u16string(digits.begin(), digits.end());
}

// Sizes around page and sector edges; 4095 goes to the mini stream.
size_t SizeOf(size_t i) {
  static constexpr size_t kSizes[] = {4096, 5000, 12295, 4095, 8192};
  return kSizes[i % std::size(kSizes)];
}

std::shared_ptr<MemoryFileSystem> EmptyDocument(uint16_t version) {
  auto fs = std::make_shared<MemoryFileSystem>();
  Container::Create(fs->Open("doc", OpenMode::kCreateNew), version);
  return fs;
}

// The streams' bytes in whole sectors of `sector_size` (mini sectors for
// the small ones): what one copy of them takes in the file.
uint64_t Payload(uint64_t sector_size) {
  uint64_t bytes = 0;
  for (size_t i = 0; i < kStreams; ++i) {
    const uint64_t unit = SizeOf(i) < kMiniStreamCutoff ? kMiniSectorSize : sector_size;
    bytes += (SizeOf(i) + unit - 1) / unit * unit;
  }
  return bytes;
}

TEST(PageStore, ClosedStreamsWaitInTheFileAndTheCommitLinksThem) {
  for (uint16_t version : {3, 4}) {
    SCOPED_TRACE(version);
    auto fs = EmptyDocument(version);
    const uint64_t empty = fs->Contents("doc").size();
    StorageEngine engine(fs);
    auto root = engine.OpenStorageFile(u"doc", kRoot);
    const size_t before = PagesInUse();
    for (size_t i = 0; i < kStreams; ++i) WriteAll(root.CreateStream(Name(i), kRW), Pattern(SizeOf(i), i));
    const uint64_t sector_size = version == 3 ? 512 : 4096;
    // About 900 pages were written; held is the 1 MiB kept in memory.
    EXPECT_LT(PagesInUse() - before, 256 + 16);
    EXPECT_GT(fs->Contents("doc").size(), empty + Payload(sector_size) / 2) << "the pages went to the file";

    Snapshot expected;
    for (size_t i = 0; i < kStreams; ++i) expected[Name(i)] = Pattern(SizeOf(i), i);
    EXPECT_EQ(TakeSnapshot(root), expected);
    // A stored page written again, a stream grown past its stored pages, one cut
    // inside them and one removed.
    {
      auto s = root.OpenStream(Name(11), kRW);
      s.SetPosition(4000);
      s.Write(Pattern(200, 1000));
      s.Write(Pattern(9000, 1001));
      auto& bytes = expected[Name(11)];
      bytes.resize(4000);
      const auto a = Pattern(200, 1000), b = Pattern(9000, 1001);
      bytes.insert(bytes.end(), a.begin(), a.end());
      bytes.insert(bytes.end(), b.begin(), b.end());
      EXPECT_EQ(ReadAll(s), bytes);
    }
    root.OpenStream(Name(12), kRW).SetSize(6000);
    expected[Name(12)].resize(6000);
    root.DestroyElement(Name(13));
    expected.erase(Name(13));
    EXPECT_EQ(TakeSnapshot(root), expected);

    root.Commit();
    // The stored pages became the streams' sectors: the file holds one copy.
    EXPECT_LT(fs->Contents("doc").size(), Payload(sector_size) + Payload(sector_size) / 10);
    EXPECT_EQ(TakeSnapshot(root), expected);
    root.Release();
    EXPECT_TRUE(testing::Findings(fs->Open("doc", OpenMode::kRead)).empty());
    root = engine.OpenStorageFile(u"doc", kRoot);
    EXPECT_EQ(TakeSnapshot(root), expected);

    // Pages a revert drops give their room back.
    const uint64_t committed = fs->Contents("doc").size();
    for (size_t i = 0; i < kStreams; ++i) WriteAll(root.CreateStream(u"x" + Name(i), kRW), Pattern(4096, i + 7));
    EXPECT_GT(fs->Contents("doc").size(), committed);
    root.Revert();
    EXPECT_EQ(fs->Contents("doc").size(), committed);
    EXPECT_EQ(TakeSnapshot(root), expected);
  }
}

// A transacted storage below the root shares its stored pages with the root
// once committed into it; when the root's commit adopts them they become the
// committed state's sectors, which later commits free and reuse, so the
// storage must read its own copy from then on.
TEST(PageStore, TransactedStoragesKeepTheirStoredPagesThroughCommitsAbove) {
  auto fs = EmptyDocument(3);
  StorageEngine engine(fs);
  auto root = engine.OpenStorageFile(u"doc", kRoot);
  root.CreateStorage(u"T", kRW).Release();
  auto inner = root.OpenStorage(u"T", STGM_TRANSACTED | kRW);
  Snapshot expected;
  for (size_t i = 0; i < kStreams; ++i) {
    WriteAll(inner.CreateStream(Name(i), kRW), Pattern(SizeOf(i), i));
    expected[Name(i)] = Pattern(SizeOf(i), i);
  }
  inner.Commit();
  root.Commit();
  WriteAll(inner.OpenStream(Name(0), kRW), Pattern(100, 99));
  expected[Name(0)] = Pattern(100, 99);
  inner.Commit();
  root.Commit();  // frees the sectors the first commit adopted
  for (size_t i = 0; i < kStreams; ++i) WriteAll(root.CreateStream(Name(i), kRW), Pattern(SizeOf(i), i + 50));
  root.Commit();  // and takes them
  EXPECT_EQ(TakeSnapshot(inner), expected);
  inner.Release();
  root.Release();
  EXPECT_TRUE(testing::Findings(fs->Open("doc", OpenMode::kRead)).empty());
}

}  // namespace
}  // namespace vellora2::compound
