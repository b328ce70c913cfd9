#include "compound/sector_writer.hpp"

#include <algorithm>
#include <cstring>

namespace vellora2::compound {

void SectorWriter::Put(uint32_t sector, std::span<const std::byte> bytes) {
  Begin(sector);
  if (!copies_) copies_ = std::make_unique_for_overwrite<std::byte[]>(kLimit);
  std::byte* const out = copies_.get() + copied_;
  const size_t n = std::min<size_t>(bytes.size(), ssz_);
  std::memcpy(out, bytes.data(), n);
  std::memset(out + n, 0, ssz_ - n);
  copied_ += ssz_;
  parts_.emplace_back(out, ssz_);
}

void SectorWriter::PutInPlace(uint32_t sector, std::span<const std::byte> bytes) {
  Begin(sector);
  parts_.push_back(bytes);
}

void SectorWriter::Flush() {
  if (!parts_.empty()) file_.WritePartsAt((uint64_t{first_} + 1) * ssz_, parts_);
  parts_.clear();
  copied_ = 0;
}

void SectorWriter::Begin(uint32_t sector) {
  if (!parts_.empty() &&
      (sector != first_ + parts_.size() || parts_.size() * ssz_ >= kLimit || copied_ + ssz_ > kLimit)) {
    Flush();
  }
  if (parts_.empty()) first_ = sector;
}

}  // namespace vellora2::compound
