// Which streams of a commit take in which extents of the document file: an
// extent of one large stream goes to the first stream that reads from it, a
// slot of an extent of stored pages to the first stream whose page it holds.
// A stream that links its run of an extent into its chain where it lies
// costs the commit no write; a second stream that reads the same bytes (a
// copy) is written out like any other.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "compound/content.hpp"
#include "compound/node.hpp"
#include "compound/sector_table.hpp"

namespace vellora2::compound {

// One stream of the tree a commit writes: its directory entry, its node,
// whether its bytes go into the mini stream, and the chain it gets.
struct StreamPlan {
  uint32_t entry = 0;
  Node* node = nullptr;
  bool mini = false;
  SectorTable chain;
};

class ExtentClaims {
 public:
  // `home` is the container committing; `sector_size` its sector size.
  ExtentClaims(const Container& home, uint32_t sector_size) : home_(home), ssz_(sector_size) {}

  // Claims the extents of `home` that the plans' streams read from, and
  // reads them into memory for the transacted storages `others` below the
  // root that share them: a later commit may reuse adopted sectors. Sectors
  // of claimed extents that hold no stream's bytes (slots no stream links, a
  // last page's or a large stream's sectors past its end, the pages of
  // streams bound for the mini stream, whose bytes are read already) go to
  // `spare`, to take the commit's other sectors first.
  void Claim(const std::vector<StreamPlan>& plans, const std::vector<Node*>& others,
             const std::function<void(uint32_t)>& spare);
  // Whether `entry` links the run of an extent into its chain.
  bool Links(const Content::SpillRun& run, uint32_t entry) const;
  // The extents the commit adopts; alive while the streams adopting them
  // hold them.
  const std::vector<Extent*>& adopting() const { return adopting_; }

 private:
  static constexpr size_t kSlots = kChunkSize / kPageSize;
  // The streams that link the stored pages of one extent: for each slot, the
  // entry (0: none) and how many of its sectors hold that stream's bytes.
  // Arrays rather than a map: a commit of many small streams has one slot each.
  struct PageClaims {
    std::array<uint32_t, kSlots> entry{};
    std::array<uint8_t, kSlots> sectors{};
  };

  const Container& home_;
  uint32_t ssz_;
  // Extents of one stream, by the entry that adopts them.
  std::map<const Extent*, uint32_t> owners_;
  // Extents of stored pages, with the entries that link their pages.
  std::map<const Extent*, std::unique_ptr<PageClaims>> claims_;
  std::vector<Extent*> adopting_;
  std::set<const Extent*> adopted_;
};

}  // namespace vellora2::compound
