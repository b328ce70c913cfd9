// Memory straight from the system for a large array that is filled once. The
// kernel's zeros are its only initialisation; it asks for huge pages, so that
// filling it costs one page fault per 2 MiB rather than one per 4 KiB (on a
// virtual machine most of the cost of filling fresh memory); and only the
// pages that are written are ever backed, so that it can be reserved for the
// most it may have to hold.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace vellora2 {

class MappedMemory {
 public:
  MappedMemory() = default;
  // `bytes` zero bytes, aligned to 2 MiB; std::bad_alloc when the system
  // refuses them.
  explicit MappedMemory(size_t bytes) {
    if (bytes == 0) return;
    // Mapped with room to spare and trimmed to an aligned run, so that the
    // kernel can use huge pages from its first byte.
    const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* raw =
        ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    auto* const mapped = static_cast<std::byte*>(raw);
    const size_t skip = (kHugePage - reinterpret_cast<uintptr_t>(mapped) % kHugePage) % kHugePage;
    if (skip > 0) ::munmap(mapped, skip);
    if (skip < kHugePage) ::munmap(mapped + skip + length, kHugePage - skip);
    data_ = mapped + skip;
    length_ = length;
    ::madvise(data_, length_, MADV_HUGEPAGE);  // advice only: without it, 4 KiB pages
  }
  MappedMemory(MappedMemory&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), length_(std::exchange(other.length_, 0)) {}
  MappedMemory& operator=(MappedMemory&& other) noexcept {
    MappedMemory gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    return *this;
  }
  MappedMemory(const MappedMemory&) = delete;
  MappedMemory& operator=(const MappedMemory&) = delete;
  ~MappedMemory() {
    if (data_ != nullptr) ::munmap(data_, length_);
  }

  std::byte* data() const { return data_; }

 private:
  static constexpr size_t kHugePage = size_t{2} << 20;
  std::byte* data_ = nullptr;
  size_t length_ = 0;
};

}  // namespace vellora2
