// Collects a commit's sector writes and issues runs of adjacent sectors as
// one write (up to 256 KiB), through the engine's File.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "compound/file.hpp"

namespace vellora2::compound {

class SectorWriter {
 public:
  SectorWriter(File& file, uint32_t sector_size) : file_(file), ssz_(sector_size) {}

  // Queues one sector: `bytes` (at most a sector, zero-padded) is copied.
  void Put(uint32_t sector, std::span<const std::byte> bytes);
  // Queues one sector written from where it is: `bytes` (one whole sector,
  // such as the FAT's own entries) must not change before the next Flush.
  void PutInPlace(uint32_t sector, std::span<const std::byte> bytes);
  // Writes what is queued.
  void Flush();

 private:
  static constexpr size_t kLimit = size_t{256} << 10;  // bytes per write

  // Ends the run unless `sector` continues it and there is room.
  void Begin(uint32_t sector);

  File& file_;
  uint32_t ssz_;
  uint32_t first_ = 0;
  std::vector<std::span<const std::byte>> parts_;
  std::unique_ptr<std::byte[]> copies_;
  size_t copied_ = 0;
};

}  // namespace vellora2::compound
