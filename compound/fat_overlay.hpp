// The FAT a commit builds: the committed FAT (or, for a file whose sectors
// cannot be trusted, an empty one) with the sectors this commit edits laid
// over it. Only touched FAT sectors are copied and compared, so a commit does
// not pay for the size of the file. Entries past the committed FAT (a file
// that grows) are kept in one table of their own.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "compound/format.hpp"
#include "compound/sector_table.hpp"

namespace vellora2::compound {

class FatOverlay {
 public:
  // `base` must outlive the overlay; `epb` is the entries per FAT sector.
  FatOverlay(const SectorTable& base, uint32_t epb) : base_(base), epb_(epb), size_(base.size()) {}

  // Whether the committed entries show through (false: every entry not set
  // here reads as free).
  void KeepBase(bool keep) { keep_ = keep; }
  // Entries covered, in whole FAT sectors.
  uint64_t size() const { return size_; }
  uint32_t operator[](uint64_t s) const {
    if (s >= base_.size()) return s - base_.size() < grown_.size() ? grown_[s - base_.size()] : kFreeSect;
    if (const Page* page = Find(s / epb_)) return (*page)[s % epb_];
    return keep_ ? base_[s] : kFreeSect;
  }
  void Set(uint64_t s, uint32_t value);
  // The first free entry in [from, to), or `to`: a scan of the table, not a
  // lookup per entry, for the long runs an import links.
  uint64_t NextFree(uint64_t from, uint64_t to) const;
  // Whether FAT sector i differs from the committed one.
  bool Changed(uint64_t i) const;
  // Links sectors s .. s+n-1 each to the next one.
  void Link(uint64_t s, uint64_t n);
  // The entries of FAT sector i, or null when all are free.
  const uint32_t* Sector(uint64_t i) const;
  // The FAT sectors of the committed FAT this commit has touched, ascending.
  std::vector<uint64_t> Touched() const;
  // Makes `fat` (the committed FAT this overlay was built on, or a copy of
  // it) the new FAT, `entries` long. The overlay is spent.
  void MoveInto(SectorTable& fat, uint64_t entries);

 private:
  using Page = std::vector<uint32_t>;
  const Page* Find(uint64_t i) const;
  Page& Touch(uint64_t i);

  const SectorTable& base_;
  uint32_t epb_;
  bool keep_ = true;
  uint64_t size_;
  std::unordered_map<uint64_t, Page> pages_;  // nodes: references stay valid
  SectorTable grown_;                         // entries from base_.size() on
  mutable uint64_t last_index_ = UINT64_MAX;
  mutable const Page* last_ = nullptr;
};

}  // namespace vellora2::compound
