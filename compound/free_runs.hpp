// Finding room for a large stream's bytes among the free sectors of a file, so
// that the space a removal or a replaced stream left inside the file is taken
// before the file grows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "compound/sector_table.hpp"

namespace vellora2::compound {

inline constexpr size_t kNoRun = SIZE_MAX;

// The index in `free` (ascending, distinct sector numbers) of the first of
// `count` consecutive sectors that starts on a page: sector s starts one when
// (s + 1) is a multiple of `per_page` (the header takes the file's first
// sector). kNoRun when there is none. Costs about one step per `count`
// entries, not one per entry.
size_t FindFreeRun(const SectorTable& free, uint64_t count, uint64_t per_page);

}  // namespace vellora2::compound
