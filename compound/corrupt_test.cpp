// Broken and unusual files: damage gives an error, never a crash or a hang, and
// the liberties other writers take are accepted.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "compound/checker.hpp"
#include "compound/container.hpp"
#include "compound/name.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::Pattern;
using testing::TakeSnapshot;
using testing::WriteAll;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr int32_t kRead = STGM_READ | STGM_SHARE_DENY_WRITE;

class CorruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto root = engine_.CreateStorageFile(u"ok", kRoot);
    WriteAll(root.CreateStream(u"big", kRW), Pattern(20000, 1));
    WriteAll(root.CreateStream(u"small", kRW), Pattern(100, 2));
    auto sub = root.CreateStorage(u"Sub", kRW);
    WriteAll(sub.CreateStream(u"inner", kRW), Pattern(5000, 3));
    sub.Release();
    root.Commit();
    good_ = fs_->Contents("ok");
  }

  // Opens `bytes` and reads every element; the error number, or 0.
  int32_t OpenAndWalk(const std::vector<std::byte>& bytes) {
    fs_->SetContents("bad", bytes);
    return ErrorOf([&] { TakeSnapshot(engine_.OpenStorageFile(u"bad", kRead)); });
  }

  // Rewrites directory entries in place with `edit`.
  std::vector<std::byte> EditDirectory(std::vector<std::byte> bytes,
                                       const std::function<void(std::vector<DirEntry>&)>& edit) {
    fs_->SetContents("edit", bytes);
    auto c = Container::Open(fs_->Open("edit", OpenMode::kRead));
    auto entries = c->entries();
    edit(entries);
    const uint32_t ssz = c->sector_size();
    for (size_t i = 0; i < entries.size(); ++i) {
      const uint64_t at = (uint64_t{c->dir_chain()[i * kDirEntrySize / ssz]} + 1) * ssz + i * kDirEntrySize % ssz;
      SerializeDirEntry(entries[i], std::span(bytes).subspan(at, kDirEntrySize));
    }
    return bytes;
  }
  uint32_t Id(const std::vector<DirEntry>& entries, std::u16string_view name) {
    for (uint32_t i = 0; i < entries.size(); ++i) {
      if (entries[i].name == name) return i;
    }
    return kNoStream;
  }
  void SetFat(std::vector<std::byte>& bytes, uint32_t sector, uint32_t value) {
    fs_->SetContents("edit", bytes);
    auto c = Container::Open(fs_->Open("edit", OpenMode::kRead));
    const uint32_t ssz = c->sector_size();
    Put32(bytes, (uint64_t{c->fat_sectors()[sector / (ssz / 4)]} + 1) * ssz + uint64_t{sector % (ssz / 4)} * 4, value);
  }

  std::shared_ptr<MemoryFileSystem> fs_ = std::make_shared<MemoryFileSystem>();
  StorageEngine engine_{fs_};
  std::vector<std::byte> good_;
};

TEST_F(CorruptTest, DamagedStructuresAreReportedNotFollowed) {
  ASSERT_EQ(OpenAndWalk(good_), 0);
  EXPECT_EQ(OpenAndWalk({}), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(OpenAndWalk(std::vector<std::byte>(good_.begin(), good_.begin() + 600)), STG_E_DOCFILECORRUPT);
  auto header = good_;
  Put32(header, 0x2C, 0x10000000);  // FAT sector count beyond the file
  EXPECT_EQ(OpenAndWalk(header), STG_E_INVALIDHEADER);
  header = good_;
  Put32(header, 0x4C, 0x7FFFFFF0);  // first FAT sector outside the file
  EXPECT_EQ(OpenAndWalk(header), STG_E_DOCFILECORRUPT);

  uint32_t big_start = 0;
  auto cycle = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    big_start = e[Id(e, u"big")].start;
    e[Id(e, u"big")].left = Id(e, u"Sub");  // Sub is reached twice
  });
  EXPECT_EQ(OpenAndWalk(cycle), STG_E_DOCFILECORRUPT);
  auto self = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[Id(e, u"Sub")].child = Id(e, u"Sub"); });
  EXPECT_EQ(OpenAndWalk(self), STG_E_DOCFILECORRUPT);
  auto outside = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[Id(e, u"small")].right = 5000; });
  EXPECT_EQ(OpenAndWalk(outside), STG_E_DOCFILECORRUPT);
  auto huge = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[Id(e, u"big")].size = 0xFFFFFFF0; });
  EXPECT_EQ(OpenAndWalk(huge), STG_E_DOCFILECORRUPT);
  auto long_mini = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[Id(e, u"small")].size = 4000; });
  EXPECT_EQ(OpenAndWalk(long_mini), STG_E_DOCFILECORRUPT);

  auto loop = good_;
  SetFat(loop, big_start + 3, big_start + 1);  // the stream's chain turns back on itself
  EXPECT_EQ(OpenAndWalk(loop), STG_E_DOCFILECORRUPT);
  EXPECT_FALSE(CheckFile(fs_->Open("bad", OpenMode::kRead)).empty());
  auto out_of_range = good_;
  SetFat(out_of_range, big_start, 0x00FFFFFF);
  EXPECT_EQ(OpenAndWalk(out_of_range), STG_E_DOCFILECORRUPT);
}

TEST_F(CorruptTest, LibertiesOfOtherWritersAreAccepted) {
  // 600 children linked as one right-leaning chain in reverse name order: a
  // tree that is neither balanced nor ordered, and deep enough to overflow a
  // recursive walker's stack frames if each were large.
  std::vector<std::byte> wide;
  {
    auto root = engine_.CreateStorageFile(u"wide", kRoot);
    for (int i = 0; i < 600; ++i) root.CreateStream(u"s" + U16(std::to_string(i)), kRW);
    WriteAll(root.CreateStream(u"\U0001F600 emoji", kRW), Pattern(10, 4));
    root.Commit();
    wide = fs_->Contents("wide");
  }
  auto degenerate = EditDirectory(wide, [&](std::vector<DirEntry>& e) {
    uint32_t prev = kNoStream;
    for (uint32_t i = 1; i < e.size(); ++i) {
      if (e[i].type == EntryType::kUnused) continue;
      e[i].left = kNoStream;
      e[i].right = prev;
      e[i].color = Color::kRed;
      prev = i;
    }
    e[0].child = prev;
  });
  fs_->SetContents("bad", degenerate);
  // The check names each such tree once, as a note: the file reads correctly.
  auto findings = engine_.Check(u"bad");
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_TRUE(findings[0].note);
  EXPECT_EQ(findings[0].text,
            "the tree under the root is out of name order, has a red top and has red entries under red ones");
  auto root = engine_.OpenStorageFile(u"bad", kRead);
  EXPECT_EQ(root.ElementType(u"S599"), STGTY_STREAM);
  auto emoji = root.OpenStream(u"\U0001F600 EMOJI", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(testing::ReadAll(emoji), Pattern(10, 4));
  int16_t type = 0;
  std::u16string name, previous;
  int count = 0;
  for (root.NextElement(0, type, name); type != 0; root.NextElement(1, type, name), ++count) {
    if (count > 0) {
      EXPECT_LT(CompareNames(previous, name), 0);  // reported in name order all the same
    }
    previous = name;
  }
  EXPECT_EQ(count, 601);
  root.Release();

  // An empty stream whose start sector is 0 instead of end-of-chain.
  auto zero_start = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    e[Id(e, u"small")].size = 0;
    e[Id(e, u"small")].start = 0;
  });
  EXPECT_EQ(OpenAndWalk(zero_start), 0);
  // Two storages of one name: the second is unreachable and ignored.
  auto twins = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    DirEntry& big = e[Id(e, u"big")];
    big.type = EntryType::kStorage;
    big.name = u"SUB";
    big.start = 0;
    big.size = 0;
  });
  EXPECT_EQ(OpenAndWalk(twins), 0);
  findings = engine_.Check(u"bad");
  EXPECT_EQ(std::count_if(
                findings.begin(), findings.end(),
                [](const auto& f) { return !f.note && f.text.find("more than one entry named") != std::string::npos; }),
            1);
  // Every tree all red, as LibreOffice writes them: one note for each storage.
  auto red = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    for (DirEntry& entry : e) entry.color = Color::kRed;
  });
  fs_->SetContents("bad", red);
  findings = engine_.Check(u"bad");
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_TRUE(findings[0].note && findings[1].note);
  EXPECT_EQ(findings[0].text, "the tree under the root has a red top and has red entries under red ones");
  EXPECT_EQ(findings[1].text, "the tree under Sub has a red top");
  // A version 3 size whose unused high half holds garbage.
  auto high = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[Id(e, u"big")].size |= 0xABCD'0000'0000ull; });
  EXPECT_EQ(OpenAndWalk(high), 0);
}

// Names other writers leave that no path can spell: each element stays
// reachable by its own name and no path leads to another one; the check names
// them as problems.
TEST_F(CorruptTest, NamesNoPathCanSpellAreKeptAndReachedByName) {
  auto odd = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    e[Id(e, u"small")].name = u"Sub\\inner";
    e[Id(e, u"big")].name.clear();
  });
  fs_->SetContents("odd", odd);
  {
    auto root = engine_.OpenStorageFile(u"odd", kRead);
    std::vector<std::u16string> names;
    int16_t type = 0;
    std::u16string name;
    for (root.NextElement(0, type, name); type != 0; root.NextElement(1, type, name)) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"", u"Sub", u"Sub\\inner"}));
    auto literal = root.OpenChildStream(u"Sub\\inner", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(testing::ReadAll(literal), Pattern(100, 2));
    auto path = root.OpenStream(u"Sub\\inner", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(testing::ReadAll(path), Pattern(5000, 3));
    auto empty = root.OpenChildStream(u"", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(testing::ReadAll(empty), Pattern(20000, 1));
    EXPECT_EQ(ErrorOf([&] { root.OpenChildStorage(u"Sub\\inner", STGM_READ | STGM_SHARE_EXCLUSIVE); }),
              STG_E_FILENOTFOUND);
  }
  auto findings = testing::Findings(fs_->Open("odd", OpenMode::kRead));
  EXPECT_EQ(std::count_if(findings.begin(), findings.end(),
                          [](const auto& f) {
                            return f.find("has an empty name") != std::string::npos ||
                                   f.find("is named Sub\\inner, and names cannot hold") != std::string::npos;
                          }),
            2);
  // A commit keeps them, and DestroyChild removes the one it names.
  {
    auto root = engine_.OpenStorageFile(u"odd", kRoot);
    root.DestroyChild(u"Sub\\inner");
    root.Commit();
  }
  auto root = engine_.OpenStorageFile(u"odd", kRead);
  EXPECT_EQ(root.ElementType(u""), STGTY_STREAM);
  EXPECT_EQ(root.ElementType(u"Sub\\inner"), 0);
  EXPECT_EQ(root.OpenStream(u"Sub\\inner", STGM_READ | STGM_SHARE_EXCLUSIVE).Length(), 5000u);
}

// A root whose size is shorter than the mini stream its streams use: the
// bytes past that size are no stream's, and are never read as one.
TEST_F(CorruptTest, MiniStreamIsReadOnlyUpToItsSize) {
  auto short_root = EditDirectory(good_, [&](std::vector<DirEntry>& e) { e[0].size = 64; });
  fs_->SetContents("short", short_root);
  auto root = engine_.OpenStorageFile(u"short", kRead);
  EXPECT_EQ(ErrorOf([&] {
              auto small = root.OpenStream(u"small", STGM_READ | STGM_SHARE_EXCLUSIVE);
              testing::ReadAll(small);
            }),
            STG_E_DOCFILECORRUPT);
  root.Release();
  auto findings = testing::Findings(fs_->Open("short", OpenMode::kRead));
  EXPECT_NE(
      std::find_if(findings.begin(), findings.end(), [](const auto& f) { return f.rfind("stream small: ", 0) == 0; }),
      findings.end());
}

TEST_F(CorruptTest, ACommitOverSharedAndLeakedSectorsWritesASoundDocument) {
  // "inner" reads big's chain too (shared sectors), and its own old sectors
  // are left marked as used by nobody (leaked). A commit must not free a
  // sector a kept stream still reads, nor carry the leak over.
  auto shared = EditDirectory(good_, [&](std::vector<DirEntry>& e) {
    e[Id(e, u"inner")].start = e[Id(e, u"big")].start;
    e[Id(e, u"inner")].size = e[Id(e, u"big")].size;
  });
  fs_->SetContents("fix", shared);
  ASSERT_FALSE(testing::Findings(fs_->Open("fix", OpenMode::kRead)).empty());
  auto expected = Pattern(20000, 1);
  {
    auto root = engine_.OpenStorageFile(u"fix", kRoot);
    auto big = root.OpenStream(u"big", kRW);
    big.SetPosition(7000);
    const std::byte changed{0x5A};
    big.Write(std::span(&changed, 1));
    big.Release();
    root.Commit();
    expected[7000] = changed;
    // A second commit edits the now sound file in place.
    auto small = root.OpenStream(u"small", kRW);
    small.SetSize(5000);
    small.Release();
    root.Commit();
  }
  EXPECT_EQ(testing::Findings(fs_->Open("fix", OpenMode::kRead)), std::vector<std::string>{});
  auto root = engine_.OpenStorageFile(u"fix", kRead);
  auto big = root.OpenStream(u"big", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(testing::ReadAll(big), expected);
  auto sub = root.OpenStorage(u"Sub", STGM_READ | STGM_SHARE_EXCLUSIVE);
  auto inner = sub.OpenStream(u"inner", STGM_READ | STGM_SHARE_EXCLUSIVE);
  EXPECT_EQ(testing::ReadAll(inner), Pattern(20000, 1));
  auto small = root.OpenStream(u"small", STGM_READ | STGM_SHARE_EXCLUSIVE);
  auto grown = Pattern(100, 2);
  grown.resize(5000);
  EXPECT_EQ(testing::ReadAll(small), grown);
}

TEST_F(CorruptTest, RandomDamageNeverCrashes) {
  std::mt19937 rng(5);
  int errors = 0;
  for (int round = 0; round < 1500; ++round) {
    auto bytes = good_;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < flips; ++i) {
      // Aim half of the damage at the header and the first sectors, where the
      // tables are, and the rest anywhere.
      const size_t limit = rng() % 2 ? std::min<size_t>(bytes.size(), 2048) : bytes.size();
      bytes[rng() % limit] = static_cast<std::byte>(rng());
    }
    const int32_t code = OpenAndWalk(bytes);
    if (code != 0) {
      ++errors;
      EXPECT_TRUE(code == STG_E_DOCFILECORRUPT || code == STG_E_INVALIDHEADER || code == STG_E_FILEALREADYEXISTS ||
                  code == STG_E_OLDFORMAT)
          << std::hex << code;
    }
  }
  EXPECT_GT(errors, 100);
}

}  // namespace
}  // namespace vellora2::compound
