// The 512-byte file header: where the tables and the directory start.
//
// Layout (little-endian): signature (8), class id (16, zero), minor version (2,
// 0x3E), major version (2: 3 or 4), byte order mark (2, 0xFFFE), sector shift (2:
// 9 or 12), mini sector shift (2: 6), reserved (6), directory sector count (4,
// zero in version 3), FAT sector count (4), first directory sector (4),
// transaction signature (4), mini-stream cutoff (4: 4096), first mini-FAT sector
// (4), mini-FAT sector count (4), first DIFAT sector (4), DIFAT sector count (4),
// then the first 109 FAT sector numbers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "compound/format.hpp"

namespace vellora2::compound {

struct Header {
  uint16_t major_version = 3;
  uint16_t sector_shift = 9;
  uint32_t dir_sector_count = 0;
  uint32_t fat_sector_count = 0;
  uint32_t first_dir_sector = kEndOfChain;
  uint32_t transaction_signature = 0;
  uint32_t first_minifat_sector = kEndOfChain;
  uint32_t minifat_sector_count = 0;
  uint32_t first_difat_sector = kEndOfChain;
  uint32_t difat_sector_count = 0;
  std::array<uint32_t, kHeaderDifatSlots> difat{};

  uint32_t sector_size() const { return 1u << sector_shift; }

  static Header ForVersion(uint16_t major);
};

// Fails with STG_E_FILEALREADYEXISTS when the bytes are not a compound file at
// all (what the platform reports for "exists but is not a storage"),
// STG_E_OLDFORMAT for the pre-release signature, and STG_E_INVALIDHEADER for a
// compound-file header with impossible values.
Header ParseHeader(std::span<const std::byte> bytes);
// Writes the 512 header bytes; `out` may be longer (a version 4 header sector),
// the rest is left as is.
void SerializeHeader(const Header& header, std::span<std::byte> out);

}  // namespace vellora2::compound
