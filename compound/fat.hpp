// The FAT and the DIFAT: reading them, following chains through them, and
// the ones a commit builds (the committed FAT with this commit's edits laid
// over it, where new sectors come from, where the table sectors themselves go).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compound/container.hpp"
#include "compound/fat_overlay.hpp"
#include "compound/sector_table.hpp"
#include "compound/sector_writer.hpp"

namespace vellora2::compound {

// Follows `table` from `start` for `count` links (to the end of the chain when
// `open_ended`). `limit` bounds the valid numbers; a chain that runs out,
// leaves the range, or visits a sector twice is STG_E_DOCFILECORRUPT, so no
// input can make this spin. `what` names the chain in the message.
SectorTable FollowChain(const SectorTable& table, uint64_t limit, uint32_t start, uint64_t count, bool open_ended,
                        const char* what);
// Reads the sectors of `chain` into `out` (runs of adjacent sectors in one
// read); what lies past the end of the file reads as zeros.
void ReadChain(File& file, uint32_t sector_size, const SectorTable& chain, std::span<std::byte> out);
// Reads where the FAT lives (the header's slots, then the DIFAT chain) into
// state.fat_sectors and state.difat_sectors, and the FAT itself, in host
// order, into state.fat. state.file_sectors bounds every sector number.
void ReadFat(File& file, const Header& h, CommittedState& state);

class FatBuilder {
 public:
  // `edit` says whether the committed FAT may be edited in place (a clean
  // file) or a new one is built beside it.
  FatBuilder(const Container& c, bool edit);

  bool editing() const { return edit_; }
  uint32_t operator[](uint64_t s) const { return fat_[s]; }
  // Entries covered, in whole FAT sectors.
  uint64_t size() const { return fat_.size(); }
  // Every change to the new FAT goes through here (or Link), so that the FAT
  // sectors that differ from the committed ones are known without comparing
  // them all.
  void Set(uint64_t s, uint32_t value);
  // Links sectors s .. s+n-1 each to the next one.
  void Link(uint64_t s, uint64_t n) { fat_.Link(s, n); }
  // A sector the committed state does not use, marked as a chain's end.
  // Lowest first: the committed state's free sectors, then sectors given by
  // AddSpare, then past the end of the file (skipping live extents).
  uint32_t Allocate();
  // Sectors an adopted extent holds past its bytes: taken before the end.
  void AddSpare(uint32_t s) { spare_.push_back(s); }
  // Places the FAT and DIFAT sectors the new FAT needs and queues the writes
  // of those whose bytes change.
  void PlaceTables(SectorWriter& writer);
  // One past the last sector the new state uses.
  uint64_t UsedEnd() const;
  // The free sectors below `used` of the new state. The sectors of
  // `adopted` extents past their streams count as free from now on.
  SectorTable FreeSectors(uint64_t used, const std::vector<Extent*>& adopted);
  const SectorTable& fat_sectors() const { return fat_locs_; }
  const SectorTable& difat_sectors() const { return difat_locs_; }
  FatOverlay& overlay() { return fat_; }

 private:
  bool UsedByOld(uint64_t s) const;
  // Moves FAT and DIFAT sectors that lie past the last sector of data into
  // free sectors below it, when there is room for all of them, so that the
  // file can be cut after the data.
  void LowerTables();
  std::vector<std::byte> DifatSector(size_t j) const;

  const Container& c_;
  const CommittedState& old_;
  bool edit_;
  uint32_t ssz_;
  uint32_t epb_;
  FatOverlay fat_;
  SectorTable freed_;    // sectors set free by this commit
  size_t free_at_ = 0;   // next candidate in the committed free list
  SectorTable spare_;    // sectors of adopted extents past their bytes
  size_t spare_at_ = 0;  // next candidate in spare_
  uint64_t append_ = 0;  // next candidate past the committed sectors
  SectorTable fat_locs_, difat_locs_;
};

}  // namespace vellora2::compound
