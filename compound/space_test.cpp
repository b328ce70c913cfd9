// Space coming back: commits cut the file and its tables after the last used
// sector, later commits reuse what earlier ones freed, and compaction leaves
// no free sector at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "compound/container.hpp"
#include "compound/fault_file.hpp"
#include "compound/free_runs.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::Pattern;
using testing::Snapshot;
using testing::TakeSnapshot;
using testing::WriteAll;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr size_t kImport = size_t{4} << 20;  // two copies need more FAT sectors than the header lists

Snapshot Read(const std::vector<std::byte>& bytes, std::vector<std::string>& problems) {
  auto fs = std::make_shared<MemoryFileSystem>();
  fs->SetContents("doc", bytes);
  problems = testing::Findings(fs->Open("doc", OpenMode::kRead));
  if (!problems.empty()) return {};
  return TakeSnapshot(StorageEngine(fs).OpenStorageFile(u"doc", STGM_READ | STGM_SHARE_DENY_WRITE));
}

// A document with a stream imported and imported again over itself: the
// second copy went in past the first, so the file holds both copies' room.
// Returns the file's size before the imports.
uint64_t ImportTwice(Storage root, MemoryFileSystem& fs) {
  WriteAll(root.CreateStream(u"kept", kRW), Pattern(300000, 1));
  WriteAll(root.CreateStream(u"note", kRW), Pattern(700, 2));
  root.Commit();
  const uint64_t size = fs.Contents("doc").size();
  WriteAll(root.CreateStream(u"import", kRW), Pattern(kImport, 3));
  root.Commit();
  WriteAll(root.CreateStream(u"import", kRW | STGM_CREATE), Pattern(kImport, 4));
  root.Commit();
  return size;
}

uint64_t FatSectorsFor(uint64_t sectors) { return (sectors + 127) / 128; }

// Removing the stream frees the end of the file: the FAT and DIFAT sectors
// that described it go too, and the file ends at its last used sector. A
// crash anywhere in that commit, the truncation after the header included,
// leaves the old document or the new one in a file that checks clean.
TEST(Space, ARemovalGivesBackTheFileAndItsTablesAllOrNothing) {
  auto fs = std::make_shared<MemoryFileSystem>();
  uint64_t no_copy = 0;
  {
    auto root = StorageEngine(fs).CreateStorageFile(u"doc", kRoot);
    no_copy = ImportTwice(root, *fs);
  }
  const auto before = fs->Contents("doc");
  const CompoundFileInfo two_copies = StorageEngine(fs).Info(u"doc");
  ASSERT_GT(two_copies.difat_sectors, 0u);
  std::vector<std::string> problems;
  const Snapshot old_doc = Read(before, problems);
  auto remove = [](StorageEngine engine) {
    auto root = engine.OpenStorageFile(u"doc", kRoot);
    root.DestroyElement(u"import");
    root.Commit();
  };
  remove(StorageEngine(fs));
  const auto after = fs->Contents("doc");
  const Snapshot new_doc = Read(after, problems);
  EXPECT_TRUE(problems.empty());
  ASSERT_NE(old_doc, new_doc);

  const CompoundFileInfo removed = StorageEngine(fs).Info(u"doc");
  std::printf("sizes: %llu with two copies (%u FAT, %u DIFAT sectors), %llu removed (%u FAT, %u DIFAT sectors)\n",
              static_cast<unsigned long long>(two_copies.file_size), two_copies.fat_sectors, two_copies.difat_sectors,
              static_cast<unsigned long long>(removed.file_size), removed.fat_sectors, removed.difat_sectors);
  EXPECT_EQ(removed.fat_sectors, FatSectorsFor(removed.sector_count));
  EXPECT_EQ(removed.difat_sectors, 0u);
  // The removed stream's room is given back but for a few table sectors.
  EXPECT_LE(removed.file_size, no_copy + 4 * uint64_t{two_copies.sector_size});
  // The tables moved below the data: the last sector is in use.
  auto c = Container::Open(fs->Open("doc", OpenMode::kRead));
  ASSERT_EQ(c->fat().size(), removed.fat_sectors * 128);
  EXPECT_NE(c->fat()[removed.sector_count - 1], kFreeSect);

  int points = 0, longer = 0;
  for (bool torn : {false, true}) {
    for (long at = 0;; ++at) {
      auto disk = std::make_shared<MemoryFileSystem>();
      disk->SetContents("doc", before);
      auto plan = std::make_shared<FaultPlan>();
      plan->kind = FaultPlan::Kind::kCrash;
      plan->at = at;
      plan->torn = torn;
      if (testing::ErrorOf([&] { remove(StorageEngine(std::make_shared<FaultFileSystem>(disk, plan))); }) == 0) break;
      ++points;
      for (bool durable_only : {false, true}) {
        const auto bytes = disk->Contents("doc", durable_only);
        const Snapshot got = Read(bytes, problems);
        EXPECT_TRUE(got == old_doc || got == new_doc) << "interrupted at call " << at;
        EXPECT_TRUE(problems.empty()) << "interrupted at call " << at << ": " << problems.front();
        if (got == new_doc && bytes.size() > after.size()) ++longer;
      }
      // The file left behind takes further commits.
      {
        auto root = StorageEngine(disk).OpenStorageFile(u"doc", kRoot);
        WriteAll(root.CreateStream(u"later", kRW), Pattern(5000, 5));
        root.Commit();
      }
      EXPECT_TRUE(testing::Findings(disk->Open("doc", OpenMode::kRead)).empty()) << "interrupted at call " << at;
    }
  }
  std::printf("removal interrupted at %d points, %d left the new document in a longer file\n", points, longer);
  EXPECT_GT(points, 6);
  EXPECT_GT(longer, 0);
}

// Sectors a commit frees are taken by the commits after it: replacing a
// stream again and again, small or large, does not make the file grow past
// the room of two copies (the one published and the one being written) and
// a few sectors that page alignment and the tables take.
TEST(Space, FreedSectorsAreUsedAgain) {
  auto fs = std::make_shared<MemoryFileSystem>();
  auto root = StorageEngine(fs).CreateStorageFile(u"doc", kRoot);
  ImportTwice(root, *fs);
  const uint64_t two_copies = fs->Contents("doc").size();
  for (uint32_t round = 0; round < 4; ++round) {
    WriteAll(root.CreateStream(u"import", kRW | STGM_CREATE), Pattern(kImport, 10 + round));
    root.Commit();
    EXPECT_LE(fs->Contents("doc").size(), two_copies + 65536) << "round " << round;
  }
  root.DestroyElement(u"import");
  root.Commit();
  const uint64_t small = fs->Contents("doc").size();
  root.DestroyElement(u"kept");
  root.Commit();
  WriteAll(root.CreateStream(u"other", kRW), Pattern(300000, 20));
  root.Commit();
  EXPECT_LE(fs->Contents("doc").size(), small);
  root.Release();
  std::vector<std::string> problems;
  Read(fs->Contents("doc"), problems);
  EXPECT_TRUE(problems.empty());
}

// Runs of free sectors for a large stream's bytes: consecutive, starting on a
// page (sector 7, 15, ... for 512-byte sectors), found past gaps and
// misaligned starts, and not found when the only run is too short.
TEST(Space, FreeRunsAreFoundWhole) {
  auto table = [](std::initializer_list<std::pair<uint32_t, uint32_t>> runs) {
    SectorTable out;
    for (auto [first, end] : runs) {
      for (uint32_t s = first; s < end; ++s) out.push_back(s);
    }
    return out;
  };
  EXPECT_EQ(FindFreeRun(table({{7, 15}}), 8, 8), 0u);
  EXPECT_EQ(FindFreeRun(table({{6, 14}}), 8, 8), kNoRun);                 // one short once aligned
  EXPECT_EQ(FindFreeRun(table({{3, 9}, {10, 40}}), 8, 8), 6u + 5);        // sector 15, after a gap
  EXPECT_EQ(FindFreeRun(table({{0, 5}, {7, 14}, {15, 23}}), 8, 8), 12u);  // the second run is one short
  EXPECT_EQ(FindFreeRun(table({{2, 4}, {100, 104}}), 3, 1), 2u);
  EXPECT_EQ(FindFreeRun(table({}), 1, 8), kNoRun);
}

// Compaction leaves no free sector below the end, and it refuses a file that
// another open holds, even one that takes none of our sharing locks: the
// holder would go on writing into a file that nobody can reach.
TEST(Space, CompactionLeavesNoFreeSectorAndNoHeldFile) {
  auto fs = std::make_shared<MemoryFileSystem>();
  {
    auto root = StorageEngine(fs).CreateStorageFile(u"doc", kRoot);
    ImportTwice(root, *fs);
    for (int i = 0; i < 20; ++i)
      WriteAll(root.CreateStream(u"s" + std::u16string(1, u'a' + i), kRW), Pattern(100, 30 + i));
    root.Commit();
    for (int i = 0; i < 20; i += 2) root.DestroyElement(u"s" + std::u16string(1, u'a' + i));
    root.Commit();
  }
  const auto before = fs->Contents("doc");
  {
    auto holder = fs->Open("doc", OpenMode::kRead);
    holder->LockShared(0);
    EXPECT_EQ(testing::ErrorOf([&] { StorageEngine(fs).Compact(u"doc"); }), STG_E_SHAREVIOLATION);
    EXPECT_TRUE(fs->Contents("doc") == before);
  }
  StorageEngine(fs).Compact(u"doc");
  auto c = Container::Open(fs->Open("doc", OpenMode::kRead));
  const auto& fat = c->fat();
  EXPECT_EQ(std::find(fat.begin(), fat.begin() + static_cast<ptrdiff_t>(c->file_sectors()), kFreeSect),
            fat.begin() + static_cast<ptrdiff_t>(c->file_sectors()));
  // The mini stream is packed: its free entries all follow the used ones.
  const auto& minifat = c->minifat();
  const auto unused = std::find(minifat.begin(), minifat.end(), kFreeSect);
  EXPECT_GT(unused - minifat.begin(), 10);
  EXPECT_TRUE(std::all_of(unused, minifat.end(), [](uint32_t e) { return e == kFreeSect; }));
}

// A direct root publishes on its own once 64 MiB are pending, here in the
// middle of one write; the commits after it must keep the file whole.
TEST(Space, AWriteThatPublishesOnItsOwnLeavesAWholeFile) {
  auto fs = std::make_shared<MemoryFileSystem>();
  const auto bytes = Pattern((size_t{64} << 20) + 1, 3);
  {
    auto root = StorageEngine(fs).CreateStorageFile(u"doc", STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE);
    auto stream = root.CreateStream(u"text", kRW);
    stream.Write(bytes);
    EXPECT_TRUE(testing::Findings(fs->Open("doc", OpenMode::kRead)).empty()) << "after the write";
    stream.Release();
    EXPECT_TRUE(testing::Findings(fs->Open("doc", OpenMode::kRead)).empty()) << "after the release";
    root.Commit();
  }
  EXPECT_TRUE(testing::Findings(fs->Open("doc", OpenMode::kRead)).empty());
  auto root = StorageEngine(fs).OpenStorageFile(u"doc", STGM_READ | STGM_SHARE_DENY_WRITE);
  auto stream = root.OpenStream(u"text", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_TRUE(testing::ReadAll(stream) == bytes);
}

}  // namespace
}  // namespace vellora2::compound
