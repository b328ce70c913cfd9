#include "compound/extent.hpp"

#include <algorithm>
#include <exception>
#include <iterator>

#include "compound/container.hpp"
#include "compound/free_runs.hpp"

namespace vellora2::compound {

Extent::~Extent() {
  if (!adopted_) container_->GiveBack(first_);
}

uint64_t Extent::offset() const { return (uint64_t{first_} + 1) * container_->sector_size(); }

std::shared_ptr<Extent> Container::TakeExtent() {
  const uint64_t n = ExtentSectors();
  // A run of n free sectors inside the file first (the committed state does
  // not use them, so the import may write there before its commit as past
  // the end), so that what removed or replaced streams left is taken before
  // the file grows. Else the first run of n sectors past the end that no live extent
  // holds and that the FAT and the table lists leave free: other writers may
  // mark sectors past the end used, and a commit would keep off them too.
  // Below extent_hint_ no such run is left, so a long import does not walk
  // its own extents again for each new one.
  //
  // An extent starts on a 4 KiB boundary of the file (a version 3 sector is
  // 512 bytes and the header shifts them all): writes and reads of whole
  // pages of the page cache cost less than ones that straddle two (4% of an
  // import). The sectors skipped stay free for the commit's tables.
  const uint64_t per_page = std::max<uint64_t>(1, kPageSize / sector_size());
  if (const size_t run = FindFreeRun(state_.free, n, per_page); run != kNoRun) {
    const uint32_t first = state_.free[run];
    state_.free.erase(state_.free.begin() + static_cast<ptrdiff_t>(run),
                      state_.free.begin() + static_cast<ptrdiff_t>(run + n));
    extents_.insert(first);
    return std::make_shared<Extent>(shared_from_this(), first);
  }
  auto aligned = [per_page](uint64_t s) { return (s + per_page) / per_page * per_page - 1; };
  const uint64_t tables_end =
      std::max<uint64_t>(state_.fat.size(), state_.reserved.empty() ? 0 : state_.reserved.back() + 1ull);
  uint64_t at = aligned(std::max(state_.file_sectors, extent_hint_));
  for (uint64_t s = at; s < at + n;) {
    if (const uint64_t end = ExtentEnd(s)) {
      at = s = aligned(end);
    } else if (s >= tables_end) {
      // Past the tables only live extents can be in the way.
      auto next = extents_.lower_bound(static_cast<uint32_t>(std::min<uint64_t>(s, UINT32_MAX)));
      if (next == extents_.end() || *next >= at + n) break;
      at = s = aligned(*next + n);
    } else if ((s < state_.fat.size() && state_.fat[s] != kFreeSect) ||
               std::binary_search(state_.reserved.begin(), state_.reserved.end(), s)) {
      at = s = aligned(s + 1);
    } else {
      ++s;
    }
  }
  if (at + n - 1 > kMaxRegSect) return nullptr;
  extents_.insert(static_cast<uint32_t>(at));
  extent_hint_ = at + n;
  return std::make_shared<Extent>(shared_from_this(), static_cast<uint32_t>(at));
}

void Container::GiveBack(uint32_t first) {
  extents_.erase(first);
  extent_hint_ = std::min<uint64_t>(extent_hint_, first);
  // A commit that ran while the extent was held may have put used sectors
  // after it; inside the committed state its sectors are free space now.
  const uint64_t inside = std::min<uint64_t>(state_.fat.size(), state_.file_sectors);
  SectorTable back;
  for (uint64_t s = first; s < std::min<uint64_t>(first + ExtentSectors(), inside); ++s) {
    if (state_.fat[s] == kFreeSect && !std::binary_search(state_.reserved.begin(), state_.reserved.end(), s)) {
      back.push_back(static_cast<uint32_t>(s));
    }
  }
  if (!back.empty()) {
    SectorTable merged;
    merged.reserve(state_.free.size() + back.size());
    std::merge(state_.free.begin(), state_.free.end(), back.begin(), back.end(), std::back_inserter(merged));
    state_.free = std::move(merged);
  }
  try {
    CutTail();
  } catch (const std::exception&) {
    // Called while a holder goes away, where nobody could hear of it; the
    // unused tail only costs space, and the next commit cuts it.
  }
}

void Container::CutBack(uint32_t first, uint64_t filled) {
  if (extents_.empty() || *extents_.rbegin() != first) return;
  const uint64_t keep =
      std::max((state_.file_sectors + 1) * sector_size(), (uint64_t{first} + 1) * sector_size() + filled);
  try {
    if (file_->Size() > keep) file_->Truncate(keep);
  } catch (const std::exception&) {
    // The write's own failure is the one to report; the next commit cuts the tail.
  }
}

uint64_t Container::ExtentEnd(uint64_t s) const {
  auto it = extents_.upper_bound(static_cast<uint32_t>(std::min<uint64_t>(s, UINT32_MAX)));
  if (it == extents_.begin()) return 0;
  const uint64_t end = *std::prev(it) + ExtentSectors();
  return s < end ? end : 0;
}

}  // namespace vellora2::compound
