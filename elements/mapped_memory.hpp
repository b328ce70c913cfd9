// Memory straight from the system (the engine's aligned mapping) for a large
// array that is filled once. The
// kernel's zeros are its only initialisation; it asks for huge pages, so that
// filling it costs one page fault per 2 MiB rather than one per 4 KiB (on a
// virtual machine most of the cost of filling fresh memory); and only the
// pages that are written are ever backed, so that it can be reserved for the
// most it may have to hold.
#pragma once

#include <cstddef>
#include <utility>

#include "compound/format.hpp"
#include "compound/huge_pages.hpp"

namespace vellora2 {

class MappedMemory {
 public:
  MappedMemory() = default;
  // `bytes` zero bytes, aligned to 2 MiB; std::bad_alloc when the system
  // refuses them.
  explicit MappedMemory(size_t bytes)
      : length_(compound::DivUp(bytes, compound::kHugePageSize) * compound::kHugePageSize),
        data_(length_ == 0 ? nullptr : compound::MapAligned(length_, true)) {}
  MappedMemory(MappedMemory&& other) noexcept
      : length_(std::exchange(other.length_, 0)), data_(std::exchange(other.data_, nullptr)) {}
  MappedMemory& operator=(MappedMemory&& other) noexcept {
    MappedMemory gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    return *this;
  }
  MappedMemory(const MappedMemory&) = delete;
  MappedMemory& operator=(const MappedMemory&) = delete;
  ~MappedMemory() {
    if (data_ != nullptr) compound::Unmap(data_, length_);
  }

  std::byte* data() const { return data_; }

 private:
  size_t length_ = 0;
  std::byte* data_ = nullptr;
};

}  // namespace vellora2
