// Keeping a file's FAT and DIFAT no longer than the sectors in use: a commit
// that frees the end of a file (a large stream removed) also gives back the
// table sectors that only described the freed part, so that the file can be
// cut right after its last used sector.
#pragma once

#include <cstddef>
#include <cstdint>

#include "compound/format.hpp"
#include "compound/sector_table.hpp"

namespace vellora2::compound {

// One past the last sector `fat` marks as used: the count of sectors the FAT
// must describe. Walks back over the free entries at its end only, which
// costs nothing unless a commit freed the end of the file.
template <typename Fat>
uint64_t UsedEnd(const Fat& fat) {
  uint64_t end = fat.size();
  while (end > 0 && fat[end - 1] == kFreeSect) --end;
  return end;
}

// One past the last sector of data: the end of the file once the FAT and
// DIFAT sectors past it move below it.
template <typename Fat>
uint64_t DataEnd(const Fat& fat) {
  uint64_t end = fat.size();
  while (end > 0 && (fat[end - 1] == kFreeSect || fat[end - 1] == kFatSect || fat[end - 1] == kDifSect)) --end;
  return end;
}

// The DIFAT sectors that list `fat_sectors` FAT sectors beyond the header's.
inline size_t DifatSectorsFor(size_t fat_sectors, uint32_t entries_per_sector) {
  if (fat_sectors <= kHeaderDifatSlots) return 0;
  const size_t per_sector = entries_per_sector - 1;  // the last entry links the next DIFAT sector
  return (fat_sectors - kHeaderDifatSlots + per_sector - 1) / per_sector;
}

// Keeps the first `keep` of the table sectors `locations` and gives the
// others back through `set_free(sector)`. Returns whether any went.
template <typename SetFree>
bool DropTables(SectorTable& locations, size_t keep, SetFree set_free) {
  if (locations.size() <= keep) return false;
  for (size_t i = keep; i < locations.size(); ++i) {
    if (locations[i] != kFreeSect) set_free(locations[i]);
  }
  locations.resize(keep);
  return true;
}

}  // namespace vellora2::compound
