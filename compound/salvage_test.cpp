// Damaged files salvaged: what did not depend on the damage comes back byte
// for byte, and nothing comes back with bytes other than the file holds.
#include "compound/salvage.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "compound/container.hpp"
#include "compound/test_support.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::Pattern;
using testing::TakeSnapshot;
using testing::WriteAll;
using Bytes = std::vector<std::byte>;

constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;

Bytes ReadDisk(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(s.empty()) << path;
  const auto* p = reinterpret_cast<const std::byte*>(s.data());
  return {p, p + s.size()};
}

std::u16string LastName(const std::u16string& path) { return path.substr(path.rfind(u'\\') + 1); }

// Where a stream of a sound file lies, and every byte range salvage must read
// to bring it back whole: the links that lead to its directory entry, the
// entry, the links of its chain (for a small stream also those of the mini
// stream and the mini-FAT, and the root entry), and its data.
struct StreamLayout {
  uint64_t size = 0;
  uint32_t unit = 0;
  std::vector<uint64_t> offsets;
  std::vector<std::pair<uint64_t, uint64_t>> needs;

  bool Hit(uint64_t begin, uint64_t end) const {
    return std::any_of(needs.begin(), needs.end(), [&](const auto& r) { return r.first < end && begin < r.second; });
  }
  bool Within(uint64_t length) const {
    return std::all_of(needs.begin(), needs.end(), [&](const auto& r) { return r.second <= length; });
  }
};
using Layout = std::map<std::u16string, StreamLayout>;  // by name: the test files' names are unique

Layout LayOut(const Bytes& bytes) {
  auto fs = std::make_shared<MemoryFileSystem>();
  fs->SetContents("f", bytes);
  auto c = Container::Open(fs->Open("f", OpenMode::kRead));
  const uint32_t ssz = c->sector_size();
  const uint32_t per = ssz / 4;
  auto offset = [&](uint32_t s) { return (uint64_t{s} + 1) * ssz; };
  auto entry = [&](StreamLayout& l, const SectorTable& table_sectors, uint32_t index) {
    const uint64_t at = offset(table_sectors[index / per]) + uint64_t{index % per} * 4;
    l.needs.emplace_back(at, at + 4);
  };
  // Walking the first n sectors of a chain needs them inside the file and the links between them.
  auto walk = [&](StreamLayout& l, const SectorTable& chain, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      l.needs.emplace_back(offset(chain[i]), offset(chain[i]) + 1);
      if (i + 1 < n) entry(l, c->fat_sectors(), chain[i]);
    }
  };
  Layout out;
  const auto& entries = c->entries();
  for (uint32_t id = 1; id < entries.size(); ++id) {
    const DirEntry& e = entries[id];
    if (e.type != EntryType::kStream) continue;
    StreamLayout l;
    l.size = e.size;
    const size_t k = size_t{id} * kDirEntrySize / ssz;
    walk(l, c->dir_chain(), k + 1);
    const uint64_t slot = offset(c->dir_chain()[k]) + uint64_t{id} * kDirEntrySize % ssz;
    l.needs.emplace_back(slot, slot + kDirEntrySize);
    if (e.size >= kMiniStreamCutoff) {
      l.unit = ssz;
      const auto chain = c->FatChain(e.start, DivUp(e.size, ssz));
      walk(l, chain, chain.size());
      for (uint32_t s : chain) l.offsets.push_back(offset(s));
    } else if (e.size > 0) {
      l.unit = kMiniSectorSize;
      const uint64_t root = offset(c->dir_chain()[0]);
      l.needs.emplace_back(root, root + kDirEntrySize);
      const auto chain = c->MiniChain(e.start, DivUp(e.size, kMiniSectorSize));
      const auto& ms = c->ministream_chain();
      size_t ms_used = 0;
      size_t mf_used = 0;
      for (size_t i = 0; i < chain.size(); ++i) {
        const uint64_t at = uint64_t{chain[i]} * kMiniSectorSize;
        ms_used = std::max<size_t>(ms_used, at / ssz + 1);
        l.offsets.push_back(offset(ms[at / ssz]) + at % ssz);
        if (i + 1 < chain.size()) {
          entry(l, c->minifat_chain(), chain[i]);
          mf_used = std::max<size_t>(mf_used, chain[i] / per + 1);
        }
      }
      walk(l, ms, ms_used);
      walk(l, c->minifat_chain(), mf_used);
    }
    for (size_t i = 0; i < l.offsets.size(); ++i) {
      l.needs.emplace_back(l.offsets[i], l.offsets[i] + std::min<uint64_t>(l.unit, l.size - i * l.unit));
    }
    out[e.name] = l;
  }
  return out;
}

SalvagedFile SalvageBytes(const Bytes& bytes) {
  auto fs = std::make_shared<MemoryFileSystem>();
  fs->SetContents("f", bytes);
  return SalvageFile(fs->Open("f", OpenMode::kRead));
}

// Salvages `damaged` and holds it against the sound file's layout: every
// stream's recovered bytes are the bytes the damaged file holds where the
// stream lay, and every stream `intact` says was not hit comes back whole.
// Returns the number of streams that came back whole.
size_t Verify(const Bytes& damaged, const Layout& layout, const std::function<bool(const StreamLayout&)>& intact,
              const std::string& what) {
  const SalvagedFile f = SalvageBytes(damaged);
  std::set<std::u16string> whole;
  for (size_t i = 0; i < f.Elements().size(); ++i) {
    const SalvagedElement& e = f.Elements()[i];
    if (e.is_storage) continue;
    const auto it = layout.find(LastName(e.path));
    if (it == layout.end()) {
      ADD_FAILURE() << what << ": a stream that was not there: " << ToUtf8(e.path);
      continue;
    }
    const StreamLayout& l = it->second;
    Bytes got(e.recovered);
    EXPECT_EQ(f.Read(i, 0, got), e.recovered);
    // Recovered bytes lie inside the file, so the truth needs no bytes past its end.
    Bytes truth;
    for (size_t u = 0; u < l.offsets.size() && truth.size() < e.recovered; ++u) {
      const uint64_t n = std::min<uint64_t>(l.unit, e.recovered - truth.size());
      const uint64_t begin = std::min<uint64_t>(l.offsets[u], damaged.size());
      const uint64_t end = std::min<uint64_t>(l.offsets[u] + n, damaged.size());
      truth.insert(truth.end(), damaged.begin() + static_cast<ptrdiff_t>(begin),
                   damaged.begin() + static_cast<ptrdiff_t>(end));
      if (end - begin < n) break;
    }
    EXPECT_TRUE(got == truth) << what << ": wrong bytes in " << ToUtf8(e.path);
    if (e.verdict == SalvageVerdict::kWhole) {
      EXPECT_EQ(e.recovered, l.size) << what;
      whole.insert(it->first);
    } else {
      EXPECT_FALSE(e.reason.empty()) << what;
    }
  }
  for (const auto& [name, l] : layout) {
    if (intact(l)) {
      EXPECT_TRUE(whole.count(name)) << what << ": " << ToUtf8(name) << " should have come back whole";
    }
  }
  return whole.size();
}

class SalvageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto root = engine_.CreateStorageFile(u"ours", kRoot);
    // Big enough for several FAT sectors, with streams on both sides of the cutoff.
    WriteAll(root.CreateStream(u"big", kRW), Pattern(200000, 1));
    WriteAll(root.CreateStream(u"medium", kRW), Pattern(20000, 2));
    WriteAll(root.CreateStream(u"small", kRW), Pattern(100, 3));
    WriteAll(root.CreateStream(u"almost", kRW), Pattern(4095, 4));
    root.CreateStream(u"empty", kRW);
    auto sub = root.CreateStorage(u"Sub", kRW);
    WriteAll(sub.CreateStream(u"inner", kRW), Pattern(5000, 5));
    WriteAll(sub.CreateStream(u"tiny", kRW), Pattern(50, 6));
    auto deeper = sub.CreateStorage(u"Deeper", kRW);
    WriteAll(deeper.CreateStream(u"leaf", kRW), Pattern(1000, 7));
    deeper.Release();
    sub.Release();
    root.Commit();
    root.Release();
    ours_ = fs_->Contents("ours");
  }

  // Ours, a Word document LibreOffice wrote, and a version 4 file.
  std::vector<std::pair<std::string, Bytes>> Files() {
    return {{"ours", ours_},
            {"libreoffice", ReadDisk(VELLORA2_SOURCE_DIR "/tests/interop/fixtures/libreoffice-properties.doc")},
            {"v4", ReadDisk(VELLORA2_SOURCE_DIR "/fuzz/corpus/v4.cfb")}};
  }

  std::shared_ptr<MemoryFileSystem> fs_ = std::make_shared<MemoryFileSystem>();
  StorageEngine engine_{fs_};
  Bytes ours_;
};

TEST_F(SalvageTest, SoundFilesComeBackWholeAndCopy) {
  for (const auto& [name, bytes] : Files()) {
    const Layout layout = LayOut(bytes);
    EXPECT_EQ(Verify(
                  bytes, layout, [](const auto&) { return true; }, name),
              layout.size());
    const SalvagedFile f = SalvageBytes(bytes);
    EXPECT_TRUE(f.Whole()) << name;
    EXPECT_TRUE(f.Problems().empty()) << name << ": " << f.Report();
    fs_->SetContents("in", bytes);
    auto copy = engine_.CreateStorageFile(u"copy", kRoot | STGM_CREATE);
    f.CopyTo(copy);
    copy.Commit();
    EXPECT_EQ(TakeSnapshot(copy), TakeSnapshot(engine_.OpenStorageFile(u"in", STGM_READ | STGM_SHARE_DENY_WRITE)))
        << name;
  }
  EXPECT_EQ(ErrorOf([] { SalvageBytes(Pattern(4096, 9)); }), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(ErrorOf([] { SalvageBytes({}); }), STG_E_FILEALREADYEXISTS);
}

TEST_F(SalvageTest, EachOverwrittenSectorCostsOnlyWhatDependsOnIt) {
  for (const auto& [name, bytes] : Files()) {
    const Layout layout = LayOut(bytes);
    const uint64_t ssz = uint64_t{1} << Get16(bytes, 0x1E);
    for (uint64_t at = ssz; at < bytes.size(); at += ssz) {
      const uint64_t end = std::min<uint64_t>(at + ssz, bytes.size());
      auto hit = [&](const StreamLayout& l) { return !l.Hit(at, end); };
      Bytes zeros = bytes;
      std::fill(zeros.begin() + static_cast<ptrdiff_t>(at), zeros.begin() + static_cast<ptrdiff_t>(end), std::byte{0});
      Verify(zeros, layout, hit, name + " zeros at " + std::to_string(at));
      Bytes noise = bytes;
      const Bytes random = Pattern(end - at, static_cast<uint32_t>(at));
      std::copy(random.begin(), random.end(), noise.begin() + static_cast<ptrdiff_t>(at));
      Verify(noise, layout, hit, name + " noise at " + std::to_string(at));
    }
  }
}

TEST_F(SalvageTest, TruncatedFilesKeepWhatLiesBeforeTheCut) {
  for (const auto& [name, bytes] : Files()) {
    const Layout layout = LayOut(bytes);
    size_t previous = 0;
    // Odd steps, so that cuts fall at every place within a sector.
    const uint64_t step = bytes.size() > 50000 ? 509 : 61;
    for (uint64_t length = 512; length <= bytes.size(); length += step) {
      const Bytes cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
      const size_t whole = Verify(
          cut, layout, [&](const StreamLayout& l) { return l.Within(length); },
          name + " cut at " + std::to_string(length));
      EXPECT_GE(whole, previous) << name << " cut at " << length;
      previous = whole;
    }
  }
}

class SalvageDamageTest : public SalvageTest {
 protected:
  // The FAT entry of sector `s` in `bytes`, which must be a sound file.
  uint64_t FatEntry(const Bytes& bytes, uint32_t s) {
    fs_->SetContents("edit", bytes);
    auto c = Container::Open(fs_->Open("edit", OpenMode::kRead));
    const uint32_t ssz = c->sector_size();
    return (uint64_t{c->fat_sectors()[s / (ssz / 4)]} + 1) * ssz + uint64_t{s % (ssz / 4)} * 4;
  }
  const SalvagedElement& Find(const SalvagedFile& f, std::u16string_view path) {
    for (const auto& e : f.Elements()) {
      if (e.path == path) return e;
    }
    ADD_FAILURE() << "no " << ToUtf8(path);
    return f.Elements().front();
  }
};

TEST_F(SalvageDamageTest, LoopsAreCutWhereTheyTurnBack) {
  fs_->SetContents("edit", ours_);
  auto c = Container::Open(fs_->Open("edit", OpenMode::kRead));
  uint32_t big = 0;
  uint32_t small = 0;
  for (const auto& e : c->entries()) {
    if (e.name == u"big") big = e.start;
    if (e.name == u"almost") small = e.start;
  }
  const auto big_chain = c->FatChain(big, DivUp(200000, 512));
  Bytes loop = ours_;
  Put32(loop, FatEntry(ours_, big_chain[3]), big_chain[1]);
  const auto mini_chain = c->MiniChain(small, DivUp(4095, 64));
  const uint64_t mini_entry =
      (uint64_t{c->minifat_chain()[mini_chain[5] / 128]} + 1) * 512 + uint64_t{mini_chain[5] % 128} * 4;
  Put32(loop, mini_entry, mini_chain[2]);
  const Layout layout = LayOut(ours_);
  const SalvagedFile f = SalvageBytes(loop);
  const auto& b = Find(f, u"big");
  EXPECT_EQ(b.verdict, SalvageVerdict::kPartial);
  EXPECT_EQ(b.recovered, 4 * 512u);
  EXPECT_EQ(b.reason, "its chain loops");
  const auto& a = Find(f, u"almost");
  EXPECT_EQ(a.verdict, SalvageVerdict::kPartial);
  EXPECT_EQ(a.recovered, 6 * 64u);
  EXPECT_FALSE(f.Whole());
  EXPECT_EQ(Verify(
                loop, layout, [&](const auto& l) { return l.size != 200000 && l.size != 4095; }, "loops"),
            layout.size() - 2);
}

TEST_F(SalvageDamageTest, HeaderCountsAndTheDifatAreNotTrusted) {
  Bytes counts = ours_;
  Put32(counts, 0x2C, 0x10000000);  // FAT sectors
  Put32(counts, 0x40, 77);          // mini-FAT sectors
  Put32(counts, 0x48, 5);           // DIFAT sectors
  Put32(counts, 0x28, 9);           // directory sectors
  const Layout layout = LayOut(ours_);
  EXPECT_EQ(Verify(
                counts, layout, [](const auto&) { return true; }, "counts"),
            layout.size());
  Put32(counts, 0x2C, 0);
  Put16(counts, 0x1C, 0x1234);  // byte order
  EXPECT_EQ(Verify(
                counts, layout, [](const auto&) { return true; }, "no FAT count"),
            layout.size());

  // Past 109 FAT sectors the DIFAT lists the rest; when it points past the
  // end, they are found by the marks the FAT puts on them.
  auto root = engine_.CreateStorageFile(u"large", kRoot);
  WriteAll(root.CreateStream(u"huge", kRW), Pattern(7500000, 8));
  WriteAll(root.CreateStream(u"after", kRW), Pattern(9000, 9));
  root.Commit();
  root.Release();
  Bytes large = fs_->Contents("large");
  fs_->SetContents("edit", large);
  ASSERT_GT(Container::Open(fs_->Open("edit", OpenMode::kRead))->fat_sectors().size(), kHeaderDifatSlots);
  const Layout large_layout = LayOut(large);
  Put32(large, 0x44, 0x7FFFFF00);
  const SalvagedFile f = SalvageBytes(large);
  ASSERT_FALSE(f.Problems().empty()) << f.Report();
  EXPECT_NE(f.Problems()[0].find("DIFAT"), std::string::npos);
  EXPECT_EQ(Verify(
                large, large_layout, [](const auto&) { return true; }, "DIFAT"),
            large_layout.size())
      << f.Report();
}

TEST_F(SalvageDamageTest, EntriesTheTreeNoLongerReachesAreFound) {
  fs_->SetContents("edit", ours_);
  auto c = Container::Open(fs_->Open("edit", OpenMode::kRead));
  // Cut the link from the root to its children: all of them are unlinked now.
  Bytes cut = ours_;
  Put32(cut, (uint64_t{c->dir_chain()[0]} + 1) * 512 + 0x4C, kNoStream);
  const SalvagedFile f = SalvageBytes(cut);
  EXPECT_FALSE(f.Whole());
  const auto& leaf = Find(f, u"Unlinked\\Sub\\Deeper\\leaf");
  EXPECT_FALSE(leaf.linked);
  EXPECT_EQ(leaf.verdict, SalvageVerdict::kWhole);
  const Layout layout = LayOut(ours_);
  EXPECT_EQ(Verify(
                cut, layout, [](const auto&) { return true; }, "unlinked"),
            layout.size());
  const std::string report = f.Report();
  EXPECT_NE(report.find("whole  1000 of 1000 bytes  Unlinked\\Sub\\Deeper\\leaf (unlinked)"), std::string::npos)
      << report;
  EXPECT_NE(report.find("8 streams: 8 whole, 0 partial, 0 lost"), std::string::npos) << report;
}

TEST_F(SalvageDamageTest, DeepTreesAreFlattenedNotFollowed) {
  // Paths of a hostile depth would take memory of the square of the depth.
  auto root = engine_.CreateStorageFile(u"deep", kRoot);
  {
    std::vector<Storage> chain{root};
    for (int i = 0; i < 40; ++i) chain.push_back(chain.back().CreateStorage(u"d", kRW));
    WriteAll(chain.back().CreateStream(u"bottom", kRW), Pattern(300, 10));
  }
  root.Commit();
  root.Release();
  const SalvagedFile f = SalvageBytes(fs_->Contents("deep"));
  size_t longest = 0;
  for (const auto& e : f.Elements()) longest = std::max(longest, e.path.size());
  EXPECT_LT(longest, 32 * 2u);
  const auto bottom = std::find_if(f.Elements().begin(), f.Elements().end(),
                                   [](const auto& e) { return LastName(e.path) == u"bottom"; });
  ASSERT_NE(bottom, f.Elements().end());
  EXPECT_EQ(bottom->path.rfind(u"Unlinked\\", 0), 0u) << ToUtf8(bottom->path);
  EXPECT_EQ(bottom->verdict, SalvageVerdict::kWhole);
  EXPECT_FALSE(f.Whole());
}

}  // namespace
}  // namespace vellora2::compound
