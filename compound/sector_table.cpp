#include "compound/sector_table.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace vellora2::compound {
namespace {

constexpr size_t kHuge = size_t{2} << 20;
// Below this a table stays on the heap: rounding it up to a whole huge page
// would waste more than it saves.
constexpr size_t kMapped = size_t{1} << 20;

size_t Rounded(size_t bytes) { return (bytes + kHuge - 1) / kHuge * kHuge; }

}  // namespace

void* AllocateTable(size_t bytes) {
  if (bytes < kMapped) return ::operator new(bytes);
  const size_t size = Rounded(bytes);
  // Map one huge page more than needed and cut the ends off, so that the
  // table starts on a huge-page boundary.
  void* const mapped = ::mmap(nullptr, size + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto* const base = static_cast<std::byte*>(mapped);
  const size_t head = (kHuge - reinterpret_cast<uintptr_t>(base) % kHuge) % kHuge;
  if (head > 0) ::munmap(base, head);
  if (head < kHuge) ::munmap(base + head + size, kHuge - head);
  ::madvise(base + head, size, MADV_HUGEPAGE);  // advice: without it, 4 KiB pages
  return base + head;
}

void FreeTable(void* table, size_t bytes) noexcept {
  if (bytes < kMapped) {
    ::operator delete(table);
    return;
  }
  ::munmap(table, Rounded(bytes));
}

}  // namespace vellora2::compound
