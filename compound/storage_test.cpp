#include <gtest/gtest.h>

#include <random>

#include "compound/container.hpp"
#include "compound/fault_file.hpp"
#include "compound/huge_pages.hpp"
#include "compound/level.hpp"
#include "compound/test_support.hpp"
#include "vellora2/automation/variant.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::Pattern;
using testing::ReadAll;
using testing::TakeSnapshot;
using testing::WriteAll;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kTransactedRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;

class StorageTest : public ::testing::Test {
 protected:
  std::shared_ptr<MemoryFileSystem> fs_ = std::make_shared<MemoryFileSystem>();
  StorageEngine engine_{fs_};

  std::vector<std::string> Problems(const std::string& path) { return testing::Findings(fs_->Open(path, OpenMode::kRead)); }
  std::shared_ptr<Container> Open(const std::string& path) { return Container::Open(fs_->Open(path, OpenMode::kRead)); }
};

TEST_F(StorageTest, StreamsRoundTripAcrossTheMiniStreamCutoff) {
  const std::vector<size_t> sizes = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 70000};
  {
    auto root = engine_.CreateStorageFile(u"a.cfb", kTransactedRoot | STGM_CREATE);
    auto sub = root.CreateStorage(u"Sub", kRW);
    for (size_t i = 0; i < sizes.size(); ++i) {
      auto s = (i % 2 ? sub : root).CreateStream(u"S" + std::u16string(1, u'a' + i), kRW);
      WriteAll(s, Pattern(sizes[i], static_cast<uint32_t>(i)));
    }
    root.Commit();
  }
  EXPECT_TRUE(Problems("a.cfb").empty());
  auto root = engine_.OpenStorageFile(u"a.cfb", STGM_READ | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED);
  auto sub = root.OpenStorage(u"SUB", STGM_READ | STGM_SHARE_EXCLUSIVE);  // names ignore case
  for (size_t i = 0; i < sizes.size(); ++i) {
    auto s = (i % 2 ? sub : root).OpenStream(u"s" + std::u16string(1, u'a' + i), STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(ReadAll(s), Pattern(sizes[i], static_cast<uint32_t>(i))) << "size " << sizes[i];
  }
}

TEST_F(StorageTest, ResizingAcrossTheCutoffMovesTheStreamBetweenMiniAndNormalSectors) {
  auto root = engine_.CreateStorageFile(u"r.cfb", kTransactedRoot);
  auto s = root.CreateStream(u"grow", kRW);
  for (size_t size : {4095u, 4096u, 4097u, 4096u, 4095u, 10u, 9000u, 0u, 5000u}) {
    const auto bytes = Pattern(size, static_cast<uint32_t>(size));
    WriteAll(s, bytes);
    root.Commit();
    ASSERT_TRUE(Problems("r.cfb").empty()) << size;
    auto c = Open("r.cfb");
    EXPECT_EQ(c->entries()[1].size, size);
    EXPECT_EQ(ReadAll(s), bytes);
  }
}

TEST_F(StorageTest, DirectorySectorsFillExactly) {
  // Four 128-byte entries fill a 512-byte sector: the root and three children
  // take one sector, a fourth child starts a second.
  for (int children : {3, 4, 7, 8}) {
    const std::string path = "d" + std::to_string(children);
    {
      auto root = engine_.CreateStorageFile(U16(path), kTransactedRoot);
      for (int i = 0; i < children; ++i) root.CreateStream(u"e" + U16(std::to_string(i)), kRW);
      root.Commit();
    }
    EXPECT_EQ(Open(path)->dir_chain().size(), static_cast<size_t>((children + 1 + 3) / 4));
    EXPECT_TRUE(Problems(path).empty());
    auto root = engine_.OpenStorageFile(U16(path), kTransactedRoot);
    int16_t type = 0;
    std::u16string name;
    int seen = 0;
    for (root.NextElement(0, type, name); type != 0; root.NextElement(1, type, name)) ++seen;
    EXPECT_EQ(seen, children);
  }
}

TEST_F(StorageTest, LargeDocumentsUseDifatSectors) {
  // 109 FAT sectors map 109 * 128 sectors (about 7 MB); more needs the DIFAT.
  const auto big = Pattern(109 * 128 * 512 + 100000, 7);
  {
    auto root = engine_.CreateStorageFile(u"big.cfb", kTransactedRoot);
    auto s = root.CreateStream(u"big", kRW);
    WriteAll(s, big);
    root.Commit();
  }
  auto c = Open("big.cfb");
  EXPECT_GT(c->fat_sectors().size(), 109u);
  EXPECT_EQ(c->difat_sectors().size(), 1u);
  EXPECT_TRUE(Problems("big.cfb").empty());
  {
    // A small change rewrites a few sectors, not the document.
    auto root = engine_.OpenStorageFile(u"big.cfb", kTransactedRoot);
    auto s = root.OpenStream(u"big", kRW);
    s.SetPosition(3000000);
    s.Write(Pattern(10, 8));
    const auto before = fs_->Contents("big.cfb");
    root.Commit();
    const auto after = fs_->Contents("big.cfb");
    // Sectors appended count as written too.
    size_t changed = after.size() > before.size() ? (after.size() - before.size()) / 512 : 0;
    for (size_t i = 0; i < std::min(before.size(), after.size()); i += 512) {
      const auto from = static_cast<ptrdiff_t>(i);
      const auto to = static_cast<ptrdiff_t>(std::min(i + 512, before.size()));
      changed += !std::equal(before.begin() + from, before.begin() + to, after.begin() + from);
    }
    // The written 4 KiB page (8 sectors), the FAT sectors that describe the
    // moves, and the header.
    EXPECT_LT(changed, 16u);
  }
  auto root = engine_.OpenStorageFile(u"big.cfb", STGM_READ | STGM_SHARE_DENY_WRITE);
  auto s = root.OpenStream(u"big", STGM_READ | STGM_SHARE_EXCLUSIVE);
  auto expect = big;
  const auto patch = Pattern(10, 8);
  std::copy(patch.begin(), patch.end(), expect.begin() + 3000000);
  EXPECT_EQ(ReadAll(s), expect);
  EXPECT_TRUE(Problems("big.cfb").empty());
}

TEST_F(StorageTest, DocumentsOutgrowingVersion3BecomeVersion4) {
  // The 2 GB limit is lowered to 64 KB so that the switch happens in memory.
  auto file = fs_->Open("grow.cfb", OpenMode::kCreateNew);
  Mode mode;
  mode.write = mode.transacted = true;
  auto doc = std::make_shared<CompoundFile>(fs_, "grow.cfb", file, mode);
  doc->set_container(Container::Create(file, 3));
  doc->set_version3_limit(uint64_t{64} * 1024);
  auto tree = doc->LoadTree();
  auto add = [&](std::u16string name, size_t size, uint32_t seed) {
    auto n = std::make_shared<Node>();
    n->name = std::move(name);
    const auto bytes = Pattern(size, seed);
    n->content.Write(0, bytes);
    tree->Insert(n);
  };
  add(u"small", 30000, 1);
  doc->Publish(*tree);
  EXPECT_EQ(Open("grow.cfb")->header().major_version, 3);
  add(u"big", 100000, 2);
  add(u"mini", 100, 3);
  doc->Publish(*tree);
  EXPECT_EQ(Open("grow.cfb")->header().major_version, 4);
  EXPECT_EQ(Open("grow.cfb")->sector_size(), 4096u);
  EXPECT_EQ(fs_->FileCount(), 1u);
  // Later commits change a version 4 file in place.
  tree->Find(u"small")->content.Write(5, Pattern(3, 4));
  doc->Publish(*tree);
  doc.reset();
  tree.reset();
  file.reset();
  EXPECT_TRUE(Problems("grow.cfb").empty());
  auto root = engine_.OpenStorageFile(u"grow.cfb", STGM_READ | STGM_SHARE_DENY_WRITE);
  auto expect = Pattern(30000, 1);
  const auto patch = Pattern(3, 4);
  std::copy(patch.begin(), patch.end(), expect.begin() + 5);
  auto small = root.OpenStream(u"small", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(ReadAll(small), expect);
  auto big = root.OpenStream(u"big", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(ReadAll(big), Pattern(100000, 2));
  auto mini = root.OpenStream(u"mini", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(ReadAll(mini), Pattern(100, 3));
}

TEST_F(StorageTest, FatAndDifatFilledToTheirLastEntry) {
  // The stream's size is adjusted until the sectors in use fill the last FAT
  // sector exactly, for 109 FAT sectors (the header's slots are full) and 236
  // (the first DIFAT sector is full too); one sector more needs a new FAT
  // sector and, there, a new DIFAT sector.
  auto layout = [&](uint64_t size, size_t& fat, size_t& difat) {
    fs_->Remove("fill.cfb");
    auto root = engine_.CreateStorageFile(u"fill.cfb", kTransactedRoot);
    WriteAll(root.CreateStream(u"s", kRW), Pattern(size, 5));
    root.Commit();
    auto c = Open("fill.cfb");
    fat = c->fat_sectors().size();
    difat = c->difat_sectors().size();
    return c->file_sectors();
  };
  for (size_t want : {109u, 236u}) {
    uint64_t size = want * 127 * 512;
    size_t fat = 0, difat = 0;
    for (int tries = 0; tries < 4; ++tries) {
      const uint64_t used = layout(size, fat, difat);
      if (used == want * 128) break;
      size += (static_cast<int64_t>(want * 128) - static_cast<int64_t>(used)) * 512;
    }
    ASSERT_EQ(fat, want);
    EXPECT_EQ(difat, want == 109 ? 0u : 1u);
    EXPECT_TRUE(Problems("fill.cfb").empty());
    layout(size + 512, fat, difat);
    EXPECT_EQ(fat, want + 1);
    EXPECT_EQ(difat, want == 109 ? 1u : 2u);
    EXPECT_TRUE(Problems("fill.cfb").empty());
    auto root = engine_.OpenStorageFile(u"fill.cfb", STGM_READ | STGM_SHARE_DENY_WRITE);
    auto st = root.OpenStream(u"s", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(ReadAll(st), Pattern(size + 512, 5));
  }
}

TEST_F(StorageTest, LargeStreamsMatchAPlainBufferThroughWritesResizesCommitsAndSnapshots) {
  // Offsets past 2 MiB are held in large chunks, below in pages; writes,
  // truncations and snapshots crossing both must read back like one buffer.
  std::mt19937 rng(11);
  auto random = [&](uint64_t below) { return std::uniform_int_distribution<uint64_t>(0, below - 1)(rng); };
  auto root = engine_.CreateStorageFile(u"l.cfb", kTransactedRoot);
  auto sub = root.CreateStorage(u"Sub", kRW);
  sub.CreateStream(u"big", kRW);
  sub.Release();
  std::vector<std::byte> working, committed;
  for (int round = 0; round < 40; ++round) {
    auto stream = root.OpenStorage(u"Sub", kRW).OpenStream(u"big", kRW);
    for (int op = 0; op < 4; ++op) {
      if (random(5) == 0) {
        working.resize(random(7u << 20));
        stream.SetSize(working.size());
        continue;
      }
      const uint64_t at = random(7u << 20);
      const auto bytes = Pattern(1 + random(400000), static_cast<uint32_t>(round * 8 + op));
      if (working.size() < at + bytes.size()) working.resize(at + bytes.size());
      std::copy(bytes.begin(), bytes.end(), working.begin() + static_cast<ptrdiff_t>(at));
      stream.SetPosition(at);
      stream.Write(bytes);
    }
    stream.Release();
    // A transacted sub-storage shares the chunks of its snapshot until it writes.
    auto snapshot = root.OpenStorage(u"Sub", kRW | STGM_TRANSACTED);
    auto copy = snapshot.OpenStream(u"big", kRW);
    copy.SetPosition(random(working.size() + 1));
    copy.Write(Pattern(3000, 99));
    copy.Release();
    snapshot.Revert();
    snapshot.Release();
    switch (random(3)) {
      case 0:
        root.Commit();
        committed = working;
        ASSERT_TRUE(Problems("l.cfb").empty()) << round;
        break;
      case 1:
        root.Revert();
        working = committed;
        break;
      default:
        break;
    }
    auto check = root.OpenStorage(u"Sub", kRW).OpenStream(u"big", kRW);
    ASSERT_EQ(ReadAll(check), working) << "round " << round;
  }
}

TEST_F(StorageTest, LargeStreamsGoToTheFileBeforeTheCommit) {
  const auto big = Pattern((5u << 20) + 100, 41);
  auto root = engine_.CreateStorageFile(u"x.cfb", kTransactedRoot);
  root.Commit();
  const size_t empty = fs_->Contents("x.cfb").size();
  WriteAll(root.CreateStorage(u"Sub", kRW).CreateStream(u"big", kRW), big);
  // Once past 2 MiB all of the bytes are in the file already, yet the file
  // on disk is still the empty document until the commit.
  EXPECT_GE(fs_->Contents("x.cfb").size(), empty + big.size());
  EXPECT_TRUE(
      TakeSnapshot(engine_.OpenStorageFile(u"x.cfb", STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED)).empty());
  root.Revert();
  EXPECT_EQ(fs_->Contents("x.cfb").size(), empty);

  // No gap is left where the bytes were written: the file holds the stream,
  // its tables and the two sectors of the empty document.
  WriteAll(root.CreateStorage(u"Sub", kRW).CreateStream(u"big", kRW), big);
  root.Commit();
  EXPECT_LT(fs_->Contents("x.cfb").size(), big.size() + size_t{64} * 1024);
  EXPECT_TRUE(Problems("x.cfb").empty());
  {
    // The stream lies in one run, its first 2 MiB included, starting on a
    // 4 KiB boundary of the file.
    auto c = Open("x.cfb");
    const auto& e = *std::find_if(c->entries().begin(), c->entries().end(),
                                  [](const DirEntry& d) { return d.size == (5u << 20) + 100; });
    const auto chain = c->FatChain(e.start, (e.size + 511) / 512);
    EXPECT_EQ((uint64_t{chain.front()} + 1) * 512 % 4096, 0u);
    for (size_t i = 1; i < chain.size(); ++i) ASSERT_EQ(chain[i], chain[i - 1] + 1) << i;
  }

  // A transacted storage that shares written bytes stays open across the
  // commit that adopts them and the later commits that free and reuse those
  // sectors; it must keep reading its own bytes, and its writes must not
  // reach the committed file.
  const auto grown = Pattern(5u << 20, 43);
  WriteAll(root.OpenStorage(u"Sub", kRW).CreateStream(u"grown", kRW), grown);
  {
    auto target = root.CreateStorage(u"Copy", kRW);
    root.OpenStorage(u"Sub", kRW).CopyTo(target);
  }
  auto copy = root.OpenStorage(u"Copy", kRW | STGM_TRANSACTED);
  root.Commit();
  for (uint32_t seed : {45u, 46u}) {
    WriteAll(root.OpenStorage(u"Sub", kRW).OpenStream(u"grown", kRW), Pattern(4u << 20, seed));
    root.Commit();
  }
  auto mine = copy.OpenStream(u"grown", kRW);
  EXPECT_EQ(ReadAll(mine), grown);
  mine.SetPosition(3u << 20);
  mine.Write(Pattern(10000, 42));
  EXPECT_TRUE(Problems("x.cfb").empty());
  const auto doc = TakeSnapshot(engine_.OpenStorageFile(u"x.cfb", STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED));
  EXPECT_EQ(doc.at(u"Copy\\grown"), grown);
  EXPECT_EQ(doc.at(u"Sub\\grown"), Pattern(4u << 20, 46));
  EXPECT_EQ(doc.at(u"Sub\\big"), big);
}

TEST_F(StorageTest, TransactedRootPublishesOnCommitAndDropsOnRevert) {
  auto root = engine_.CreateStorageFile(u"t.cfb", kTransactedRoot);
  root.CreateStream(u"kept", kRW).Write(Pattern(10, 1));
  root.Commit();
  root.CreateStream(u"dropped", kRW).Write(Pattern(10, 2));
  auto stale = root.OpenStream(u"kept", kRW);
  root.Revert();
  EXPECT_EQ(root.ElementType(u"dropped"), 0);
  EXPECT_EQ(root.ElementType(u"kept"), STGTY_STREAM);
  EXPECT_EQ(ErrorOf([&] { stale.Length(); }), STG_E_REVERTED);
  // Until Commit, other opens see the committed file.
  root.CreateStream(u"pending", kRW);
  auto reader = engine_.OpenStorageFile(u"t.cfb", STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED);
  EXPECT_EQ(reader.ElementType(u"pending"), 0);
}

TEST_F(StorageTest, SubStoragesDirectAndTransacted) {
  auto root = engine_.CreateStorageFile(u"s.cfb", kTransactedRoot);
  root.CreateStorage(u"A", kRW);
  root.Commit();
  {
    // Direct: the change is the parent's pending change at once.
    auto a = root.OpenStorage(u"A", kRW);
    a.CreateStream(u"direct", kRW);
  }
  EXPECT_EQ(root.OpenStorage(u"A", kRW).ElementType(u"direct"), STGTY_STREAM);
  {
    auto a = root.OpenStorage(u"\\A", kRW | STGM_TRANSACTED);
    a.CreateStream(u"reverted", kRW);
    a.Revert();
    a.CreateStream(u"committed", kRW).Write(Pattern(5000, 3));
    a.CreateStorage(u"Deep", kRW).CreateStream(u"x", kRW).Write(Pattern(3, 4));
    a.Commit();
    a.CreateStream(u"uncommitted", kRW);
  }
  auto a = root.OpenStorage(u"A", kRW);
  EXPECT_EQ(a.ElementType(u"committed"), STGTY_STREAM);
  EXPECT_EQ(a.ElementType(u"reverted"), 0);
  EXPECT_EQ(a.ElementType(u"uncommitted"), 0);
  a.Release();
  root.Revert();  // the sub-storage's commit was only into the root's pending state
  EXPECT_EQ(root.OpenStorage(u"A", kRW).ElementType(u"committed"), 0);
}

TEST_F(StorageTest, ElementOperationsFollowTheModes) {
  auto root = engine_.CreateStorageFile(u"m.cfb", kTransactedRoot);
  auto s = root.CreateStream(u"s", kRW);
  EXPECT_EQ(ErrorOf([&] { root.OpenStream(u"s", kRW); }), STG_E_ACCESSDENIED);  // already open
  s.Release();
  EXPECT_EQ(ErrorOf([&] { root.OpenStream(u"s", STGM_READWRITE | STGM_SHARE_DENY_WRITE); }), STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { root.OpenStream(u"s", kRW | STGM_TRANSACTED); }), STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { root.OpenStream(u"s", 3 | STGM_SHARE_EXCLUSIVE); }), STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { root.OpenStream(u"missing", kRW); }), STG_E_FILENOTFOUND);
  EXPECT_EQ(ErrorOf([&] { root.CreateStream(u"S", kRW); }), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(ErrorOf([&] { root.CreateStream(u"s", kRW | STGM_CREATE); }), 0);
  for (auto bad : {u"a/b", u"a:b", u"a!b", u"", u"12345678901234567890123456789012"}) {
    EXPECT_EQ(ErrorOf([&] { root.CreateStream(bad, kRW); }), STG_E_INVALIDNAME) << ToUtf8(bad);
  }
  EXPECT_EQ(ErrorOf([&] { root.CreateStream(u"1234567890123456789012345678901", kRW); }), 0);
  {
    auto ro = root.OpenStream(u"s", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(ErrorOf([&] { ro.Write(Pattern(1, 1)); }), STG_E_ACCESSDENIED);
  }
  root.CreateStorage(u"ro", kRW);
  {
    auto ro = root.OpenStorage(u"ro", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(ErrorOf([&] { ro.CreateStream(u"x", kRW); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(ErrorOf([&] { root.DestroyElement(u"ro"); }), 0);
    EXPECT_EQ(ErrorOf([&] { ro.ElementType(u"x"); }), STG_E_REVERTED);
  }
  root.CreateStream(u"other", kRW);
  EXPECT_EQ(ErrorOf([&] { root.RenameElement(u"other", u"S"); }), STG_E_ACCESSDENIED);
  EXPECT_EQ(ErrorOf([&] { root.RenameElement(u"nothing", u"x"); }), STG_E_FILENOTFOUND);
  root.RenameElement(u"other", u"renamed");
  EXPECT_EQ(root.ElementType(u"renamed"), STGTY_STREAM);
  EXPECT_EQ(root.ElementType(u"other"), 0);
}

TEST_F(StorageTest, RootModesAndSharing) {
  engine_.CreateStorageFile(u"f.cfb", kTransactedRoot).Commit();
  EXPECT_EQ(ErrorOf([&] { engine_.CreateStorageFile(u"f.cfb", kTransactedRoot); }), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"f.cfb", STGM_READWRITE | STGM_SHARE_DENY_WRITE); }), STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"f.cfb", kTransactedRoot | STGM_CREATE); }), STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { engine_.CreateStorageFile(u"g.cfb", STGM_CREATE | STGM_CONVERT | kTransactedRoot); }),
            STG_E_INVALIDFLAG);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"nope.cfb", kTransactedRoot); }), STG_E_FILENOTFOUND);
  auto writer = engine_.OpenStorageFile(u"f.cfb", kTransactedRoot);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"f.cfb", kTransactedRoot); }), STG_E_SHAREVIOLATION);
  auto reader = engine_.OpenStorageFile(u"f.cfb", STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"f.cfb", STGM_READ | STGM_SHARE_EXCLUSIVE); }), STG_E_SHAREVIOLATION);
  // A read-only transacted root may be changed in memory but never committed.
  reader.CreateStream(u"scratch", kRW);
  EXPECT_EQ(ErrorOf([&] { reader.Commit(); }), STG_E_ACCESSDENIED);
  writer.Release();
  reader.Release();
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(u"f.cfb", STGM_READWRITE | STGM_SHARE_EXCLUSIVE).Release(); }), 0);
}

TEST_F(StorageTest, ConvertWrapsAFlatFileUntilCommitted) {
  const auto flat = Pattern(10000, 9);
  fs_->SetContents("flat.bin", flat);
  const int32_t convert = STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE;
  {
    auto root = engine_.CreateStorageFile(u"flat.bin", convert);
    auto contents = root.OpenStream(u"CONTENTS", kRW);
    EXPECT_EQ(ReadAll(contents), flat);
    contents.Write(Pattern(5, 1));
  }
  EXPECT_EQ(fs_->Contents("flat.bin"), flat);  // released without Commit: untouched
  {
    auto root = engine_.CreateStorageFile(u"flat.bin", convert);
    root.CreateStream(u"extra", kRW);
    root.Commit();
  }
  EXPECT_TRUE(Problems("flat.bin").empty());
  EXPECT_EQ(fs_->FileCount(), 1u);  // the rewrite left no temporary file
  auto root = engine_.OpenStorageFile(u"flat.bin", STGM_READ | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED);
  auto contents = root.OpenStream(u"CONTENTS", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(ReadAll(contents), flat);
  EXPECT_EQ(root.ElementType(u"extra"), STGTY_STREAM);
}

TEST_F(StorageTest, TempStoresLeaveNothingBehind) {
  const size_t files_before = fs_->FileCount();
  const int32_t handle = engine_.CreateTempStore();
  EXPECT_GT(handle, 0);
  {
    auto root = engine_.CreateRootStorage(u"temp", kTransactedRoot, handle);
    WriteAll(root.CreateStream(u"x", kRW), Pattern(9000, 1));
    root.Commit();
    EXPECT_EQ(root.Name(), u"temp");
  }
  engine_.ReleaseTempStore(handle);
  EXPECT_EQ(fs_->FileCount(), files_before);
  EXPECT_EQ(fs_->OpenFileCount(), 0u);
  EXPECT_EQ(ErrorOf([&] { engine_.ReleaseTempStore(handle); }), STG_E_INVALIDHANDLE);
}

// A new document lives in a direct root over a temporary store, and element
// objects commit their storage after every element. Those commits make
// nothing durable (the store vanishes with the document) and would each cost
// the whole document; the pages they committed upwards wait in the store's
// file once the storage is released, as closed streams' pages do.
TEST_F(StorageTest, ATemporaryStoreHoldsWhatStoragesCommitWithoutCommittingItself) {
  const testing::PagesKeptInMemoryForTest store_every_page(0);
  auto plan = std::make_shared<FaultPlan>();
  StorageEngine engine(std::make_shared<FaultFileSystem>(fs_, plan));
  const int32_t handle = engine.CreateTempStore();
  auto root = engine.CreateRootStorage(u"DocumentRoot", kRW | STGM_CREATE, handle);
  root.CreateStorage(u"Settings", kRW).Release();
  const long writes = plan->calls;
  const long syncs = plan->syncs;
  const size_t pages = PagesInUse();
  constexpr int kElements = 200;
  const auto name = [](int i) { return u"s" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                                       std::u16string(1, static_cast<char16_t>(u'a' + i / 10)); };
  for (int i = 0; i < kElements; ++i) {
    auto settings = root.OpenStorage(u"Settings", STGM_TRANSACTED | kRW);
    auto stream = settings.CreateStream(name(i), kRW);
    WriteAll(stream, Pattern(3000, static_cast<uint32_t>(i)));
    settings.Commit();
    stream.Release();
    settings.Release();
  }
  EXPECT_LT(PagesInUse() - pages, 20u) << "committed pages stayed in memory";
  EXPECT_LT(plan->calls - writes, kElements / 10) << "the store was committed for every element";
  EXPECT_EQ(plan->syncs, syncs);

  auto saved = engine.CreateStorageFile(u"saved.qxv", kTransactedRoot);
  root.CopyTo(saved);
  saved.Commit();
  saved.Release();
  root.Release();
  engine.ReleaseTempStore(handle);
  EXPECT_TRUE(Problems("saved.qxv").empty());
  auto reopened = engine_.OpenStorageFile(u"saved.qxv", STGM_READ | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED);
  auto settings = reopened.OpenStorage(u"Settings", STGM_READ | STGM_SHARE_EXCLUSIVE);
  for (int i = 0; i < kElements; ++i) {
    auto stream = settings.OpenStream(name(i), STGM_READ | STGM_SHARE_EXCLUSIVE);
    ASSERT_EQ(ReadAll(stream), Pattern(3000, static_cast<uint32_t>(i))) << i;
  }
}

TEST_F(StorageTest, CopyToCopiesEverythingIncludingPendingChanges) {
  auto src = engine_.CreateStorageFile(u"src.cfb", kTransactedRoot);
  src.CreateStorage(u"A", kRW).CreateStream(u"deep", kRW).Write(Pattern(6000, 1));
  src.CreateStream(u"small", kRW).Write(Pattern(30, 2));
  auto big = Pattern((size_t{9} << 20) + 123, 4);
  src.CreateStream(u"big", kRW).Write(big);
  src.Commit();
  src.OpenStream(u"small", kRW).Write(Pattern(40, 3));  // pending only
  auto pending = src.OpenStream(u"big", kRW);
  pending.SetPosition(5u << 20);
  pending.Write(Pattern(10000, 5));
  pending.Release();
  std::copy_n(Pattern(10000, 5).begin(), 10000, big.begin() + (5 << 20));
  auto dst = engine_.CreateStorageFile(u"dst.cfb", kTransactedRoot);
  dst.CreateStream(u"small", kRW).Write(Pattern(1, 1));  // replaced
  const size_t pages = PagesInUse();
  src.CopyTo(dst);
  src.CopyTo(dst);  // twice: same names are replaced, not duplicated
  // A large stream goes to the destination's file as it is copied, not into memory.
  EXPECT_LT(PagesInUse() - pages, 600u);
  dst.Commit();
  src.Release();
  dst.Release();
  EXPECT_TRUE(Problems("dst.cfb").empty());
  auto d = engine_.OpenStorageFile(u"dst.cfb", kTransactedRoot);
  auto small = d.OpenStream(u"small", kRW);
  EXPECT_EQ(ReadAll(small), Pattern(40, 3));
  auto deep = d.OpenStorage(u"A", kRW).OpenStream(u"deep", kRW);
  EXPECT_EQ(ReadAll(deep), Pattern(6000, 1));
  auto copied = d.OpenStream(u"big", kRW);
  EXPECT_TRUE(ReadAll(copied) == big);
}

// A flat file seen as a storage holds its bytes in memory; copied into a
// writable document they go to that document's file at once, so that the
// document does not keep them in memory until its commit.
TEST_F(StorageTest, AFlatFileCopiedInGoesToTheDocumentsFile) {
  const auto bytes = Pattern((size_t{9} << 20) + 7, 6);
  fs_->SetContents("flat", bytes);
  auto flat = engine_.CreateStorageFile(u"flat", STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE);
  auto dst = engine_.CreateStorageFile(u"d.cfb", kTransactedRoot);
  flat.CopyTo(dst);
  EXPECT_GT(fs_->Contents("d.cfb").size(), bytes.size());
  flat.Release();
  dst.Commit();
  dst.Release();
  EXPECT_TRUE(fs_->Contents("flat") == bytes);
  auto d = engine_.OpenStorageFile(u"d.cfb", STGM_READ | STGM_SHARE_DENY_WRITE);
  auto contents = d.OpenStream(u"CONTENTS", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_TRUE(ReadAll(contents) == bytes);
}

TEST_F(StorageTest, StreamPositionsAndValues) {
  auto root = engine_.CreateStorageFile(u"v.cfb", kTransactedRoot);
  auto s = root.CreateStream(u"v", kRW);
  s.WriteValue(-1, Variant(uint8_t{0xAB}));
  s.WriteValue(-1, Variant(int16_t{-2}));
  s.WriteValue(-1, Variant(int32_t{0x01020304}));
  s.WriteValue(-1, Variant(1.5f));
  s.WriteValue(-1, Variant(2.25));
  s.WriteValue(-1, Variant(Date{45000.5}));
  s.WriteValue(-1, Variant(true));
  s.WriteValue(-1, Variant(u"Hé"));
  EXPECT_EQ(s.Size(), 1 + 2 + 4 + 4 + 8 + 8 + 2 + 2);
  EXPECT_EQ(s.AtEnd(), 1);
  const auto bytes = ReadAll(s);
  EXPECT_EQ(std::to_integer<int>(bytes[3]), 0x04);  // little-endian Long
  EXPECT_EQ(std::to_integer<int>(bytes[27]), 0xFF);  // True is -1
  EXPECT_EQ(std::to_integer<int>(bytes[30]), 0xE9);  // é in Windows-1252
  Variant v{uint8_t{0}};
  s.ReadValue(0, v);
  EXPECT_EQ(v, Variant(uint8_t{0xAB}));
  v = Variant(int16_t{0});
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(int16_t{-2}));
  v = Variant(int32_t{0});
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(int32_t{0x01020304}));
  v = Variant(0.0f);
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(1.5f));
  v = Variant(0.0);
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(2.25));
  v = Variant(Date{});
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(Date{45000.5}));
  v = Variant(false);
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(true));
  v = Variant(u"xx");
  s.ReadValue(-1, v);
  EXPECT_EQ(v, Variant(u"Hé"));
  EXPECT_EQ(ErrorOf([&] { s.ReadValue(-1, v); }), STG_E_READFAULT);
  EXPECT_EQ(ErrorOf([&] { s.ReadValue(30, v); }), STG_E_READFAULT);
  EXPECT_EQ(v, Variant(u"Hé"));
  EXPECT_EQ(s.Position(), 31u);  // a failed read moves nothing
  EXPECT_EQ(s.Seek(-3, 1), 28);
  EXPECT_EQ(ErrorOf([&] { s.Seek(-1, 0); }), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(s.Seek(2, 0), 2);
  const auto* mapped = reinterpret_cast<const std::byte*>(s.MapRange(3, 6));  // NOLINT(performance-no-int-to-ptr): the API hands out an address
  ASSERT_NE(mapped, nullptr);
  EXPECT_TRUE(std::equal(mapped, mapped + 4, bytes.begin() + 3));
  EXPECT_EQ(s.MapRange(0, 1), 0u);
  EXPECT_EQ(s.MapRange(5, 100), 0u);
  EXPECT_EQ(ErrorOf([] { Stream().Size(); }), rt::kObjectNotSet);
}

}  // namespace
}  // namespace vellora2::compound
