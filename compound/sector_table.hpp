// The FAT and the sector chains of a large document run to megabytes, and a
// commit or an open builds them in fresh memory: large tables are mapped on
// their own, aligned for huge pages (huge_pages.hpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "compound/huge_pages.hpp"

namespace vellora2::compound {

template <typename T>
struct TableAllocator {
  using value_type = T;

  TableAllocator() = default;
  template <typename U>
  explicit(false) TableAllocator(const TableAllocator<U>& /*other*/) noexcept {}

  T* allocate(size_t n) { return static_cast<T*>(AllocateTable(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { FreeTable(p, n * sizeof(T)); }

  friend bool operator==(const TableAllocator& /*a*/, const TableAllocator& /*b*/) { return true; }
};

// A FAT, a mini-FAT or a chain of sector numbers.
using SectorTable = std::vector<uint32_t, TableAllocator<uint32_t>>;

}  // namespace vellora2::compound
