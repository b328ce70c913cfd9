// Bytes of a stream read ahead in blocks, so that reading text byte by byte
// costs one engine call per block rather than one per byte. The window is only
// right while nothing else writes the stream: its owner calls Invalidate after
// every write and whenever it switches streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {

class StreamWindow {
 public:
  // Bytes read per block: large enough that the engine call is a small part of
  // the cost, small enough that short reads near the start of a large stream
  // stay cheap.
  static constexpr size_t kBlock = size_t{64} * 1024;

  // The byte at `position`, which must lie before the stream's end. Reading a
  // new block moves the stream's own position; callers set it afterwards.
  uint8_t At(Stream& stream, uint64_t position) { return std::to_integer<uint8_t>(From(stream, position)[0]); }
  // The bytes from `position` to the end of the window (at least one), for
  // callers that scan rather than step.
  std::span<const std::byte> From(Stream& stream, uint64_t position) {
    if (position < start_ || position - start_ >= bytes_.size()) Fill(stream, position);
    return std::span<const std::byte>(bytes_).subspan(static_cast<size_t>(position - start_));
  }
  void Invalidate() { bytes_.clear(); }

 private:
  void Fill(Stream& stream, uint64_t position);

  std::vector<std::byte> bytes_;
  uint64_t start_ = 0;
};

}  // namespace vellora2
