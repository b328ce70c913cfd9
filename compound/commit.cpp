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
#include <memory>
#include <set>

#include "compound/container.hpp"
#include "compound/errors.hpp"
#include "compound/extent_claims.hpp"
#include "compound/fat.hpp"
#include "compound/sector_writer.hpp"
#include "compound/segments.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

// For chains whose bytes are all written by the commit itself.
std::pair<uint32_t, uint64_t> NothingWritten(uint64_t) { return {kFreeSect, UINT64_MAX}; }

}  // namespace

class Committer {
 public:
  Committer(Container& c, Node& root, const std::vector<Node*>& others)
      : c_(c),
        old_(c.state()),
        root_(root),
        others_(others),
        ssz_(c.sector_size()),
        epb_(ssz_ / 4),
        writer_(c.file(), ssz_),
        fat_(c, c.Clean()),
        claims_(c, ssz_) {}

  bool Run(uint64_t limit);

 private:
  // Sector index ranges [first, end) of one chain, ascending and disjoint.
  using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

  uint32_t AllocateMini();
  void LinkMini(const SectorTable& chain) {
    for (size_t i = 0; i < chain.size(); ++i) {
      next_.minifat[chain[i]] = i + 1 < chain.size() ? chain[i + 1] : kEndOfChain;
    }
  }
  bool ClaimMini(uint32_t m) {
    if (m >= next_.minifat.size() || next_.minifat[m] != kFreeSect) return false;
    next_.minifat[m] = kEndOfChain;
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
  SectorTable PlaceBytes(const SectorTable* old, const std::vector<std::byte>& old_bytes,
                         const std::vector<std::byte>& bytes);
  Ranges DirtySectors(const Content& content) const;
  void PlaceStreams();
  void FreeDroppedStreams();
  Header NextHeader() const;
  void DetachOthers();

  Container& c_;
  const CommittedState& old_;
  Node& root_;
  const std::vector<Node*>& others_;
  std::set<uint32_t> taken_;                      // first sectors of committed chains given to a new stream
  std::set<std::pair<uint32_t, uint64_t>> kept_;  // (start, size) of streams kept as they were
  std::set<uint32_t> unchanged_;                  // first sectors of big streams kept as they were
  uint32_t ssz_;
  uint32_t epb_;
  SectorWriter writer_;
  FatBuilder fat_;
  ExtentClaims claims_;
  uint64_t mini_hint_ = 0;
  // The state this commit builds; its FAT is fat_ until it is installed.
  CommittedState next_;
  std::vector<Node*> entry_nodes_;
};

uint32_t Committer::AllocateMini() {
  // Mini sectors of the old state may be reused at once: the mini stream is
  // itself written copy-on-write, so the old state's copy stays intact.
  while (mini_hint_ < next_.minifat.size() && next_.minifat[mini_hint_] != kFreeSect) ++mini_hint_;
  if (mini_hint_ == next_.minifat.size()) next_.minifat.push_back(kFreeSect);
  next_.minifat[mini_hint_] = kEndOfChain;
  return static_cast<uint32_t>(mini_hint_);
}

template <typename Fill, typename Written>
uint32_t Committer::PlaceChain(const SectorTable* old, uint64_t size, Ranges dirty, Fill fill, SectorTable* whole,
                               Written written) {
  const uint64_t count = DivUp(size, ssz_);
  const uint64_t old_count = old ? old->size() : 0;
  for (uint64_t i = count; i < old_count; ++i) fat_.Set((*old)[i], kFreeSect);
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
        for (uint64_t k = i; k < std::min(stop, old_count); ++k) fat_.Set((*old)[k], kFreeSect);
        fresh[r].Add(there, stop - i);
        i = stop;
        continue;
      }
      const uint64_t stop = i + std::max<uint64_t>(1, std::min({end - i, per_fill, run}));
      buf.resize((stop - i) * ssz_);
      fill(i, std::span(buf));
      for (uint64_t k = i; k < stop; ++k) {
        if (k < old_count) fat_.Set((*old)[k], kFreeSect);  // its committed bytes stay as they were
        const uint32_t s = fat_.Allocate();
        fresh[r].Add(s, 1);
        writer_.Put(s, std::span(buf).subspan((k - i) * ssz_, ssz_));
      }
      i = stop;
    }
  }
  for (size_t r = 0; r < runs.size(); ++r) {
    const auto [first, end] = runs[r];
    if (first > 0) fat_.Set(at(first - 1), fresh[r].front());
    const auto& parts = fresh[r].parts();
    for (size_t j = 0; j < parts.size(); ++j) {
      // Consecutive sectors (an adopted extent, an append) are linked in one go.
      if (parts[j].count > 1) fat_.Link(parts[j].first, parts[j].count - 1);
      const uint32_t next = j + 1 < parts.size() ? parts[j + 1].first : end < count ? at(end) : kEndOfChain;
      fat_.Set(parts[j].first + parts[j].count - 1, next);
    }
  }
  if (count > 0) fat_.Set(at(count - 1), kEndOfChain);
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
  auto fill = [&](uint64_t i, std::span<std::byte> out) {
    std::memcpy(out.data(), bytes.data() + i * ssz_, out.size());
  };
  SectorTable chain;
  PlaceChain(old, bytes.size(), std::move(dirty), fill, &chain);
  return chain;
}

Committer::Ranges Committer::DirtySectors(const Content& content) const {
  Ranges out;
  for (const auto& [from, to] : content.DirtyRanges()) out.emplace_back(from / ssz_, DivUp(to, ssz_));
  return out;
}

void Committer::PlaceStreams() {
  std::vector<StreamPlan> plans;
  plans.reserve(next_.entries.size());
  for (uint32_t id = 1; id < next_.entries.size(); ++id) {
    if (next_.entries[id].type != EntryType::kStream) continue;
    Node* n = entry_nodes_[id];
    const uint64_t size = n->content.size();
    next_.entries[id].size = size;
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
      for (size_t i = 0; i < claimed; ++i) next_.minifat[old[i]] = kFreeSect;
      continue;
    }
    p.chain = old;
    LinkMini(old);
    kept_.emplace(content.base().start, content.base().size);
  }
  // Rewritten small streams: whole mini sectors, zero-padded, into the new
  // mini stream, which is the old one overlaid with them; written there at
  // once rather than gathered, so that a commit of many small streams holds
  // their bytes once.
  Content ministream(Base{c_.entries().empty() ? nullptr : c_.shared_from_this(),
                          c_.entries().empty() ? 0 : c_.entries()[0].start,
                          c_.entries().empty() ? 0 : c_.entries()[0].size, true});
  if (ministream.size() == 0) ministream = Content();
  std::vector<std::byte> bytes;
  for (auto& p : plans) {
    if (!p.mini || !p.chain.empty()) continue;
    bytes.assign(DivUp(p.node->content.size(), kMiniSectorSize) * kMiniSectorSize, std::byte{0});
    p.node->content.Read(0, bytes);
    for (size_t i = 0; i < bytes.size() / kMiniSectorSize; ++i) {
      p.chain.push_back(AllocateMini());
      ministream.Write(uint64_t{p.chain.back()} * kMiniSectorSize,
                       std::span(bytes).subspan(i * kMiniSectorSize, kMiniSectorSize));
    }
    LinkMini(p.chain);
  }
  claims_.Claim(plans, others_, [this](uint32_t sector) { fat_.AddSpare(sector); });
  // Big streams: a stream that still reads from its committed chain takes
  // that chain over and rewrites only its changed sectors; an unchanged one
  // costs nothing. A second stream reading from the same chain (a copy) and
  // streams from elsewhere are written whole.
  for (auto& p : plans) {
    if (p.mini) continue;
    Content& content = p.node->content;
    const Base& base = content.base();
    const bool takes_over = fat_.editing() && base.container.get() == &c_ && !base.regular &&
                            base.size >= kMiniStreamCutoff && taken_.insert(base.start).second;
    if (takes_over && content.Unchanged(&c_)) {
      next_.entries[p.entry].start = base.start;
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
      if (whole_sectors == 0 || !claims_.Links(run, p.entry)) return {kFreeSect, 1};
      return {static_cast<uint32_t>(run.extent->first() + run.at / ssz_), whole_sectors};
    };
    // The chain is not gathered: a later read finds it in the new FAT, and a
    // commit that only writes a stream out never holds it whole.
    next_.entries[p.entry].start =
        PlaceChain(old, content.size(), old ? DirtySectors(content) : Ranges{}, fill, nullptr, written);
  }
  for (auto& p : plans) {
    if (p.mini) next_.entries[p.entry].start = p.chain.front();
  }

  // The mini stream ends after the last mini sector in use.
  while (!next_.minifat.empty() && next_.minifat.back() == kFreeSect) next_.minifat.pop_back();
  const uint64_t mini_size = next_.minifat.size() * uint64_t{kMiniSectorSize};
  ministream.Resize(mini_size);
  auto fill = [&](uint64_t i, std::span<std::byte> out) {
    std::fill(out.begin() + static_cast<ptrdiff_t>(ministream.Read(i * ssz_, out)), out.end(), std::byte{0});
  };
  PlaceChain(fat_.editing() ? &old_.ministream_chain : nullptr, mini_size, DirtySectors(ministream), fill,
             &next_.ministream_chain);
  next_.entries[0].start = next_.ministream_chain.empty() ? kEndOfChain : next_.ministream_chain.front();
  next_.entries[0].size = mini_size;

  // The mini-FAT, padded to whole sectors with free entries.
  next_.minifat_raw.assign(DivUp(next_.minifat.size(), epb_) * ssz_, std::byte{0xFF});
  for (size_t i = 0; i < next_.minifat.size(); ++i) Put32(next_.minifat_raw, 4 * i, next_.minifat[i]);
  next_.minifat_chain = PlaceBytes(fat_.editing() ? &old_.minifat_chain : nullptr, old_.minifat_raw, next_.minifat_raw);
}

void Committer::FreeDroppedStreams() {
  // Committed big streams that no new stream took over (destroyed, shrunk
  // into the mini stream, or replaced) give their sectors back.
  for (const DirEntry& e : old_.entries) {
    if (e.type != EntryType::kStream || e.size < kMiniStreamCutoff || taken_.count(e.start)) continue;
    for (uint32_t s : c_.FatChain(e.start, DivUp(e.size, ssz_))) fat_.Set(s, kFreeSect);
  }
}

bool Committer::Run(uint64_t limit) {
  // Plan: the directory, then the streams' chains, then the tables; each
  // part's changed sectors are queued for writing as they are placed.
  next_.minifat.assign(old_.minifat.size(), kFreeSect);
  next_.entries = DirectoryOf(root_, entry_nodes_);
  PlaceStreams();
  if (fat_.editing()) FreeDroppedStreams();
  next_.dir_raw = SerializeDirectory(next_.entries, ssz_);
  next_.dir_chain = PlaceBytes(fat_.editing() ? &old_.dir_chain : nullptr, old_.dir_raw, next_.dir_raw);
  fat_.PlaceTables(writer_);
  const uint64_t used = fat_.UsedEnd();
  if ((used + 1) * ssz_ > limit) return false;

  // Write and sync; then the header, which publishes the new state, and sync.
  writer_.Flush();
  DetachOthers();
  c_.file().Sync();
  next_.header = NextHeader();
  std::vector<std::byte> head(ssz_, std::byte{0});
  SerializeHeader(next_.header, head);
  c_.file().WriteAt(0, head);
  c_.file().Sync();

  // Install.
  next_.file_sectors = used;
  next_.free = fat_.FreeSectors(used, claims_.adopting());
  next_.fat_sectors = fat_.fat_sectors();
  next_.difat_sectors = fat_.difat_sectors();
  next_.minifat.resize(next_.minifat_raw.size() / 4, kFreeSect);
  next_.clean = true;
  c_.Install(std::move(next_), fat_.overlay(), claims_.adopting(), unchanged_);
  // The working tree now reads from the new state; its written pages are in the file.
  auto self = c_.shared_from_this();
  const auto& entries = c_.entries();
  for (size_t id = 1; id < entries.size(); ++id) {
    const DirEntry& e = entries[id];
    if (e.type == EntryType::kStream)
      entry_nodes_[id]->content = Content(Base{e.size == 0 ? nullptr : self, e.start, e.size});
  }
  c_.CutTail();
  return true;
}

Header Committer::NextHeader() const {
  const SectorTable& fat_locs = fat_.fat_sectors();
  const SectorTable& difat_locs = fat_.difat_sectors();
  Header h = old_.header;
  h.fat_sector_count = static_cast<uint32_t>(fat_locs.size());
  h.difat.fill(kFreeSect);
  for (size_t i = 0; i < std::min<size_t>(kHeaderDifatSlots, fat_locs.size()); ++i) h.difat[i] = fat_locs[i];
  h.first_difat_sector = difat_locs.empty() ? kEndOfChain : difat_locs[0];
  h.difat_sector_count = static_cast<uint32_t>(difat_locs.size());
  h.first_dir_sector = next_.dir_chain.front();
  h.dir_sector_count = h.major_version == 4 ? static_cast<uint32_t>(next_.dir_chain.size()) : 0;
  h.first_minifat_sector = next_.minifat_chain.empty() ? kEndOfChain : next_.minifat_chain.front();
  h.minifat_sector_count = static_cast<uint32_t>(next_.minifat_chain.size());
  h.transaction_signature = old_.header.transaction_signature + 1;
  return h;
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
  // Stored pages are linked where they lie: they must be in the file first.
  page_store_.Flush();
  return Committer(*this, root, others).Run(limit);
}

}  // namespace vellora2::compound
