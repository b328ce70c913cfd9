// A block of bytes read from a stream, followed by one zero byte that is not
// part of it, so that the block can also be handed on as C text.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vellora2 {

class ByteBuffer {
 public:
  // `size` zero bytes; std::bad_alloc when memory is short. A buffer of many
  // megabytes asks for huge pages before it is first touched: filling it then
  // costs one page fault per 2 MiB rather than one per 4 KiB, which is most of
  // the cost of reading a large stream into memory.
  explicit ByteBuffer(size_t size) {
    bytes_.reserve(size);
    constexpr size_t kHugePage = size_t{2} << 20;
    // The whole huge pages inside the buffer. Only advice: where the system has
    // none to give, nothing changes.
    const size_t skip = (kHugePage - reinterpret_cast<uintptr_t>(bytes_.data()) % kHugePage) % kHugePage;
    if (size > skip + kHugePage) {
      ::madvise(bytes_.data() + skip, (size - skip) / kHugePage * kHugePage, MADV_HUGEPAGE);
    }
    bytes_.resize(size);
  }

  size_t size() const { return bytes_.size(); }
  std::span<std::byte> bytes() { return std::as_writable_bytes(std::span(bytes_)); }
  // The bytes as text; data()[size()] is the closing zero byte.
  std::string_view text() const { return bytes_; }
  // Hands the bytes over without copying; the buffer is empty afterwards.
  std::string Release() { return std::exchange(bytes_, {}); }

 private:
  std::string bytes_;
};

}  // namespace vellora2
