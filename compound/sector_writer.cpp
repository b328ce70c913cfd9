#include "compound/sector_writer.hpp"

#include <algorithm>
#include <cstring>

#include "compound/errors.hpp"
#include "compound/format.hpp"
#include "vellora2/compound/stgm.hpp"

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
  // A sector number past the last regular one (a table slot never placed)
  // would write terabytes out: the commit fails instead, before its header.
  if (sector > kMaxRegSect) Fail(STG_E_CANTSAVE, "the commit placed a sector past the end of the format's range");
  if (!parts_.empty() &&
      (sector != first_ + parts_.size() || parts_.size() * ssz_ >= kLimit || copied_ + ssz_ > kLimit)) {
    Flush();
  }
  if (parts_.empty()) first_ = sector;
}

}  // namespace vellora2::compound
