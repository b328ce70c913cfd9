#include "compound/fat.hpp"

#include <algorithm>
#include <bit>
#include <set>
#include <string>

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

namespace {

// One past the last sector of data: the end of the file once the FAT and
// DIFAT sectors past it move below it. Walking back from the end costs what
// the tail holds: nothing when data ends the file, the sectors a removal freed
// when it does not.
uint64_t DataEnd(const FatOverlay& fat) {
  uint64_t end = fat.size();
  while (end > 0 && (fat[end - 1] == kFreeSect || fat[end - 1] == kFatSect || fat[end - 1] == kDifSect)) --end;
  return end;
}

// The DIFAT sectors that list `fat_sectors` FAT sectors beyond the header's
// (the last entry of each links the next one).
size_t DifatSectorsFor(size_t fat_sectors, uint32_t entries_per_sector) {
  return fat_sectors > kHeaderDifatSlots ? DivUp(fat_sectors - kHeaderDifatSlots, entries_per_sector - 1) : 0;
}

// Keeps the first `keep` of the table sectors `locations` and gives the
// others back through `set_free(sector)`, so that a file whose end a commit
// freed keeps no table of free entries. Returns whether any went.
template <typename SetFree>
bool DropTables(SectorTable& locations, size_t keep, SetFree set_free) {
  if (locations.size() <= keep) return false;
  for (size_t i = keep; i < locations.size(); ++i) {
    if (locations[i] != kFreeSect) set_free(locations[i]);
  }
  locations.resize(keep);
  return true;
}

}  // namespace

SectorTable FollowChain(const SectorTable& table, uint64_t limit, uint32_t start, uint64_t count, bool open_ended,
                        const char* what) {
  SectorTable chain;
  limit = std::min<uint64_t>(limit, table.size());
  if (!open_ended) chain.reserve(static_cast<size_t>(std::min(count, limit)));
  uint32_t s = start;
  while (open_ended || chain.size() < count) {
    if (s == kEndOfChain) {
      if (open_ended) break;
      FailCorrupt(std::string(what) + " chain is shorter than its size");
    }
    if (s >= limit) FailCorrupt(std::string(what) + " chain points outside the file");
    if (chain.size() >= limit) FailCorrupt(std::string(what) + " chain loops");
    chain.push_back(s);
    s = table[s];
  }
  // A chain that visits a sector twice loops, even when its size stops the
  // walk before the loop shows. Long chains are checked against a bitmap of
  // the table, short ones by sorting, so neither costs much.
  bool repeats = false;
  if (chain.size() > 1024) {
    std::vector<bool> seen(limit, false);
    for (uint32_t s2 : chain) {
      if (seen[s2]) repeats = true;
      seen[s2] = true;
    }
  } else {
    SectorTable sorted = chain;
    std::sort(sorted.begin(), sorted.end());
    repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
  }
  if (repeats) FailCorrupt(std::string(what) + " chain loops");
  return chain;
}

void ReadChain(File& file, uint32_t ssz, const SectorTable& chain, std::span<std::byte> out) {
  for (size_t i = 0; i < chain.size();) {
    size_t run = 1;  // contiguous sectors go in one read
    while (i + run < chain.size() && chain[i + run] == chain[i] + run && run < 2048) ++run;
    const auto part = out.subspan(i * ssz, run * ssz);
    const size_t got = file.ReadAt((uint64_t{chain[i]} + 1) * ssz, part);
    std::fill(part.begin() + static_cast<ptrdiff_t>(got), part.end(), std::byte{0});  // past the end: zeros
    i += run;
  }
}

void ReadFat(File& file, const Header& h, CommittedState& state) {
  const uint32_t ssz = h.sector_size();
  // Where the FAT lives: the header's 109 slots, then the DIFAT chain, whose
  // sectors hold 127 FAT sector numbers and the next DIFAT sector's number.
  state.fat_sectors.clear();
  state.difat_sectors.clear();
  const uint32_t per_difat = ssz / 4 - 1;
  for (uint32_t i = 0; i < std::min(h.fat_sector_count, kHeaderDifatSlots); ++i)
    state.fat_sectors.push_back(h.difat[i]);
  uint32_t next = h.first_difat_sector;
  std::vector<std::byte> buf(ssz);
  while (state.fat_sectors.size() < h.fat_sector_count) {
    if (state.difat_sectors.size() >= h.difat_sector_count || next >= state.file_sectors) {
      FailCorrupt("the DIFAT does not list every FAT sector");
    }
    state.difat_sectors.push_back(next);
    std::fill(buf.begin(), buf.end(), std::byte{0});
    file.ReadAt((uint64_t{next} + 1) * ssz, buf);
    for (uint32_t i = 0; i < per_difat && state.fat_sectors.size() < h.fat_sector_count; ++i) {
      state.fat_sectors.push_back(Get32(buf, size_t{4} * i));
    }
    next = Get32(buf, size_t{4} * per_difat);
  }
  for (uint32_t s : state.fat_sectors) {
    if (s >= state.file_sectors) FailCorrupt("a FAT sector lies outside the file");
  }
  // The FAT is read straight into the table (it is most of what an open
  // holds in memory) and put in host order where that is not little-endian.
  state.fat.clear();
  state.fat.reserve(state.fat_sectors.size() * (ssz / 4));
  state.fat.resize(state.fat_sectors.size() * (ssz / 4));
  ReadChain(file, ssz, state.fat_sectors, std::as_writable_bytes(std::span(state.fat)));
  if constexpr (std::endian::native == std::endian::big) {
    for (uint32_t& e : state.fat) e = __builtin_bswap32(e);
  }
}

FatBuilder::FatBuilder(const Container& c, bool edit)
    : c_(c),
      old_(c.state()),
      edit_(edit),
      ssz_(c.sector_size()),
      epb_(ssz_ / 4),
      fat_(old_.fat, epb_),
      append_(std::min<uint64_t>(old_.fat.size(), old_.file_sectors)) {
  // Sectors the committed state uses are never written: new bytes go to
  // sectors that are free in it, or past its end.
  fat_.KeepBase(edit);
}

bool FatBuilder::UsedByOld(uint64_t s) const {
  return (s < old_.fat.size() && old_.fat[s] != kFreeSect) ||
         std::binary_search(old_.reserved.begin(), old_.reserved.end(), s);
}

void FatBuilder::Set(uint64_t s, uint32_t value) {
  if (fat_[s] == value) return;
  if (value == kFreeSect) freed_.push_back(static_cast<uint32_t>(s));
  fat_.Set(s, value);
}

uint32_t FatBuilder::Allocate() {
  // Lowest first: the committed state's free sectors, then what adopted
  // extents leave over, then the end of the file.
  while (free_at_ < old_.free.size()) {
    const uint32_t s = old_.free[free_at_++];
    if (fat_[s] == kFreeSect) {
      Set(s, kEndOfChain);
      return s;
    }
  }
  while (spare_at_ < spare_.size()) {
    const uint32_t s = spare_[spare_at_++];
    if (fat_[s] == kFreeSect) {
      Set(s, kEndOfChain);
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
  Set(s, kEndOfChain);
  return static_cast<uint32_t>(s);
}

std::vector<std::byte> FatBuilder::DifatSector(size_t j) const {
  std::vector<std::byte> out(ssz_, std::byte{0xFF});
  const size_t first = kHeaderDifatSlots + j * (epb_ - 1);
  for (size_t k = 0; k < epb_ - 1 && first + k < fat_locs_.size(); ++k) Put32(out, 4 * k, fat_locs_[first + k]);
  Put32(out, size_t{4} * (epb_ - 1), j + 1 < difat_locs_.size() ? difat_locs_[j + 1] : kEndOfChain);
  return out;
}

void FatBuilder::PlaceTables(SectorWriter& writer) {
  // The FAT describes every sector, its own and the DIFAT's included, so
  // placing them changes it: repeat until nothing moves. Each FAT sector whose
  // entries changed moves once, so this ends after a few rounds. A FAT or
  // DIFAT sector that stays where it was keeps its bytes and is not written.
  const SectorTable none;
  const auto& old_fat = edit_ ? old_.fat_sectors : none;
  const auto& old_difat = edit_ ? old_.difat_sectors : none;
  fat_locs_ = old_fat;
  difat_locs_ = old_difat;
  auto free_sector = [this](uint32_t s) { Set(s, kFreeSect); };
  if (edit_) {
    // Table sectors that describe only free space go before the others move
    // down, so that none is moved only to be dropped.
    DropTables(fat_locs_, DivUp(DataEnd(fat_), epb_), free_sector);
    DropTables(difat_locs_, DifatSectorsFor(fat_locs_.size(), epb_), free_sector);
    LowerTables();
  }
  for (bool changed = true; changed;) {
    // The FAT covers the sectors in use and no more.
    const size_t need_fat = DivUp(UsedEnd(), epb_);
    changed = DropTables(fat_locs_, need_fat, free_sector);
    while (fat_locs_.size() < need_fat) fat_locs_.push_back(kFreeSect);
    const size_t need_difat = DifatSectorsFor(fat_locs_.size(), epb_);
    changed = DropTables(difat_locs_, need_difat, free_sector) || changed;
    while (difat_locs_.size() < need_difat) difat_locs_.push_back(kFreeSect);
    // Only FAT sectors without a place yet and those whose entries were
    // touched can need a new place. Slots without a place are not only past
    // the old table: a sector dropped above (one that described only table
    // sectors past the data) may be needed again once those tables stay.
    std::vector<uint64_t> candidates = fat_.Touched();
    for (size_t i = 0; i < fat_locs_.size(); ++i) {
      if (i >= old_fat.size() || fat_locs_[i] == kFreeSect) candidates.push_back(i);
    }
    for (const uint64_t i : candidates) {
      if (i >= fat_locs_.size()) continue;
      const bool at_old = i < old_fat.size() && fat_locs_[i] == old_fat[i];
      if (fat_locs_[i] == kFreeSect || (at_old && fat_.Changed(i))) {
        if (at_old) Set(old_fat[i], kFreeSect);
        fat_locs_[i] = Allocate();
        Set(fat_locs_[i], kFatSect);
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
        if (at_old) Set(old_difat[j], kFreeSect);
        difat_locs_[j] = Allocate();
        Set(difat_locs_[j], kDifSect);
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
      writer.PutInPlace(fat_locs_[i], std::span(kAllFree).first(ssz_));
    } else if constexpr (std::endian::native == std::endian::little) {
      writer.PutInPlace(fat_locs_[i], std::as_bytes(std::span(entries, epb_)));
    } else {
      for (size_t k = 0; k < epb_; ++k) Put32(buf, 4 * k, entries[k]);
      writer.Put(fat_locs_[i], buf);
    }
  }
  for (size_t j = 0; j < difat_locs_.size(); ++j) {
    if (j < old_difat.size() && difat_locs_[j] == old_difat[j]) continue;
    writer.Put(difat_locs_[j], DifatSector(j));
  }
}

void FatBuilder::LowerTables() {
  uint64_t data_end = DataEnd(fat_);
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
  if (tail == 0 || free_at_ + need > old_.free.size()) return;
  const uint32_t top = std::max<uint32_t>(old_.free[free_at_ + need - 1], static_cast<uint32_t>(data_end));
  if (highest <= top) return;
  data_end = top + 1ull;
  for (size_t i = 0; i < fat_locs_.size(); ++i) {
    if (fat_locs_[i] < data_end) continue;
    Set(fat_locs_[i], kFreeSect);
    fat_locs_[i] = Allocate();
    Set(fat_locs_[i], kFatSect);
  }
  for (uint32_t& s : difat_locs_) {
    if (s < data_end) continue;
    Set(s, kFreeSect);
    s = Allocate();
    Set(s, kDifSect);
  }
}

uint64_t FatBuilder::UsedEnd() const {
  uint64_t used = fat_.size();
  while (used > 0 && fat_[used - 1] == kFreeSect) --used;
  return used;
}

SectorTable FatBuilder::FreeSectors(uint64_t used, const std::vector<Extent*>& adopted) {
  // What an adopted extent holds past its stream's end is free space now.
  std::set<uint32_t> adopted_firsts;
  for (const Extent* extent : adopted) {
    adopted_firsts.insert(extent->first());
    const uint64_t end = extent->first() + c_.ExtentSectors();
    for (uint64_t s = fat_.NextFree(extent->first(), end); s < end; s = fat_.NextFree(s + 1, end)) {
      freed_.push_back(static_cast<uint32_t>(s));
    }
  }
  SectorTable out;
  auto add = [&](uint32_t s) {
    if (s < used && fat_[s] == kFreeSect) out.push_back(s);
  };
  if (edit_) {
    // Only sectors this commit touched can have become free.
    for (size_t i = free_at_; i < old_.free.size(); ++i) add(old_.free[i]);
    for (uint32_t s : freed_) add(s);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
  } else {
    for (uint64_t s = 0; s < used; ++s) {
      const uint64_t end = c_.ExtentEnd(s);
      if (end != 0 && adopted_firsts.count(static_cast<uint32_t>(end - c_.ExtentSectors())) == 0) {
        s = end - 1;  // held by a live extent
      } else {
        add(static_cast<uint32_t>(s));
      }
    }
  }
  return out;
}

}  // namespace vellora2::compound
