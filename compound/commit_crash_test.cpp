// Interrupts a commit at every write, sync and truncate, and proves that the
// file then holds exactly the old or exactly the new document.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <functional>

#include "compound/fault_file.hpp"
#include "compound/level.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::Pattern;
using testing::Snapshot;
using testing::TakeSnapshot;
using testing::WriteAll;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;

std::vector<std::byte> OldDocument() {
  auto fs = std::make_shared<MemoryFileSystem>();
  StorageEngine engine(fs);
  auto root = engine.CreateStorageFile(u"doc", kRoot);
  WriteAll(root.CreateStream(u"big", kRW), Pattern(300000, 1));
  WriteAll(root.CreateStream(u"small", kRW), Pattern(4000, 2));
  WriteAll(root.CreateStream(u"gone", kRW), Pattern(9000, 3));
  auto sub = root.CreateStorage(u"Sub", kRW);
  for (int i = 0; i < 6; ++i) WriteAll(sub.CreateStream(u"s" + std::u16string(1, u'0' + i), kRW), Pattern(100 * static_cast<size_t>(i), 4 + i));
  sub.Release();
  for (int i = 0; i < 8; ++i) WriteAll(root.CreateStream(u"hole" + std::u16string(1, u'0' + i), kRW), Pattern(5000, 20 + i));
  root.Commit();
  // Free sectors scattered through the file make the next commit write in
  // many separate places, each one an interruption point.
  for (int i = 0; i < 8; i += 2) root.DestroyElement(u"hole" + std::u16string(1, u'0' + i));
  root.Commit();
  root.Release();
  return fs->Contents("doc");
}

// Changes of every kind: rewritten sectors inside a big stream, a small stream
// crossing the cutoff, new and destroyed elements, a rename, a truncation, and
// a large stream whose bytes reach the file before the commit.
void Change(Storage root) {
  auto big = root.OpenStream(u"big", kRW);
  big.SetPosition(150000);
  big.Write(Pattern(3000, 10));
  big.SetSize(250000);
  WriteAll(root.OpenStream(u"small", kRW), Pattern(5000, 11));
  root.DestroyElement(u"gone");
  root.RenameElement(u"Sub", u"Renamed");
  auto added = root.CreateStorage(u"Added", STGM_TRANSACTED | kRW);
  WriteAll(added.CreateStream(u"new", kRW), Pattern(700, 12));
  added.Commit();
  WriteAll(root.CreateStream(u"grown", kRW), Pattern((5u << 20) + 1000, 13));
  for (int i = 0; i < 40; ++i) root.CreateStream(u"n" + std::u16string(1, u'A' + i % 26) + std::u16string(1, u'a' + i / 26), kRW);
}

Snapshot Read(const std::vector<std::byte>& bytes, std::vector<std::string>& problems) {
  auto fs = std::make_shared<MemoryFileSystem>();
  fs->SetContents("doc", bytes);
  problems = testing::Findings(fs->Open("doc", OpenMode::kRead));
  if (!problems.empty()) return {};
  StorageEngine engine(fs);
  return TakeSnapshot(engine.OpenStorageFile(u"doc", STGM_READ | STGM_SHARE_DENY_WRITE));
}

using ChangeFn = std::function<void(Storage)>;

// Commits `change` over `old_bytes`, stopping it at every write, sync and
// truncate in turn (torn and whole), and checks that the file then holds the
// old or the new document, whether all that was written reached the disk or
// only what was synced. Returns the interruptions, and how many of the files
// read as the old and as the new document.
std::array<int, 3> InterruptEverywhere(const std::vector<std::byte>& old_bytes, const ChangeFn& change) {
  std::vector<std::string> problems;
  const Snapshot old_doc = Read(old_bytes, problems);
  Snapshot new_doc;
  {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->SetContents("doc", old_bytes);
    StorageEngine engine(fs);
    auto root = engine.OpenStorageFile(u"doc", kRoot);
    change(root);
    root.Commit();
    root.Release();
    new_doc = Read(fs->Contents("doc"), problems);
    EXPECT_TRUE(problems.empty());
  }
  EXPECT_NE(old_doc, new_doc);

  int points = 0, saw_old = 0, saw_new = 0;
  for (bool torn : {false, true}) {
    for (long at = 0;; ++at) {
      auto fs = std::make_shared<MemoryFileSystem>();
      fs->SetContents("doc", old_bytes);
      auto plan = std::make_shared<FaultPlan>();
      plan->kind = FaultPlan::Kind::kCrash;
      plan->at = at;
      plan->torn = torn;
      bool finished = false;
      {
        StorageEngine engine(std::make_shared<FaultFileSystem>(fs, plan));
        try {
          auto root = engine.OpenStorageFile(u"doc", kRoot);
          change(root);
          root.Commit();
          finished = true;
        } catch (const AutomationError&) {
          EXPECT_TRUE(plan->crashed);
        }
      }
      if (finished && !plan->crashed) break;
      ++points;
      for (bool durable_only : {false, true}) {
        const Snapshot got = Read(fs->Contents("doc", durable_only), problems);
        EXPECT_TRUE(got == old_doc || got == new_doc) << "interrupted at call " << at;
        EXPECT_TRUE(problems.empty()) << "interrupted at call " << at << ": " << problems.front();
        (got == new_doc ? saw_new : saw_old)++;
      }
    }
  }
  return {points, saw_old, saw_new};
}

// Commits `change` over `old_bytes` with an I/O error, then a full disk, at
// each call in turn: the commit fails with that error and leaves the document
// whole, and the changes survive it, so that a second commit publishes them.
// A failure that the change absorbed (a page of a closed stream that could
// not wait in the file stays in memory) must lose nothing either. Returns the
// failed commits.
int FailEverywhere(const std::vector<std::byte>& old_bytes, const ChangeFn& change) {
  std::vector<std::string> problems;
  const Snapshot old_doc = Read(old_bytes, problems);
  int failures = 0;
  for (auto kind : {FaultPlan::Kind::kIoError, FaultPlan::Kind::kDiskFull}) {
    for (long at = 0;; ++at) {
      auto fs = std::make_shared<MemoryFileSystem>();
      fs->SetContents("doc", old_bytes);
      auto plan = std::make_shared<FaultPlan>();
      plan->kind = kind;
      plan->at = at;
      StorageEngine engine(std::make_shared<FaultFileSystem>(fs, plan));
      auto root = engine.OpenStorageFile(u"doc", kRoot);
      Snapshot expected;
      try {
        change(root);
        expected = TakeSnapshot(root);
        root.Commit();
        root.Release();
        if (plan->calls <= at) break;  // no call failed: every one has been tried
        EXPECT_EQ(Read(fs->Contents("doc"), problems), expected) << at;
        continue;
      } catch (const AutomationError& e) {
        ++failures;
        EXPECT_EQ(e.number(), kind == FaultPlan::Kind::kDiskFull ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT);
      }
      const Snapshot on_disk = Read(fs->Contents("doc"), problems);
      if (expected.empty()) {
        // A write of the large stream failed: the document is untouched.
        EXPECT_EQ(on_disk, old_doc) << at;
        continue;
      }
      EXPECT_TRUE(on_disk == old_doc || on_disk == expected) << at;
      plan->kind = FaultPlan::Kind::kNone;
      EXPECT_EQ(TakeSnapshot(root), expected);
      root.Commit();
      root.Release();
      EXPECT_EQ(Read(fs->Contents("doc"), problems), expected) << at;
      EXPECT_TRUE(problems.empty());
    }
  }
  return failures;
}

// Small streams whose pages, once they are closed, wait in the file (the
// test lowers the bound kept in memory), some gathered and some written
// before the commit.
void ManySmall(Storage root) {
  auto many = root.CreateStorage(u"Many", kRW);
  for (int i = 0; i < 80; ++i) {
    const std::u16string name{u'm', static_cast<char16_t>(u'0' + i / 100), static_cast<char16_t>(u'0' + i / 10 % 10),
                              static_cast<char16_t>(u'0' + i % 10)};
    WriteAll(many.CreateStream(name, kRW), Pattern(4096 + static_cast<size_t>(i % 2) * 900, 100 + i));
  }
  WriteAll(root.OpenStream(u"small", kRW), Pattern(6000, 11));
}

TEST(CommitCrash, EveryInterruptionLeavesTheOldOrTheNewDocument) {
  const auto [points, saw_old, saw_new] = InterruptEverywhere(OldDocument(), Change);
  std::printf("commit interrupted at %d points (writes, syncs, truncates; torn and whole): %d old, %d new\n", points,
              saw_old, saw_new);
  EXPECT_GT(points, 10);
  EXPECT_GT(saw_new, 0);  // the interruption after the header's sync keeps the new state
}

TEST(CommitCrash, AFailedCommitCanBeRetried) {
  const int failures = FailEverywhere(OldDocument(), Change);
  std::printf("commit failed with an I/O error or a full disk at %d calls and was retried\n", failures);
  EXPECT_GT(failures, 10);
}

// Closed streams' pages written to the file before the commit are unused
// space until it publishes them; a write of them that fails keeps them.
TEST(CommitCrash, PagesWaitingInTheFileAreAllOrNothing) {
  const testing::PagesKeptInMemoryForTest kept(16);
  const auto old_bytes = OldDocument();
  const auto [points, saw_old, saw_new] = InterruptEverywhere(old_bytes, ManySmall);
  const int failures = FailEverywhere(old_bytes, ManySmall);
  std::printf("commit of 80 small streams interrupted at %d points: %d old, %d new; failed at %d\n", points, saw_old,
              saw_new, failures);
  EXPECT_GT(points, 10);
  EXPECT_GT(saw_new, 0);
  EXPECT_GT(failures, 5);
}

TEST(CommitCrash, ConvertingAFlatFileIsAllOrNothing) {
  const auto flat = Pattern(20000, 30);
  int points = 0;
  for (long at = 0;; ++at) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->SetContents("flat", flat);
    auto plan = std::make_shared<FaultPlan>();
    plan->kind = FaultPlan::Kind::kCrash;
    plan->at = at;
    bool finished = false;
    {
      StorageEngine engine(std::make_shared<FaultFileSystem>(fs, plan));
      auto root = engine.CreateStorageFile(u"flat", STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE);
      WriteAll(root.CreateStream(u"extra", kRW), Pattern(10, 31));
      try {
        root.Commit();
        finished = true;
      } catch (const AutomationError&) {
        ++points;
      }
    }
    // The path holds the untouched flat file or the whole new document.
    const auto bytes = fs->Contents("flat", true);
    if (bytes == flat) {
      EXPECT_FALSE(finished);
    } else {
      std::vector<std::string> problems;
      const Snapshot doc = Read(bytes, problems);
      EXPECT_TRUE(problems.empty());
      EXPECT_EQ(doc.at(u"CONTENTS"), flat);
      EXPECT_EQ(doc.at(u"extra"), Pattern(10, 31));
    }
    if (finished) break;
  }
  std::printf("conversion interrupted at %d points\n", points);
  EXPECT_GT(points, 3);
}

// A rewrite (here: growing past a lowered version 3 limit) stopped at any call
// leaves its copy beside the document; the next open for writing removes it.
TEST(CommitCrash, CopiesOfAnInterruptedRewriteGoAtTheNextOpen) {
  const auto old_bytes = OldDocument();
  int points = 0, copies = 0;
  for (long at = 0;; ++at) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->SetContents("doc", old_bytes);
    auto plan = std::make_shared<FaultPlan>();
    plan->kind = FaultPlan::Kind::kCrash;
    plan->at = at;
    auto faulty = std::make_shared<FaultFileSystem>(fs, plan);
    bool finished = false;
    {
      auto file = faulty->Open("doc", OpenMode::kReadWrite);
      Mode mode;
      mode.write = mode.transacted = mode.deny_write = true;
      auto doc = std::make_shared<CompoundFile>(faulty, "doc", file, mode);
      doc->set_container(Container::Open(file));
      doc->set_version3_limit(uint64_t{64} * 1024);
      auto tree = doc->LoadTree();
      auto big = std::make_shared<Node>();
      big->name = u"added";
      big->content.Write(0, Pattern(200000, 40));
      tree->Insert(big);
      try {
        doc->Publish(*tree);
        finished = true;
      } catch (const AutomationError&) {
        EXPECT_TRUE(plan->crashed);
      }
    }
    if (finished) break;
    ++points;
    // The machine "restarts": the same disk without faults.
    StorageEngine engine(fs);
    const size_t files = fs->FileCount();
    if (files > 1) {
      ++copies;
      const auto found = engine.Check(u"doc");
      ASSERT_EQ(found.size(), 1u) << at;
      EXPECT_TRUE(found[0].note);
      EXPECT_NE(found[0].text.find("doc.~"), std::string::npos) << found[0].text;
    }
    auto root = engine.OpenStorageFile(u"doc", kRoot);
    EXPECT_EQ(fs->FileCount(), 1u) << "interrupted at call " << at;
    EXPECT_TRUE(root.ElementType(u"added") == 0 || root.ElementType(u"added") == STGTY_STREAM);
  }
  std::printf("rewrite interrupted at %d points, %d of them left a copy, each removed at the next open\n", points,
              copies);
  EXPECT_GT(copies, 3);
}

TEST(CommitCrash, AFailedCreateLeavesNoFile) {
  int failures = 0;
  for (auto kind : {FaultPlan::Kind::kIoError, FaultPlan::Kind::kDiskFull}) {
    for (long at = 0;; ++at) {
      auto fs = std::make_shared<MemoryFileSystem>();
      auto plan = std::make_shared<FaultPlan>();
      plan->kind = kind;
      plan->at = at;
      StorageEngine engine(std::make_shared<FaultFileSystem>(fs, plan));
      const int32_t code = testing::ErrorOf([&] { engine.CreateStorageFile(u"new", kRoot).Release(); });
      if (code == 0) break;
      ++failures;
      EXPECT_FALSE(fs->Exists("new")) << at;
      plan->kind = FaultPlan::Kind::kNone;
      EXPECT_EQ(testing::ErrorOf([&] { engine.CreateStorageFile(u"new", kRoot).Release(); }), 0) << at;
    }
  }
  std::printf("create failed at %d calls and left no file\n", failures);
  EXPECT_GT(failures, 3);
}

// An import that meets a full disk: the file is no longer afterwards than
// before the write that failed. Faults start once the stream lies in the
// file (its first 2 MiB moved there), so that each write is one call.
TEST(CommitCrash, AFullDiskDuringAnImportCutsTheFileBack) {
  const auto old_bytes = OldDocument();
  const auto data = Pattern(size_t{9} << 20, 50);
  constexpr size_t kPiece = size_t{1} << 20;
  int failures = 0;
  for (long at = 0;; ++at) {
    auto fs = std::make_shared<MemoryFileSystem>();
    fs->SetContents("doc", old_bytes);
    auto plan = std::make_shared<FaultPlan>();
    StorageEngine engine(std::make_shared<FaultFileSystem>(fs, plan));
    auto root = engine.OpenStorageFile(u"doc", kRoot);
    auto stream = root.CreateStream(u"import", kRW);
    stream.Write(std::span(data).first(3 * kPiece));
    plan->kind = FaultPlan::Kind::kDiskFull;
    plan->at = at;
    size_t before = 0;
    bool failed = false;
    for (size_t done = 3 * kPiece; done < data.size() && !failed; done += kPiece) {
      before = fs->Contents("doc").size();
      failed = testing::ErrorOf([&] { stream.Write(std::span(data).subspan(done, kPiece)); }) != 0;
    }
    if (!failed) break;
    ++failures;
    EXPECT_LE(fs->Contents("doc").size(), before) << "failed at call " << at;
  }
  std::printf("import met a full disk at %d calls\n", failures);
  EXPECT_GT(failures, 2);
}

// Import, import again over it, remove: the file is cut after its data, its
// tables moved below it. Compaction gives back the rest (the FAT's free
// entries), and interrupted at any write, sync or rename it leaves the old
// file or the new one, each whole.
TEST(CommitCrash, CompactionGivesSpaceBackAllOrNothing) {
  auto fs = std::make_shared<MemoryFileSystem>();
  std::vector<uint64_t> sizes;
  Snapshot expected;
  {
    StorageEngine engine(fs);
    auto root = engine.CreateStorageFile(u"doc", kRoot);
    WriteAll(root.CreateStream(u"kept", kRW), Pattern(300000, 60));
    WriteAll(root.CreateStream(u"note", kRW), Pattern(700, 61));
    root.Commit();
    sizes.push_back(fs->Contents("doc").size());
    WriteAll(root.CreateStream(u"import", kRW), Pattern(size_t{3} << 20, 62));
    root.Commit();
    WriteAll(root.CreateStream(u"import", kRW | STGM_CREATE), Pattern(size_t{3} << 20, 63));
    root.Commit();
    sizes.push_back(fs->Contents("doc").size());
    root.DestroyElement(u"import");
    root.Commit();
    sizes.push_back(fs->Contents("doc").size());
    expected = TakeSnapshot(root);
  }
  const auto before = fs->Contents("doc");
  StorageEngine(fs).Compact(u"doc");
  sizes.push_back(fs->Contents("doc").size());
  std::printf("sizes: %llu before the imports, %llu after import and import again, %llu removed, %llu compacted\n",
              static_cast<unsigned long long>(sizes[0]), static_cast<unsigned long long>(sizes[1]),
              static_cast<unsigned long long>(sizes[2]), static_cast<unsigned long long>(sizes[3]));
  EXPECT_GT(sizes[1], uint64_t{6} << 20);  // both copies
  EXPECT_LT(sizes[2], sizes[0] + (uint64_t{1} << 20));
  EXPECT_LE(sizes[3], sizes[0]);
  std::vector<std::string> problems;
  EXPECT_EQ(Read(fs->Contents("doc"), problems), expected);
  EXPECT_TRUE(problems.empty());

  int points = 0;
  for (long at = 0;; ++at) {
    auto disk = std::make_shared<MemoryFileSystem>();
    disk->SetContents("doc", before);
    auto plan = std::make_shared<FaultPlan>();
    plan->kind = FaultPlan::Kind::kCrash;
    plan->at = at;
    if (testing::ErrorOf([&] { StorageEngine(std::make_shared<FaultFileSystem>(disk, plan)).Compact(u"doc"); }) == 0) {
      break;
    }
    ++points;
    for (bool durable_only : {false, true}) {
      const auto bytes = disk->Contents("doc", durable_only);
      EXPECT_TRUE(bytes.size() == sizes[2] || bytes.size() == sizes[3]) << "interrupted at call " << at;
      EXPECT_EQ(Read(bytes, problems), expected) << "interrupted at call " << at;
      EXPECT_TRUE(problems.empty()) << "interrupted at call " << at;
    }
    StorageEngine(disk).OpenStorageFile(u"doc", kRoot).Release();
    EXPECT_EQ(disk->FileCount(), 1u) << "interrupted at call " << at;
  }
  std::printf("compaction interrupted at %d points\n", points);
  EXPECT_GT(points, 3);
}

}  // namespace
}  // namespace vellora2::compound
