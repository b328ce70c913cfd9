// Publishing a new tree into a compound file, copy-on-write.
//
// The committed state C stays readable until the very last write: every sector
// the new state needs that differs from C goes into a sector C does not use (a
// free one, or one appended past the end). Sectors whose bytes do not change
// (unchanged streams, untouched parts of changed ones, table sectors with the
// same entries) stay where they are and are not written at all, so a commit
// costs what changed. Then the file is synced, the header that points at the
// new tables is written, and the file is synced again. A crash before the
// header write leaves C (the new sectors are just free space to it); after the
// second sync the new state is durable. The header is one 512-byte write at the
// start of the file, which disks perform whole.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "compound/container.hpp"
#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

uint64_t DivUp(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

// Collects sector writes and issues runs of adjacent sectors as one write.
class SectorWriter {
 public:
  SectorWriter(File& file, uint32_t sector_size) : file_(file), ssz_(sector_size) {}

  void Put(uint32_t sector, std::span<const std::byte> bytes) {
    if (!buf_.empty() && (sector != first_ + buf_.size() / ssz_ || buf_.size() >= (4u << 20))) Flush();
    if (buf_.empty()) first_ = sector;
    const size_t at = buf_.size();
    buf_.resize(at + ssz_);
    std::memcpy(buf_.data() + at, bytes.data(), std::min<size_t>(bytes.size(), ssz_));
  }
  void Flush() {
    if (buf_.empty()) return;
    file_.WriteAt((uint64_t{first_} + 1) * ssz_, buf_);
    buf_.clear();
  }

 private:
  File& file_;
  uint32_t ssz_;
  uint32_t first_ = 0;
  std::vector<std::byte> buf_;
};

}  // namespace

class Committer {
 public:
  Committer(Container& c, Node& root, const std::vector<Node*>& others)
      : c_(c), root_(root), others_(others), ssz_(c.sector_size()), epb_(ssz_ / 4), writer_(c.file(), ssz_) {}

  bool Run(uint64_t limit);

 private:
  struct StreamPlan {
    uint32_t entry = 0;
    Node* node = nullptr;
    bool mini = false;
    std::vector<uint32_t> chain;  // kFreeSect: still to be placed
  };

  bool UsedByOld(uint64_t s) const { return s < used_old_.size() && used_old_[s]; }
  bool Claim(std::vector<uint32_t>& table, uint32_t s) {
    if (s >= table.size() || table[s] != kFreeSect) return false;
    table[s] = kEndOfChain;
    return true;
  }
  uint32_t Allocate();
  uint32_t AllocateMini();
  void Link(std::vector<uint32_t>& table, const std::vector<uint32_t>& chain) {
    for (size_t i = 0; i < chain.size(); ++i) table[chain[i]] = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
  }
  // Places a chain of ordinary sectors for `size` bytes: sector i keeps
  // old[i] unless `dirty(i)`, else gets a new sector; `fill(i, out)` provides
  // the bytes of sectors i, i+1, ... for out.size() bytes.
  template <typename Dirty, typename Fill>
  std::vector<uint32_t> PlaceRegular(const std::vector<uint32_t>& old, uint64_t size, Dirty dirty, Fill fill);
  std::vector<uint32_t> PlaceBytes(const std::vector<uint32_t>& old, const std::vector<std::byte>& old_bytes,
                                   const std::vector<std::byte>& bytes);
  void BuildDirectory();
  void PlaceStreams();
  void PlaceTables();
  bool FatSectorChanged(size_t i) const;
  std::vector<std::byte> DifatSector(size_t j) const;

  void DetachOthers();

  Container& c_;
  Node& root_;
  const std::vector<Node*>& others_;
  std::set<std::pair<uint32_t, uint64_t>> kept_;  // (start, size) of streams kept as they were
  uint32_t ssz_;
  uint32_t epb_;
  SectorWriter writer_;
  std::vector<bool> used_old_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> minifat_;
  uint64_t hint_ = 0;
  uint64_t mini_hint_ = 0;
  std::vector<DirEntry> entries_;
  std::vector<Node*> entry_nodes_;
  std::vector<uint32_t> dir_chain_, minifat_chain_, ministream_chain_;
  std::vector<std::byte> dir_raw_, minifat_raw_;
  std::vector<uint32_t> fat_locs_, difat_locs_;
};

uint32_t Committer::Allocate() {
  while (hint_ < fat_.size() && (fat_[hint_] != kFreeSect || UsedByOld(hint_))) ++hint_;
  if (hint_ == fat_.size()) {
    if (fat_.size() > kMaxRegSect) Fail(STG_E_DOCFILETOOLARGE, "the document is too large");
    fat_.push_back(kFreeSect);
  }
  fat_[hint_] = kEndOfChain;
  return static_cast<uint32_t>(hint_);
}

uint32_t Committer::AllocateMini() {
  // Mini sectors of the old state may be reused at once: the mini stream is
  // itself written copy-on-write, so the old state's copy stays intact.
  while (mini_hint_ < minifat_.size() && minifat_[mini_hint_] != kFreeSect) ++mini_hint_;
  if (mini_hint_ == minifat_.size()) minifat_.push_back(kFreeSect);
  minifat_[mini_hint_] = kEndOfChain;
  return static_cast<uint32_t>(mini_hint_);
}

template <typename Dirty, typename Fill>
std::vector<uint32_t> Committer::PlaceRegular(const std::vector<uint32_t>& old, uint64_t size, Dirty dirty, Fill fill) {
  const uint64_t count = DivUp(size, ssz_);
  std::vector<uint32_t> chain(count, kFreeSect);
  for (uint64_t i = 0; i < std::min<uint64_t>(count, old.size()); ++i) {
    if (!dirty(i) && Claim(fat_, old[i])) chain[i] = old[i];
  }
  // Sectors to write are filled a run at a time (up to 1 MB), so a stream
  // read from another file costs one read per run, not one per sector.
  std::vector<std::byte> buf;
  for (uint64_t i = 0; i < count;) {
    if (chain[i] != kFreeSect) {
      ++i;
      continue;
    }
    uint64_t end = i;
    while (end < count && chain[end] == kFreeSect && (end - i) * ssz_ < (1u << 20)) ++end;
    buf.assign((end - i) * ssz_, std::byte{0});
    fill(i, std::span(buf));
    for (uint64_t k = i; k < end; ++k) {
      chain[k] = Allocate();
      writer_.Put(chain[k], std::span(buf).subspan((k - i) * ssz_, ssz_));
    }
    i = end;
  }
  Link(fat_, chain);
  return chain;
}

std::vector<uint32_t> Committer::PlaceBytes(const std::vector<uint32_t>& old, const std::vector<std::byte>& old_bytes,
                                            const std::vector<std::byte>& bytes) {
  auto dirty = [&](uint64_t i) {
    const size_t at = static_cast<size_t>(i * ssz_);
    return at + ssz_ > old_bytes.size() || std::memcmp(old_bytes.data() + at, bytes.data() + at, ssz_) != 0;
  };
  auto fill = [&](uint64_t i, std::span<std::byte> out) { std::memcpy(out.data(), bytes.data() + i * ssz_, out.size()); };
  return PlaceRegular(old, bytes.size(), dirty, fill);
}

void Committer::BuildDirectory() {
  // Entries are numbered breadth-first, children of one storage consecutively
  // in name order; an unchanged tree therefore gets the same numbers and the
  // same directory bytes, and its directory sectors are not rewritten.
  entries_.clear();
  entry_nodes_.clear();
  auto add = [this](Node* n, EntryType type) {
    DirEntry e;
    e.name = n->name;
    e.type = type;
    e.clsid = n->clsid;
    e.state_bits = n->state_bits;
    // Streams carry no times.
    if (type != EntryType::kStream) {
      e.created = type == EntryType::kRoot ? 0 : n->created;
      e.modified = n->modified;
    }
    e.start = type == EntryType::kStream ? kEndOfChain : 0;
    entries_.push_back(e);
    entry_nodes_.push_back(n);
  };
  add(&root_, EntryType::kRoot);
  entries_[0].name = u"Root Entry";
  for (size_t at = 0; at < entries_.size(); ++at) {
    Node* n = entry_nodes_[at];
    if (!n->is_storage) continue;
    std::vector<uint32_t> members;
    for (auto& child : n->children) {
      members.push_back(static_cast<uint32_t>(entries_.size()));
      add(child.get(), child->is_storage ? EntryType::kStorage : EntryType::kStream);
    }
    const uint32_t top = BuildSiblingTree(entries_, members);
    entries_[at].child = top;
  }
}

void Committer::PlaceStreams() {
  std::vector<StreamPlan> plans;
  for (uint32_t id = 1; id < entries_.size(); ++id) {
    if (entries_[id].type != EntryType::kStream) continue;
    Node* n = entry_nodes_[id];
    const uint64_t size = n->content.size();
    entries_[id].size = size;
    if (size == 0) continue;
    plans.push_back({id, n, size < kMiniStreamCutoff, {}});
  }
  // Unchanged small streams keep their mini sectors; they are claimed before
  // any mini sector is handed out anew.
  for (auto& p : plans) {
    const Content& content = p.node->content;
    if (!p.mini || !content.Unchanged(&c_) || content.base().size >= kMiniStreamCutoff) continue;
    std::vector<uint32_t> old = c_.MiniChain(content.base().start, DivUp(content.size(), kMiniSectorSize));
    size_t claimed = 0;
    while (claimed < old.size() && Claim(minifat_, old[claimed])) ++claimed;
    if (claimed < old.size()) {
      // Shared with another entry (a copy, or a damaged file): give back what
      // this attempt took, and write the stream anew.
      for (size_t i = 0; i < claimed; ++i) minifat_[old[i]] = kFreeSect;
      continue;
    }
    p.chain = old;
    Link(minifat_, old);
    kept_.emplace(content.base().start, content.base().size);
  }
  // Rewritten small streams: whole mini sectors, zero-padded, into the new mini stream.
  std::vector<std::pair<uint32_t, std::vector<std::byte>>> mini_writes;
  for (auto& p : plans) {
    if (!p.mini || !p.chain.empty()) continue;
    std::vector<std::byte> bytes(DivUp(p.node->content.size(), kMiniSectorSize) * kMiniSectorSize);
    p.node->content.Read(0, bytes);
    for (size_t i = 0; i < bytes.size() / kMiniSectorSize; ++i) {
      p.chain.push_back(AllocateMini());
      mini_writes.emplace_back(p.chain.back(), std::vector<std::byte>(bytes.begin() + static_cast<ptrdiff_t>(i * kMiniSectorSize),
                                                                      bytes.begin() + static_cast<ptrdiff_t>((i + 1) * kMiniSectorSize)));
    }
    Link(minifat_, p.chain);
  }
  // Big streams: untouched sectors stay, the rest are written anew.
  for (auto& p : plans) {
    if (p.mini) continue;
    Content& content = p.node->content;
    std::vector<uint32_t> old;
    if (content.base().container.get() == &c_ && content.base().size >= kMiniStreamCutoff) {
      old = c_.FatChain(content.base().start, DivUp(content.base().size, ssz_));
    }
    auto dirty = [&](uint64_t i) { return content.Dirty(i * ssz_, (i + 1) * ssz_); };
    auto fill = [&](uint64_t i, std::span<std::byte> out) { content.Read(i * ssz_, out); };
    p.chain = PlaceRegular(old, content.size(), dirty, fill);
    if (content.Unchanged(&c_) && p.chain == old) kept_.emplace(content.base().start, content.base().size);
  }
  for (auto& p : plans) entries_[p.entry].start = p.chain.front();

  // The mini stream: the old one overlaid with the rewritten mini sectors. It
  // ends after the last mini sector in use.
  while (!minifat_.empty() && minifat_.back() == kFreeSect) minifat_.pop_back();
  const uint64_t mini_size = minifat_.size() * uint64_t{kMiniSectorSize};
  Content ministream(Base{c_.entries().empty() ? nullptr : c_.shared_from_this(),
                          c_.entries().empty() ? 0 : c_.entries()[0].start,
                          c_.entries().empty() ? 0 : c_.entries()[0].size, true});
  if (ministream.size() == 0) ministream = Content();
  ministream.Resize(mini_size);
  for (auto& [m, bytes] : mini_writes) ministream.Write(uint64_t{m} * kMiniSectorSize, bytes);
  auto dirty = [&](uint64_t i) { return ministream.Dirty(i * ssz_, (i + 1) * ssz_); };
  auto fill = [&](uint64_t i, std::span<std::byte> out) { ministream.Read(i * ssz_, out); };
  ministream_chain_ = PlaceRegular(c_.ministream_chain(), mini_size, dirty, fill);
  entries_[0].start = ministream_chain_.empty() ? kEndOfChain : ministream_chain_.front();
  entries_[0].size = mini_size;

  // The mini-FAT, padded to whole sectors with free entries.
  minifat_raw_.assign(DivUp(minifat_.size(), epb_) * ssz_, std::byte{0xFF});
  for (size_t i = 0; i < minifat_.size(); ++i) Put32(minifat_raw_, 4 * i, minifat_[i]);
  minifat_chain_ = PlaceBytes(c_.minifat_chain(), c_.minifat_raw_, minifat_raw_);
}

bool Committer::FatSectorChanged(size_t i) const {
  if (i >= c_.fat_sectors().size()) return true;
  for (size_t k = i * epb_; k < (i + 1) * epb_; ++k) {
    const uint32_t now = k < fat_.size() ? fat_[k] : kFreeSect;
    const uint32_t before = k < c_.fat().size() ? c_.fat()[k] : kFreeSect;
    if (now != before) return true;
  }
  return false;
}

std::vector<std::byte> Committer::DifatSector(size_t j) const {
  std::vector<std::byte> out(ssz_, std::byte{0xFF});
  const size_t first = kHeaderDifatSlots + j * (epb_ - 1);
  for (size_t k = 0; k < epb_ - 1 && first + k < fat_locs_.size(); ++k) Put32(out, 4 * k, fat_locs_[first + k]);
  Put32(out, 4 * (epb_ - 1), j + 1 < difat_locs_.size() ? difat_locs_[j + 1] : kEndOfChain);
  return out;
}

void Committer::PlaceTables() {
  // The FAT describes every sector, its own and the DIFAT's included, so
  // placing them changes it: repeat until nothing moves. Each FAT sector whose
  // entries changed moves once, so this ends after a few rounds.
  const auto& old_fat = c_.fat_sectors();
  const auto& old_difat = c_.difat_sectors();
  fat_locs_ = old_fat;
  for (auto& s : fat_locs_) {
    if (s < fat_.size() && fat_[s] == kFreeSect) {
      fat_[s] = kFatSect;
    } else {
      s = kFreeSect;
    }
  }
  difat_locs_.clear();
  for (bool changed = true; changed;) {
    changed = false;
    const size_t need_fat = std::max<size_t>(old_fat.size(), DivUp(fat_.size(), epb_));
    while (fat_locs_.size() < need_fat) fat_locs_.push_back(kFreeSect);
    const size_t need_difat = fat_locs_.size() > kHeaderDifatSlots ? DivUp(fat_locs_.size() - kHeaderDifatSlots, epb_ - 1) : 0;
    while (difat_locs_.size() < need_difat) {
      const size_t j = difat_locs_.size();
      const bool keep = j < old_difat.size() && old_difat[j] < fat_.size() && fat_[old_difat[j]] == kFreeSect;
      difat_locs_.push_back(keep ? old_difat[j] : kFreeSect);
      if (keep) fat_[old_difat[j]] = kDifSect;
    }
    for (size_t i = 0; i < fat_locs_.size(); ++i) {
      const bool at_old = i < old_fat.size() && fat_locs_[i] == old_fat[i];
      if (fat_locs_[i] == kFreeSect || (at_old && FatSectorChanged(i))) {
        if (at_old) fat_[old_fat[i]] = kFreeSect;
        fat_locs_[i] = Allocate();
        fat_[fat_locs_[i]] = kFatSect;
        changed = true;
      }
    }
    for (size_t j = 0; j < difat_locs_.size(); ++j) {
      const bool at_old = j < old_difat.size() && difat_locs_[j] == old_difat[j];
      bool same = at_old;
      if (at_old) {
        // Same FAT sector numbers and same successor as before: the old bytes stand.
        const size_t first = kHeaderDifatSlots + j * (epb_ - 1);
        for (size_t k = first; k < first + epb_ - 1 && same; ++k) {
          const uint32_t now = k < fat_locs_.size() ? fat_locs_[k] : kFreeSect;
          const uint32_t before = k < old_fat.size() ? old_fat[k] : kFreeSect;
          same = now == before;
        }
        const bool last_now = j + 1 >= difat_locs_.size();
        const bool last_before = j + 1 >= old_difat.size();
        same = same && last_now == last_before && (last_now || difat_locs_[j + 1] == old_difat[j + 1]);
      }
      if (difat_locs_[j] == kFreeSect || (at_old && !same)) {
        if (at_old) fat_[old_difat[j]] = kFreeSect;
        difat_locs_[j] = Allocate();
        fat_[difat_locs_[j]] = kDifSect;
        changed = true;
      }
    }
  }
  std::vector<std::byte> buf(ssz_);
  for (size_t i = 0; i < fat_locs_.size(); ++i) {
    if (i < old_fat.size() && fat_locs_[i] == old_fat[i]) continue;
    for (size_t k = 0; k < epb_; ++k) {
      const size_t e = i * epb_ + k;
      Put32(buf, 4 * k, e < fat_.size() ? fat_[e] : kFreeSect);
    }
    writer_.Put(fat_locs_[i], buf);
  }
  for (size_t j = 0; j < difat_locs_.size(); ++j) {
    if (j < old_difat.size() && difat_locs_[j] == old_difat[j]) continue;
    writer_.Put(difat_locs_[j], DifatSector(j));
  }
}

bool Committer::Run(uint64_t limit) {
  // Sectors the committed state uses are never written.
  used_old_.assign(std::max<uint64_t>(c_.fat().size(), c_.file_sectors()), false);
  for (size_t s = 0; s < c_.fat().size(); ++s) used_old_[s] = c_.fat()[s] != kFreeSect;
  for (uint32_t s : c_.fat_sectors()) used_old_[s] = true;
  for (uint32_t s : c_.difat_sectors()) used_old_[s] = true;
  fat_.assign(c_.fat().size(), kFreeSect);
  minifat_.assign(c_.minifat().size(), kFreeSect);

  BuildDirectory();
  PlaceStreams();
  const size_t per_sector = ssz_ / kDirEntrySize;
  dir_raw_.assign(DivUp(entries_.size(), per_sector) * ssz_, std::byte{0});
  for (size_t i = 0; i < dir_raw_.size() / kDirEntrySize; ++i) {
    SerializeDirEntry(i < entries_.size() ? entries_[i] : DirEntry{}, std::span(dir_raw_).subspan(i * kDirEntrySize));
  }
  dir_chain_ = PlaceBytes(c_.dir_chain(), c_.dir_raw_, dir_raw_);
  PlaceTables();

  size_t used = fat_.size();
  while (used > 0 && fat_[used - 1] == kFreeSect) --used;
  const uint64_t file_size = (uint64_t{used} + 1) * ssz_;
  if (file_size > limit) return false;

  writer_.Flush();
  DetachOthers();
  c_.file().Sync();
  Header h = c_.header_;
  h.fat_sector_count = static_cast<uint32_t>(fat_locs_.size());
  h.difat.fill(kFreeSect);
  for (size_t i = 0; i < std::min<size_t>(kHeaderDifatSlots, fat_locs_.size()); ++i) h.difat[i] = fat_locs_[i];
  h.first_difat_sector = difat_locs_.empty() ? kEndOfChain : difat_locs_[0];
  h.difat_sector_count = static_cast<uint32_t>(difat_locs_.size());
  h.first_dir_sector = dir_chain_.front();
  h.dir_sector_count = h.major_version == 4 ? static_cast<uint32_t>(dir_chain_.size()) : 0;
  h.first_minifat_sector = minifat_chain_.empty() ? kEndOfChain : minifat_chain_.front();
  h.minifat_sector_count = static_cast<uint32_t>(minifat_chain_.size());
  h.transaction_signature = c_.header_.transaction_signature + 1;
  std::vector<std::byte> head(ssz_, std::byte{0});
  SerializeHeader(h, head);
  c_.file().WriteAt(0, head);
  c_.file().Sync();

  // Published. Sectors past the last one in use belong to nobody now.
  if (c_.file().Size() > file_size) c_.file().Truncate(file_size);
  c_.header_ = h;
  c_.file_sectors_ = used;
  fat_.resize(fat_locs_.size() * epb_, kFreeSect);
  c_.fat_ = std::move(fat_);
  c_.fat_sectors_ = std::move(fat_locs_);
  c_.difat_sectors_ = std::move(difat_locs_);
  c_.minifat_ = std::move(minifat_);
  c_.minifat_.resize(minifat_raw_.size() / 4, kFreeSect);
  c_.minifat_chain_ = std::move(minifat_chain_);
  c_.minifat_raw_ = std::move(minifat_raw_);
  c_.dir_chain_ = std::move(dir_chain_);
  c_.dir_raw_ = std::move(dir_raw_);
  c_.ministream_chain_ = std::move(ministream_chain_);
  c_.chains_.clear();
  c_.cached_links_ = 0;
  // The working tree now reads from the new state; its written pages are in the file.
  auto self = c_.shared_from_this();
  for (size_t id = 1; id < entries_.size(); ++id) {
    if (entries_[id].type != EntryType::kStream) continue;
    const DirEntry& e = entries_[id];
    entry_nodes_[id]->content = Content(Base{e.size == 0 ? nullptr : self, e.start, e.size});
  }
  c_.entries_ = std::move(entries_);
  return true;
}

void Committer::DetachOthers() {
  std::vector<Node*> work(others_.begin(), others_.end());
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    for (auto& c : n->children) {
      if (c->is_storage) {
        work.push_back(c.get());
        continue;
      }
      const Base& b = c->content.base();
      if (b.container.get() == &c_ && !kept_.count({b.start, b.size})) c->content.Detach();
    }
  }
}

bool Container::Commit(Node& root, uint64_t limit, const std::vector<Node*>& others) {
  return Committer(*this, root, others).Run(limit);
}

void Container::EstimateSize(const Node& root, uint64_t& in_place, uint64_t& fresh) const {
  const uint32_t ssz = sector_size();
  uint64_t all = 0, changed = 0, entries = 1, small = 0;
  std::vector<const Node*> work{&root};
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    for (const auto& c : n->children) {
      ++entries;
      if (c->is_storage) {
        work.push_back(c.get());
        continue;
      }
      const uint64_t size = c->content.size();
      if (size < kMiniStreamCutoff) {
        small += DivUp(size, kMiniSectorSize) * kMiniSectorSize;
        continue;
      }
      all += DivUp(size, ssz);
      if (!c->content.Unchanged(this)) changed += DivUp(size, ssz);
    }
  }
  const uint64_t tables = DivUp(small, ssz) * 2 + DivUp(small / kMiniSectorSize * 4, ssz) * 2 +
                          DivUp(entries * kDirEntrySize, ssz) * 2;
  auto with_fat = [ssz](uint64_t sectors) { return (sectors + 2 * DivUp(sectors, ssz / 4 - 1) + 2) * ssz + ssz; };
  fresh = with_fat(all + tables);
  in_place = with_fat(std::max<uint64_t>(fat_.size(), file_sectors_) + changed + tables);
}

}  // namespace vellora2::compound
