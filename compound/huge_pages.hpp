// Memory the engine maps for itself rather than taking from the heap: the
// 2 MiB blocks that stream pages and chunks come from, and large tables. On a
// virtual machine, faulting fresh memory in 4 KiB at a time costs more than
// filling it (about 5 ms per 2 MiB against 0.3 ms for one huge page), so all
// of it is mapped aligned for the kernel's transparent huge pages.
#pragma once

#include <cstddef>

namespace vellora2::compound {

inline constexpr size_t kHugePageSize = size_t{2} << 20;
inline constexpr size_t kPageSize = 4096;

// `size` zeroed bytes (a multiple of kHugePageSize) starting on a huge-page
// boundary; throws std::bad_alloc when the system has none. `reserve_only`:
// only the pages written are ever charged, for an array reserved for the most
// it may have to hold.
std::byte* MapAligned(size_t size, bool reserve_only = false);
void Unmap(std::byte* block, size_t size) noexcept;

// One 4 KiB page (undefined bytes) from a pool of 2 MiB blocks shared by the
// whole process; a block goes back to the system when its last page does,
// except one empty block that is kept.
std::byte* TakePage();
void GivePage(std::byte* page) noexcept;
// Pages taken and not given back, by the whole process.
size_t PagesInUse() noexcept;

// Memory for a table of `bytes`: from the heap when small, else mapped on its
// own (rounded up to whole huge pages).
void* AllocateTable(size_t bytes);
void FreeTable(void* table, size_t bytes) noexcept;

}  // namespace vellora2::compound
