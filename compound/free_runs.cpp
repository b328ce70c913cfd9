#include "compound/free_runs.hpp"

#include <algorithm>

namespace vellora2::compound {

size_t FindFreeRun(const SectorTable& free, uint64_t count, uint64_t per_page) {
  if (count == 0 || per_page == 0) return kNoRun;
  size_t i = 0;
  while (i + count <= free.size()) {
    const uint64_t start = (uint64_t{free[i]} + per_page) / per_page * per_page - 1;
    const auto at = static_cast<size_t>(std::lower_bound(free.begin() + static_cast<ptrdiff_t>(i), free.end(), start) -
                                        free.begin());
    if (at + count > free.size()) return kNoRun;
    const size_t last = at + count - 1;
    if (free[at] == start && free[last] == start + count - 1) return at;
    // No run that starts before the one ending at `last` can reach past it,
    // so the search goes on from that run's first sector.
    size_t low = at, high = last;
    while (low < high) {
      const size_t mid = low + (high - low) / 2;
      if (free[last] - free[mid] > last - mid) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    i = std::max(low, i + 1);
  }
  return kNoRun;
}

}  // namespace vellora2::compound
