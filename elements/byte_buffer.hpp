// A block of bytes read from a stream, followed by one zero byte that is not
// part of it, so that the block can also be handed on as C text.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vellora2 {

class ByteBuffer {
 public:
  // `size` zero bytes; std::bad_alloc when memory is short.
  explicit ByteBuffer(size_t size) : bytes_(size, '\0') {}

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
