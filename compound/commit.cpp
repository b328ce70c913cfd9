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
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "compound/container.hpp"
#include "compound/errors.hpp"
#include "compound/table_trim.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

uint64_t DivUp(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

// For chains whose bytes are all written by the commit itself.
std::pair<uint32_t, uint64_t> NothingWritten(uint64_t) { return {kFreeSect, UINT64_MAX}; }

// Part of a new chain as runs of consecutive sectors: an adopted extent or
// an append to the file is one entry however long it is, so placing a large
// stream does not build a table of its sectors.
class Segments {
 public:
  struct Part {
    uint32_t first;  // sector
    uint64_t count;  // sectors first, first + 1, ...
    uint64_t at;     // index of `first` in the part of the chain
  };

  void Add(uint32_t first, uint64_t count) {
    if (!parts_.empty() && uint64_t{parts_.back().first} + parts_.back().count == first) {
      parts_.back().count += count;
    } else {
      parts_.push_back({first, count, size_});
    }
    size_ += count;
  }
  // The k-th sector.
  uint32_t operator[](uint64_t k) const {
    const auto part = std::prev(
        std::upper_bound(parts_.begin(), parts_.end(), k, [](uint64_t i, const Part& p) { return i < p.at; }));
    return static_cast<uint32_t>(part->first + (k - part->at));
  }
  uint32_t front() const { return parts_.front().first; }
  const std::vector<Part>& parts() const { return parts_; }

 private:
  std::vector<Part> parts_;
  uint64_t size_ = 0;
};

// Collects sector writes and issues runs of adjacent sectors as one write.
// Bytes that stay put until the next Flush (the FAT's own entries) are
// written from where they are; others are copied into a buffer first.
class SectorWriter {
 public:
  SectorWriter(File& file, uint32_t sector_size) : file_(file), ssz_(sector_size) {}

  void Put(uint32_t sector, std::span<const std::byte> bytes) {
    Begin(sector);
    if (!copies_) copies_ = std::make_unique_for_overwrite<std::byte[]>(kLimit);
    std::byte* const out = copies_.get() + copied_;
    const size_t n = std::min<size_t>(bytes.size(), ssz_);
    std::memcpy(out, bytes.data(), n);
    std::memset(out + n, 0, ssz_ - n);
    copied_ += ssz_;
    parts_.emplace_back(out, ssz_);
  }
  // `bytes` (one sector) must not change before the next Flush.
  void PutInPlace(uint32_t sector, std::span<const std::byte> bytes) {
    Begin(sector);
    parts_.push_back(bytes);
  }
  void Flush() {
    if (!parts_.empty()) file_.WritePartsAt((uint64_t{first_} + 1) * ssz_, parts_);
    parts_.clear();
    copied_ = 0;
  }

 private:
  static constexpr size_t kLimit = size_t{256} << 10;  // bytes per write

  // Ends the run unless `sector` continues it and there is room.
  void Begin(uint32_t sector) {
    if (!parts_.empty() &&
        (sector != first_ + parts_.size() || parts_.size() * ssz_ >= kLimit || copied_ + ssz_ > kLimit)) {
      Flush();
    }
    if (parts_.empty()) first_ = sector;
  }
  File& file_;
  uint32_t ssz_;
  uint32_t first_ = 0;
  std::vector<std::span<const std::byte>> parts_;
  std::unique_ptr<std::byte[]> copies_;
  size_t copied_ = 0;
};

// The FAT a commit builds: the committed FAT (or, for a file whose sectors
// cannot be trusted, an empty one) with the sectors this commit edits laid
// over it. Only touched FAT sectors are copied and compared, so a commit does
// not pay for the size of the file. Entries past the committed FAT (a file
// that grows) are kept in one table of their own.
class FatOverlay {
 public:
  FatOverlay(const SectorTable& base, uint32_t epb) : base_(base), epb_(epb), size_(base.size()) {}

  void KeepBase(bool keep) { keep_ = keep; }
  // Entries covered, in whole FAT sectors.
  uint64_t size() const { return size_; }
  uint32_t operator[](uint64_t s) const {
    if (s >= base_.size()) return s - base_.size() < grown_.size() ? grown_[s - base_.size()] : kFreeSect;
    if (const Page* page = Find(s / epb_)) return (*page)[s % epb_];
    return keep_ ? base_[s] : kFreeSect;
  }
  void Set(uint64_t s, uint32_t value) {
    if (s < base_.size()) {
      Touch(s / epb_)[s % epb_] = value;
      return;
    }
    const uint64_t at = s - base_.size();
    if (at >= grown_.size()) {
      const auto need = static_cast<size_t>((at / epb_ + 1) * epb_);
      // Room to double, and to take the committed entries in front when the
      // table becomes the FAT (MoveInto): reserved room costs no memory
      // until it is written.
      if (need > grown_.capacity()) grown_.reserve(2 * need + base_.size());
      grown_.resize(need, kFreeSect);
      size_ = std::max<uint64_t>(size_, base_.size() + need);
    }
    grown_[at] = value;
  }
  // The first free entry in [from, to), or `to`: a scan of the table, not a
  // lookup per entry, for the long runs an import links.
  uint64_t NextFree(uint64_t from, uint64_t to) const {
    const uint64_t base_size = base_.size();
    for (; from < to && from < base_size; ++from) {
      if ((*this)[from] == kFreeSect) return from;
    }
    const uint64_t grown_end = base_size + grown_.size();
    if (from >= to || from >= grown_end) return std::min(from, to);
    const auto first = grown_.begin() + static_cast<ptrdiff_t>(from - base_size);
    const auto last = grown_.begin() + static_cast<ptrdiff_t>(std::min(to, grown_end) - base_size);
    return base_size + static_cast<uint64_t>(std::find(first, last, kFreeSect) - grown_.begin());
  }
  // Whether FAT sector i differs from the committed one.
  bool Changed(uint64_t i) const {
    const Page* page = Find(i);
    if (!page) return false;
    for (uint64_t k = 0; k < epb_; ++k) {
      const uint64_t s = i * epb_ + k;
      if ((*page)[k] != (s < base_.size() ? base_[s] : kFreeSect)) return true;
    }
    return false;
  }
  // Links sectors s .. s+n-1 each to the next one.
  void Link(uint64_t s, uint64_t n) {
    for (; n > 0 && s < base_.size(); ++s, --n) Set(s, static_cast<uint32_t>(s + 1));
    if (n == 0) return;
    Set(s + n - 1, static_cast<uint32_t>(s + n));  // grows the table to hold the run
    uint32_t* const out = grown_.data() + (s - base_.size());
    for (uint64_t k = 0; k + 1 < n; ++k) out[k] = static_cast<uint32_t>(s + k + 1);
  }
  // The entries of FAT sector i, or null when all are free.
  const uint32_t* Sector(uint64_t i) const {
    const uint64_t s = i * epb_;
    if (s >= base_.size()) return s - base_.size() < grown_.size() ? grown_.data() + (s - base_.size()) : nullptr;
    if (const Page* page = Find(i)) return page->data();
    return keep_ ? base_.data() + s : nullptr;
  }
  // The FAT sectors of the committed FAT this commit has touched, ascending.
  std::vector<uint64_t> Touched() const {
    std::vector<uint64_t> out;
    out.reserve(pages_.size());
    for (const auto& entry : pages_) out.push_back(entry.first);
    std::sort(out.begin(), out.end());
    return out;
  }
  // Makes `fat` (the committed FAT this overlay was built on) the new FAT,
  // `entries` long. The overlay is spent.
  void MoveInto(SectorTable& fat, uint64_t entries) {
    const uint64_t base_size = base_.size();
    if (grown_.size() >= base_size) {
      // Mostly new entries (a document that grew): the grown table becomes
      // the FAT, moved up in place to make room for the committed entries,
      // rather than copied into fresh memory.
      grown_.insert(grown_.begin(), static_cast<size_t>(base_size), kFreeSect);
      if (keep_) std::copy(base_.begin(), base_.end(), grown_.begin());
      grown_.resize(entries, kFreeSect);
      for (const auto& [i, page] : pages_) {
        std::copy(page.begin(), page.end(), grown_.begin() + static_cast<ptrdiff_t>(i * epb_));
      }
      fat = std::move(grown_);
      return;
    }
    fat.reserve(static_cast<size_t>(entries));
    if (keep_) {
      fat.resize(entries, kFreeSect);
    } else {
      fat.assign(entries, kFreeSect);
    }
    for (const auto& [i, page] : pages_) {
      if (i * epb_ < entries) std::copy(page.begin(), page.end(), fat.begin() + static_cast<ptrdiff_t>(i * epb_));
    }
    if (base_size < entries) {
      const auto n = static_cast<ptrdiff_t>(std::min<uint64_t>(grown_.size(), entries - base_size));
      std::copy(grown_.begin(), grown_.begin() + n, fat.begin() + static_cast<ptrdiff_t>(base_size));
    }
  }

 private:
  using Page = std::vector<uint32_t>;
  const Page* Find(uint64_t i) const {
    if (i == last_index_) return last_;
    auto it = pages_.find(i);
    if (it == pages_.end()) return nullptr;
    last_index_ = i;
    last_ = &it->second;
    return last_;
  }
  Page& Touch(uint64_t i) {
    if (const Page* page = Find(i)) return const_cast<Page&>(*page);
    Page page(epb_, kFreeSect);
    for (uint64_t k = 0; k < epb_ && keep_ && i * epb_ + k < base_.size(); ++k) page[k] = base_[i * epb_ + k];
    size_ = std::max(size_, (i + 1) * epb_);
    last_index_ = i;
    last_ = &pages_.emplace(i, std::move(page)).first->second;
    return const_cast<Page&>(*last_);
  }

  const SectorTable& base_;
  uint32_t epb_;
  bool keep_ = true;
  uint64_t size_;
  std::unordered_map<uint64_t, Page> pages_;  // nodes: references stay valid
  SectorTable grown_;                         // entries from base_.size() on
  mutable uint64_t last_index_ = UINT64_MAX;
  mutable const Page* last_ = nullptr;
};

}  // namespace

class Committer {
 public:
  Committer(Container& c, Node& root, const std::vector<Node*>& others)
      : c_(c),
        root_(root),
        others_(others),
        ssz_(c.sector_size()),
        epb_(ssz_ / 4),
        writer_(c.file(), ssz_),
        fat_(c.fat_, epb_) {}

  bool Run(uint64_t limit);

 private:
  // Sector index ranges [first, end) of one chain, ascending and disjoint.
  using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

  struct StreamPlan {
    uint32_t entry = 0;
    Node* node = nullptr;
    bool mini = false;
    SectorTable chain;
  };

  bool UsedByOld(uint64_t s) const {
    return (s < c_.fat_.size() && c_.fat_[s] != kFreeSect) ||
           std::binary_search(c_.reserved_.begin(), c_.reserved_.end(), s);
  }
  bool OldStateClean() const;
  // Every change to the new FAT goes through here, so that the FAT sectors
  // that differ from the committed ones are known without comparing them all.
  void SetFat(uint64_t s, uint32_t value);
  uint32_t Allocate();
  // Moves FAT and DIFAT sectors that lie past the last sector of data into
  // free sectors below it, when there is room for all of them, so that the
  // file can be cut after the data.
  void LowerTables();
  uint32_t AllocateMini();
  void LinkMini(const SectorTable& chain) {
    for (size_t i = 0; i < chain.size(); ++i) minifat_[chain[i]] = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
  }
  bool ClaimMini(uint32_t m) {
    if (m >= minifat_.size() || minifat_[m] != kFreeSect) return false;
    minifat_[m] = kEndOfChain;
    return true;
  }
  // Places a chain of ordinary sectors for `size` bytes and returns its first
  // sector. `old` is the chain of the committed state that this one replaces
  // (null: none, so every sector is new); its sectors stay where they are
  // except those in `dirty` and those past the new end. `fill(i, out)`
  // fills all of `out` with the bytes of sectors i, i+1, ... The work
  // follows the dirty ranges, not the length of the chain; `whole`, when
  // given, receives the complete chain. `written(i)` says where sectors i, ...
  // already are in the file (an extent the commit adopts) and for how many:
  // (first sector, count), or (kFreeSect, count) for sectors it must write.
  template <typename Fill, typename Written = decltype(&NothingWritten)>
  uint32_t PlaceChain(const SectorTable* old, uint64_t size, Ranges dirty, Fill fill, SectorTable* whole,
                      Written written = &NothingWritten);
  // Gives each extent of this file that big streams hold to one of them
  // (the first), to be adopted.
  void ClaimExtents(const std::vector<StreamPlan>& plans);
  SectorTable PlaceBytes(const SectorTable* old, const std::vector<std::byte>& old_bytes,
                         const std::vector<std::byte>& bytes);
  Ranges DirtySectors(const Content& content) const;
  void BuildDirectory();
  void PlaceStreams();
  void FreeDroppedStreams();
  void PlaceTables();
  std::vector<std::byte> DifatSector(size_t j) const;
  SectorTable FreeSectorsAfter(uint64_t used) const;

  void DetachOthers();

  Container& c_;
  Node& root_;
  const std::vector<Node*>& others_;
  // Edit the committed FAT (a clean file), or build a new one beside it.
  bool reuse_ = false;
  std::set<uint32_t> taken_;                      // first sectors of committed chains given to a new stream
  std::set<std::pair<uint32_t, uint64_t>> kept_;  // (start, size) of streams kept as they were
  std::set<uint32_t> unchanged_;                  // first sectors of big streams kept as they were
  std::map<const Extent*, uint32_t> owners_;      // extents adopted, by the entry that adopts them
  std::vector<Extent*> adopting_;                 // alive: the streams adopting them hold them
  SectorTable tails_;                             // sectors of adopted extents past their bytes
  size_t tail_at_ = 0;                            // next candidate in tails_
  uint32_t ssz_;
  uint32_t epb_;
  SectorWriter writer_;
  FatOverlay fat_;
  SectorTable freed_;            // sectors set free by this commit
  size_t free_at_ = 0;           // next candidate in the committed free list
  uint64_t append_ = 0;          // next candidate past the committed sectors
  SectorTable minifat_;
  uint64_t mini_hint_ = 0;
  std::vector<DirEntry> entries_;
  std::vector<Node*> entry_nodes_;
  SectorTable dir_chain_, minifat_chain_, ministream_chain_;
  std::vector<std::byte> dir_raw_, minifat_raw_;
  SectorTable fat_locs_, difat_locs_;
};

bool Committer::OldStateClean() const {
  if (c_.clean_) return *c_.clean_;
  // One walk over every chain of the committed state: each used sector must
  // belong to exactly one chain or table, and each chain must end where its
  // size says. Files from other writers may share or leak sectors; editing
  // their FAT in place could then free a sector that a kept chain still uses.
  const auto& fat = c_.fat_;
  std::vector<bool> owned(fat.size(), false);
  uint64_t owned_count = 0;
  auto own = [&](uint32_t s) {
    if (s >= fat.size() || owned[s]) return false;
    owned[s] = true;
    ++owned_count;
    return true;
  };
  auto own_chain = [&](uint32_t start, uint64_t count) {
    uint32_t s = start;
    for (uint64_t k = 0; k < count; ++k) {
      if (!own(s)) return false;
      s = fat[s];
    }
    return count == 0 || s == kEndOfChain;
  };
  auto own_listed = [&](const SectorTable& chain) { return chain.empty() || own_chain(chain.front(), chain.size()); };
  bool clean = true;
  for (uint32_t s : c_.fat_sectors_) clean = clean && own(s) && fat[s] == kFatSect;
  for (uint32_t s : c_.difat_sectors_) clean = clean && own(s) && fat[s] == kDifSect;
  clean = clean && own_listed(c_.dir_chain_) && own_listed(c_.minifat_chain_) && own_listed(c_.ministream_chain_);
  for (const DirEntry& e : c_.entries_) {
    if (!clean) break;
    if (e.type == EntryType::kStream && e.size >= kMiniStreamCutoff) clean = own_chain(e.start, DivUp(e.size, ssz_));
  }
  clean = clean && owned_count == static_cast<uint64_t>(std::count_if(fat.begin(), fat.end(),
                                                                       [](uint32_t e) { return e != kFreeSect; }));
  c_.clean_ = clean;
  return clean;
}

void Committer::SetFat(uint64_t s, uint32_t value) {
  if (fat_[s] == value) return;
  if (value == kFreeSect) freed_.push_back(static_cast<uint32_t>(s));
  fat_.Set(s, value);
}

uint32_t Committer::Allocate() {
  // Lowest first: the committed state's free sectors, then what adopted
  // extents leave over, then the end of the file.
  while (free_at_ < c_.free_.size()) {
    const uint32_t s = c_.free_[free_at_++];
    if (fat_[s] == kFreeSect) {
      SetFat(s, kEndOfChain);
      return s;
    }
  }
  while (tail_at_ < tails_.size()) {
    const uint32_t s = tails_[tail_at_++];
    if (fat_[s] == kFreeSect) {
      SetFat(s, kEndOfChain);
      return s;
    }
  }
  // Live extents hold sectors the FAT does not show as used.
  for (;;) {
    if (append_ < fat_.size() && fat_[append_] != kFreeSect) {
      append_ = fat_.NextFree(append_, fat_.size());
    } else if (append_ < fat_.size() && UsedByOld(append_)) {
      ++append_;
    } else if (const uint64_t end = c_.ExtentEnd(append_)) {
      append_ = end;
    } else {
      break;
    }
  }
  if (append_ > kMaxRegSect) Fail(STG_E_DOCFILETOOLARGE, "the document is too large");
  const uint64_t s = append_++;
  SetFat(s, kEndOfChain);
  return static_cast<uint32_t>(s);
}

uint32_t Committer::AllocateMini() {
  // Mini sectors of the old state may be reused at once: the mini stream is
  // itself written copy-on-write, so the old state's copy stays intact.
  while (mini_hint_ < minifat_.size() && minifat_[mini_hint_] != kFreeSect) ++mini_hint_;
  if (mini_hint_ == minifat_.size()) minifat_.push_back(kFreeSect);
  minifat_[mini_hint_] = kEndOfChain;
  return static_cast<uint32_t>(mini_hint_);
}

void Committer::ClaimExtents(const std::vector<StreamPlan>& plans) {
  auto each_run = [&](const auto& visit) {
    for (const auto& p : plans) {
      if (p.mini) continue;
      const Content& content = p.node->content;
      for (uint64_t at = 0; at < content.size();) {
        const Content::SpillRun run = content.Spilled(at);
        if (run.extent && &run.extent->container() == &c_ && !run.extent->adopted()) visit(p, run);
        at += std::max<uint64_t>(run.bytes, 1);
      }
    }
  };
  each_run([&](const StreamPlan& p, const Content::SpillRun& run) {
    if (owners_.emplace(run.extent, p.entry).second) adopting_.push_back(run.extent);
  });
  // Transacted storages below the root that share these extents read them
  // from memory from now on: adopted sectors belong to the committed state,
  // which a later commit may reuse.
  for (Node* other : others_) {
    ForEachStream(*other, [this](Node& stream) {
      stream.content.Unspill([this](const Extent& e) { return owners_.count(&e) != 0; });
    });
  }
  // Sectors wholly past the bytes written to an extent that nobody else holds
  // can take this commit's other sectors: a failed commit leaves them reading
  // as zeros all the same. Taken first, they leave no gap in the file.
  std::set<const Extent*> done;
  each_run([&](const StreamPlan& p, const Content::SpillRun& run) {
    if (run.shared || owners_.at(run.extent) != p.entry || !done.insert(run.extent).second) return;
    const uint64_t end = run.extent->first() + c_.ExtentSectors();
    for (uint64_t s = run.extent->first() + DivUp(run.filled, ssz_); s < end; ++s) {
      tails_.push_back(static_cast<uint32_t>(s));
    }
  });
}

template <typename Fill, typename Written>
uint32_t Committer::PlaceChain(const SectorTable* old, uint64_t size, Ranges dirty, Fill fill, SectorTable* whole,
                               Written written) {
  const uint64_t count = DivUp(size, ssz_);
  const uint64_t old_count = old ? old->size() : 0;
  for (uint64_t i = count; i < old_count; ++i) SetFat((*old)[i], kFreeSect);
  if (old_count < count) dirty.emplace_back(old_count, count);
  // Ranges to write, merged, and cut at the new end.
  std::sort(dirty.begin(), dirty.end());
  Ranges runs;
  for (auto [first, end] : dirty) {
    end = std::min(end, count);
    if (first >= end) continue;
    if (!runs.empty() && runs.back().second >= first) {
      runs.back().second = std::max(runs.back().second, end);
    } else {
      runs.emplace_back(first, end);
    }
  }
  // The new chain is the old one with each run replaced by new sectors; only
  // the runs are held, so a small change to a long chain costs little.
  std::vector<Segments> fresh(runs.size());
  auto at = [&](uint64_t k) {
    auto r = std::upper_bound(runs.begin(), runs.end(), std::pair{k, UINT64_MAX});
    if (r != runs.begin() && k < std::prev(r)->second) {
      const auto index = static_cast<size_t>(std::prev(r) - runs.begin());
      return fresh[index][k - runs[index].first];
    }
    return (*old)[k];
  };
  // Sectors to write are filled a run at a time (up to 256 KB), so a stream
  // read from another file costs one read per run, not one per sector.
  std::vector<std::byte> buf;
  const uint64_t per_fill = std::max<uint64_t>(1, (256u << 10) / ssz_);
  for (size_t r = 0; r < runs.size(); ++r) {
    const auto [first, end] = runs[r];
    for (uint64_t i = first; i < end;) {
      const auto [there, run] = written(i);
      if (there != kFreeSect) {
        // Already in the file: linked in where it is, below. Until then the
        // live extent keeps Allocate off these sectors.
        const uint64_t stop = i + std::min(end - i, run);
        for (uint64_t k = i; k < std::min(stop, old_count); ++k) SetFat((*old)[k], kFreeSect);
        fresh[r].Add(there, stop - i);
        i = stop;
        continue;
      }
      const uint64_t stop = i + std::max<uint64_t>(1, std::min({end - i, per_fill, run}));
      buf.resize((stop - i) * ssz_);
      fill(i, std::span(buf));
      for (uint64_t k = i; k < stop; ++k) {
        if (k < old_count) SetFat((*old)[k], kFreeSect);  // its committed bytes stay as they were
        const uint32_t s = Allocate();
        fresh[r].Add(s, 1);
        writer_.Put(s, std::span(buf).subspan((k - i) * ssz_, ssz_));
      }
      i = stop;
    }
  }
  for (size_t r = 0; r < runs.size(); ++r) {
    const auto [first, end] = runs[r];
    if (first > 0) SetFat(at(first - 1), fresh[r].front());
    const auto& parts = fresh[r].parts();
    for (size_t j = 0; j < parts.size(); ++j) {
      // Consecutive sectors (an adopted extent, an append) are linked in one go.
      if (parts[j].count > 1) fat_.Link(parts[j].first, parts[j].count - 1);
      const uint32_t next = j + 1 < parts.size() ? parts[j + 1].first : end < count ? at(end) : kEndOfChain;
      SetFat(parts[j].first + parts[j].count - 1, next);
    }
  }
  if (count > 0) SetFat(at(count - 1), kEndOfChain);
  const uint32_t start = count > 0 ? at(0) : kEndOfChain;
  if (whole) {
    whole->clear();
    whole->reserve(static_cast<size_t>(count));
    uint64_t k = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
      for (; k < runs[r].first; ++k) whole->push_back((*old)[k]);
      for (const auto& part : fresh[r].parts()) {
        for (uint64_t j = 0; j < part.count; ++j) whole->push_back(static_cast<uint32_t>(part.first + j));
      }
      k = runs[r].second;
    }
    for (; k < count; ++k) whole->push_back((*old)[k]);
  }
  return start;
}

SectorTable Committer::PlaceBytes(const SectorTable* old, const std::vector<std::byte>& old_bytes,
                                  const std::vector<std::byte>& bytes) {
  Ranges dirty;
  for (uint64_t i = 0; i * ssz_ < bytes.size(); ++i) {
    const size_t at = static_cast<size_t>(i * ssz_);
    if (at + ssz_ <= old_bytes.size() && std::memcmp(old_bytes.data() + at, bytes.data() + at, ssz_) == 0) continue;
    if (!dirty.empty() && dirty.back().second == i) {
      ++dirty.back().second;
    } else {
      dirty.emplace_back(i, i + 1);
    }
  }
  auto fill = [&](uint64_t i, std::span<std::byte> out) { std::memcpy(out.data(), bytes.data() + i * ssz_, out.size()); };
  SectorTable chain;
  PlaceChain(old, bytes.size(), std::move(dirty), fill, &chain);
  return chain;
}

Committer::Ranges Committer::DirtySectors(const Content& content) const {
  Ranges out;
  for (const auto& [from, to] : content.DirtyRanges()) out.emplace_back(from / ssz_, DivUp(to, ssz_));
  return out;
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
    SectorTable old = c_.MiniChain(content.base().start, DivUp(content.size(), kMiniSectorSize));
    size_t claimed = 0;
    while (claimed < old.size() && ClaimMini(old[claimed])) ++claimed;
    if (claimed < old.size()) {
      // Shared with another entry (a copy, or a damaged file): give back what
      // this attempt took, and write the stream anew.
      for (size_t i = 0; i < claimed; ++i) minifat_[old[i]] = kFreeSect;
      continue;
    }
    p.chain = old;
    LinkMini(old);
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
    LinkMini(p.chain);
  }
  ClaimExtents(plans);
  // Big streams: a stream that still reads from its committed chain takes
  // that chain over and rewrites only its changed sectors; an unchanged one
  // costs nothing. A second stream reading from the same chain (a copy) and
  // streams from elsewhere are written whole.
  for (auto& p : plans) {
    if (p.mini) continue;
    Content& content = p.node->content;
    const Base& base = content.base();
    const bool takes_over = reuse_ && base.container.get() == &c_ && !base.regular &&
                            base.size >= kMiniStreamCutoff && taken_.insert(base.start).second;
    if (takes_over && content.Unchanged(&c_)) {
      entries_[p.entry].start = base.start;
      kept_.emplace(base.start, base.size);
      unchanged_.insert(base.start);
      continue;
    }
    std::shared_ptr<const SectorTable> cached;
    SectorTable exact;
    const SectorTable* old = nullptr;
    if (takes_over) {
      cached = c_.CachedChain(base.start, DivUp(base.size, ssz_), false);
      old = cached.get();
      if (old->size() > DivUp(base.size, ssz_)) {
        exact.assign(old->begin(), old->begin() + static_cast<ptrdiff_t>(DivUp(base.size, ssz_)));
        old = &exact;
      }
    }
    auto fill = [&](uint64_t i, std::span<std::byte> out) {
      std::fill(out.begin() + static_cast<ptrdiff_t>(content.Read(i * ssz_, out)), out.end(), std::byte{0});
    };
    auto written = [&](uint64_t i) -> std::pair<uint32_t, uint64_t> {
      const Content::SpillRun run = content.Spilled(i * ssz_);
      if (!run.extent) return {kFreeSect, DivUp(run.bytes, ssz_)};
      // A sector only partly written, an extent of another file or one that
      // another stream adopts is written out like any other.
      const uint64_t whole_sectors = run.bytes / ssz_;
      const auto owner = owners_.find(run.extent);
      if (whole_sectors == 0 || owner == owners_.end() || owner->second != p.entry) return {kFreeSect, 1};
      return {static_cast<uint32_t>(run.extent->first() + run.at / ssz_), whole_sectors};
    };
    // The chain is not gathered: a later read finds it in the new FAT, and a
    // commit that only writes a stream out never holds it whole.
    entries_[p.entry].start =
        PlaceChain(old, content.size(), old ? DirtySectors(content) : Ranges{}, fill, nullptr, written);
  }
  for (auto& p : plans) {
    if (p.mini) entries_[p.entry].start = p.chain.front();
  }

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
  auto fill = [&](uint64_t i, std::span<std::byte> out) {
    std::fill(out.begin() + static_cast<ptrdiff_t>(ministream.Read(i * ssz_, out)), out.end(), std::byte{0});
  };
  PlaceChain(reuse_ ? &c_.ministream_chain_ : nullptr, mini_size, DirtySectors(ministream), fill, &ministream_chain_);
  entries_[0].start = ministream_chain_.empty() ? kEndOfChain : ministream_chain_.front();
  entries_[0].size = mini_size;

  // The mini-FAT, padded to whole sectors with free entries.
  minifat_raw_.assign(DivUp(minifat_.size(), epb_) * ssz_, std::byte{0xFF});
  for (size_t i = 0; i < minifat_.size(); ++i) Put32(minifat_raw_, 4 * i, minifat_[i]);
  minifat_chain_ = PlaceBytes(reuse_ ? &c_.minifat_chain_ : nullptr, c_.minifat_raw_, minifat_raw_);
}

void Committer::FreeDroppedStreams() {
  // Committed big streams that no new stream took over (destroyed, shrunk
  // into the mini stream, or replaced) give their sectors back.
  for (const DirEntry& e : c_.entries_) {
    if (e.type != EntryType::kStream || e.size < kMiniStreamCutoff || taken_.count(e.start)) continue;
    for (uint32_t s : c_.FatChain(e.start, DivUp(e.size, ssz_))) SetFat(s, kFreeSect);
  }
}

std::vector<std::byte> Committer::DifatSector(size_t j) const {
  std::vector<std::byte> out(ssz_, std::byte{0xFF});
  const size_t first = kHeaderDifatSlots + j * (epb_ - 1);
  for (size_t k = 0; k < epb_ - 1 && first + k < fat_locs_.size(); ++k) Put32(out, 4 * k, fat_locs_[first + k]);
  Put32(out, size_t{4} * (epb_ - 1), j + 1 < difat_locs_.size() ? difat_locs_[j + 1] : kEndOfChain);
  return out;
}

void Committer::PlaceTables() {
  // The FAT describes every sector, its own and the DIFAT's included, so
  // placing them changes it: repeat until nothing moves. Each FAT sector whose
  // entries changed moves once, so this ends after a few rounds. A FAT or
  // DIFAT sector that stays where it was keeps its bytes and is not written.
  const SectorTable none;
  const auto& old_fat = reuse_ ? c_.fat_sectors_ : none;
  const auto& old_difat = reuse_ ? c_.difat_sectors_ : none;
  fat_locs_ = old_fat;
  difat_locs_ = old_difat;
  auto free_sector = [this](uint32_t s) { SetFat(s, kFreeSect); };
  if (reuse_) {
    // Table sectors that describe only free space go before the others move
    // down (LowerTables), so that none is moved only to be dropped.
    DropTables(fat_locs_, DivUp(DataEnd(fat_), epb_), free_sector);
    DropTables(difat_locs_, DifatSectorsFor(fat_locs_.size(), epb_), free_sector);
    LowerTables();
  }
  for (bool changed = true; changed;) {
    // The FAT covers the sectors in use and no more: the sectors of a FAT
    // that a removal left longer are given back (DropTables), so the file
    // keeps no table of free entries.
    const size_t need_fat = DivUp(UsedEnd(fat_), epb_);
    changed = DropTables(fat_locs_, need_fat, free_sector);
    while (fat_locs_.size() < need_fat) fat_locs_.push_back(kFreeSect);
    const size_t need_difat = DifatSectorsFor(fat_locs_.size(), epb_);
    changed = DropTables(difat_locs_, need_difat, free_sector) || changed;
    while (difat_locs_.size() < need_difat) difat_locs_.push_back(kFreeSect);
    // Only FAT sectors without a place yet and those whose entries were
    // touched can need a new place.
    std::vector<uint64_t> candidates = fat_.Touched();
    for (size_t i = old_fat.size(); i < fat_locs_.size(); ++i) candidates.push_back(i);
    for (const uint64_t i : candidates) {
      if (i >= fat_locs_.size()) continue;
      const bool at_old = i < old_fat.size() && fat_locs_[i] == old_fat[i];
      if (fat_locs_[i] == kFreeSect || (at_old && fat_.Changed(i))) {
        if (at_old) SetFat(old_fat[i], kFreeSect);
        fat_locs_[i] = Allocate();
        SetFat(fat_locs_[i], kFatSect);
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
        if (at_old) SetFat(old_difat[j], kFreeSect);
        difat_locs_[j] = Allocate();
        SetFat(difat_locs_[j], kDifSect);
        changed = true;
      }
    }
  }
  // FAT sectors go out from the table itself where its layout is the file's.
  static const std::vector<std::byte> kAllFree(kMaxSectorSize, std::byte{0xFF});
  std::vector<std::byte> buf(ssz_);
  for (size_t i = 0; i < fat_locs_.size(); ++i) {
    if (i < old_fat.size() && fat_locs_[i] == old_fat[i]) continue;
    const uint32_t* entries = fat_.Sector(i);
    if (!entries) {
      writer_.PutInPlace(fat_locs_[i], std::span(kAllFree).first(ssz_));
    } else if constexpr (std::endian::native == std::endian::little) {
      writer_.PutInPlace(fat_locs_[i], std::as_bytes(std::span(entries, epb_)));
    } else {
      for (size_t k = 0; k < epb_; ++k) Put32(buf, 4 * k, entries[k]);
      writer_.Put(fat_locs_[i], buf);
    }
  }
  for (size_t j = 0; j < difat_locs_.size(); ++j) {
    if (j < old_difat.size() && difat_locs_[j] == old_difat[j]) continue;
    writer_.Put(difat_locs_[j], DifatSector(j));
  }
}

void Committer::LowerTables() {
  // Walking back from the end costs what the tail holds: nothing when data
  // ends the file, the sectors a removal freed when it does not.
  uint64_t data_end = fat_.size();
  while (data_end > 0 &&
         (fat_[data_end - 1] == kFreeSect || fat_[data_end - 1] == kFatSect || fat_[data_end - 1] == kDifSect)) {
    --data_end;
  }
  size_t tail = 0;
  uint64_t highest = 0;
  for (const auto* locs : {&fat_locs_, &difat_locs_}) {
    for (uint32_t s : *locs) {
      if (s < data_end) continue;
      ++tail;
      highest = std::max<uint64_t>(highest, s);
    }
  }
  // Moving a table sector changes the FAT sectors that describe both places,
  // so the moves take up to twice the tail's count of the lowest free
  // sectors, up to `top`. Only table sectors above it move, and only when
  // that lowers the end of the file.
  const size_t need = 2 * tail + 8;
  if (tail == 0 || free_at_ + need > c_.free_.size()) return;
  const uint32_t top = std::max<uint32_t>(c_.free_[free_at_ + need - 1], static_cast<uint32_t>(data_end));
  if (highest <= top) return;
  data_end = top + 1ull;
  for (size_t i = 0; i < fat_locs_.size(); ++i) {
    if (fat_locs_[i] < data_end) continue;
    SetFat(fat_locs_[i], kFreeSect);
    fat_locs_[i] = Allocate();
    SetFat(fat_locs_[i], kFatSect);
  }
  for (uint32_t& s : difat_locs_) {
    if (s < data_end) continue;
    SetFat(s, kFreeSect);
    s = Allocate();
    SetFat(s, kDifSect);
  }
}

SectorTable Committer::FreeSectorsAfter(uint64_t used) const {
  SectorTable out;
  auto add = [&](uint32_t s) {
    if (s < used && fat_[s] == kFreeSect) out.push_back(s);
  };
  if (reuse_) {
    // Only sectors this commit touched can have become free.
    for (size_t i = free_at_; i < c_.free_.size(); ++i) add(c_.free_[i]);
    for (uint32_t s : freed_) add(s);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
  } else {
    for (uint64_t s = 0; s < used; ++s) {
      if (const uint64_t end = c_.ExtentEnd(s)) {
        s = end - 1;  // held by a live extent
      } else {
        add(static_cast<uint32_t>(s));
      }
    }
  }
  return out;
}

bool Committer::Run(uint64_t limit) {
  reuse_ = OldStateClean();
  // Sectors the committed state uses are never written: new bytes go to
  // sectors that are free in it, or past its end.
  fat_.KeepBase(reuse_);
  append_ = std::min<uint64_t>(c_.fat_.size(), c_.file_sectors_);
  minifat_.assign(c_.minifat().size(), kFreeSect);

  BuildDirectory();
  PlaceStreams();
  if (reuse_) FreeDroppedStreams();
  const size_t per_sector = ssz_ / kDirEntrySize;
  dir_raw_.assign(DivUp(entries_.size(), per_sector) * ssz_, std::byte{0});
  for (size_t i = 0; i < dir_raw_.size() / kDirEntrySize; ++i) {
    SerializeDirEntry(i < entries_.size() ? entries_[i] : DirEntry{}, std::span(dir_raw_).subspan(i * kDirEntrySize));
  }
  dir_chain_ = PlaceBytes(reuse_ ? &c_.dir_chain_ : nullptr, c_.dir_raw_, dir_raw_);
  PlaceTables();

  const uint64_t used = UsedEnd(fat_);
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

  // Published. Adopted extents are part of the file now; what they hold past
  // their streams' ends is free space.
  for (const auto& extent : adopting_) {
    extent->Adopt();
    c_.extents_.erase(extent->first());
    const uint64_t end = extent->first() + c_.ExtentSectors();
    for (uint64_t s = fat_.NextFree(extent->first(), end); s < end; s = fat_.NextFree(s + 1, end)) {
      freed_.push_back(static_cast<uint32_t>(s));
    }
  }
  SectorTable free_now = FreeSectorsAfter(used);
  c_.header_ = h;
  c_.file_sectors_ = used;
  fat_.MoveInto(c_.fat_, uint64_t{fat_locs_.size()} * epb_);
  c_.fat_sectors_ = std::move(fat_locs_);
  c_.difat_sectors_ = std::move(difat_locs_);
  c_.free_ = std::move(free_now);
  c_.reserved_.clear();
  c_.clean_ = true;
  c_.extent_hint_ = 0;
  c_.minifat_ = std::move(minifat_);
  c_.minifat_.resize(minifat_raw_.size() / 4, kFreeSect);
  c_.minifat_chain_ = std::move(minifat_chain_);
  c_.minifat_raw_ = std::move(minifat_raw_);
  c_.dir_chain_ = std::move(dir_chain_);
  c_.dir_raw_ = std::move(dir_raw_);
  c_.ministream_chain_ = std::move(ministream_chain_);
  // Chains that carried over unchanged stay cached.
  std::map<std::pair<uint32_t, bool>, std::shared_ptr<const SectorTable>> chains;
  for (auto& [key, chain] : c_.chains_) {
    if (!key.second && unchanged_.count(key.first)) chains.emplace(key, std::move(chain));
  }
  c_.chains_ = std::move(chains);
  c_.cached_links_ = 0;
  for (const auto& [key, chain] : c_.chains_) c_.cached_links_ += chain->size();
  // The working tree now reads from the new state; its written pages are in the file.
  auto self = c_.shared_from_this();
  for (size_t id = 1; id < entries_.size(); ++id) {
    if (entries_[id].type != EntryType::kStream) continue;
    const DirEntry& e = entries_[id];
    entry_nodes_[id]->content = Content(Base{e.size == 0 ? nullptr : self, e.start, e.size});
  }
  c_.entries_ = std::move(entries_);
  // Sectors past the last one in use belong to nobody now, unless a live
  // extent holds them.
  const uint64_t keep = std::max<uint64_t>(file_size, (c_.ExtentsEnd() + 1) * ssz_);
  if (c_.file().Size() > keep) c_.file().Truncate(keep);
  return true;
}

void Committer::DetachOthers() {
  for (Node* other : others_) {
    ForEachStream(*other, [this](Node& stream) {
      const Base& b = stream.content.base();
      if (b.container.get() == &c_ && !kept_.count({b.start, b.size})) stream.content.Detach();
    });
  }
}

bool Container::Commit(Node& root, uint64_t limit, const std::vector<Node*>& others) {
  // Tables another writer's commit has replaced would send new bytes into
  // sectors the file now uses.
  CheckCurrent();
  if (!Committer(*this, root, others).Run(limit)) return false;
  header_bytes_.fill(std::byte{0});
  SerializeHeader(header_, header_bytes_);
  return true;
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
