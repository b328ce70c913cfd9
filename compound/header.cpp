#include "compound/header.hpp"

#include <algorithm>

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

bool HasSignature(std::span<const std::byte> bytes, const std::array<uint8_t, 8>& sig) {
  if (bytes.size() < sig.size()) return false;
  for (size_t i = 0; i < sig.size(); ++i) {
    if (std::to_integer<uint8_t>(bytes[i]) != sig[i]) return false;
  }
  return true;
}

}  // namespace

Header Header::ForVersion(uint16_t major) {
  Header h;
  h.major_version = major;
  h.sector_shift = major == 4 ? 12 : 9;
  h.difat.fill(kFreeSect);
  return h;
}

Header ParseHeader(std::span<const std::byte> bytes) {
  if (HasSignature(bytes, kOldSignature)) Fail(STG_E_OLDFORMAT, "the file uses the pre-release compound-file format");
  if (bytes.size() < kHeaderSize || !HasSignature(bytes, kSignature)) {
    Fail(STG_E_FILEALREADYEXISTS, "the file is not a compound file");
  }
  Header h;
  h.major_version = Get16(bytes, 0x1A);
  const uint16_t byte_order = Get16(bytes, 0x1C);
  h.sector_shift = Get16(bytes, 0x1E);
  const uint16_t mini_shift = Get16(bytes, 0x20);
  h.dir_sector_count = Get32(bytes, 0x28);
  h.fat_sector_count = Get32(bytes, 0x2C);
  h.first_dir_sector = Get32(bytes, 0x30);
  h.transaction_signature = Get32(bytes, 0x34);
  const uint32_t cutoff = Get32(bytes, 0x38);
  h.first_minifat_sector = Get32(bytes, 0x3C);
  h.minifat_sector_count = Get32(bytes, 0x40);
  h.first_difat_sector = Get32(bytes, 0x44);
  h.difat_sector_count = Get32(bytes, 0x48);
  for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) h.difat[i] = Get32(bytes, 0x4C + 4 * i);

  // The version fixes the sector size; a file that claims one and uses the other
  // would have every offset wrong.
  const bool v3 = h.major_version == 3 && h.sector_shift == 9;
  const bool v4 = h.major_version == 4 && h.sector_shift == 12;
  if (!v3 && !v4) Fail(STG_E_INVALIDHEADER, "unsupported version or sector size");
  if (byte_order != 0xFFFE) Fail(STG_E_INVALIDHEADER, "wrong byte-order mark");
  if (mini_shift != 6) Fail(STG_E_INVALIDHEADER, "mini sectors must be 64 bytes");
  if (cutoff != kMiniStreamCutoff) Fail(STG_E_INVALIDHEADER, "mini-stream cutoff must be 4096");
  if (h.first_dir_sector > kMaxRegSect) Fail(STG_E_INVALIDHEADER, "no directory");
  return h;
}

void SerializeHeader(const Header& h, std::span<std::byte> out) {
  std::fill(out.begin(), out.begin() + kHeaderSize, std::byte{0});
  for (size_t i = 0; i < kSignature.size(); ++i) out[i] = static_cast<std::byte>(kSignature[i]);
  Put16(out, 0x18, 0x3E);
  Put16(out, 0x1A, h.major_version);
  Put16(out, 0x1C, 0xFFFE);
  Put16(out, 0x1E, h.sector_shift);
  Put16(out, 0x20, 6);
  Put32(out, 0x28, h.major_version == 3 ? 0 : h.dir_sector_count);
  Put32(out, 0x2C, h.fat_sector_count);
  Put32(out, 0x30, h.first_dir_sector);
  Put32(out, 0x34, h.transaction_signature);
  Put32(out, 0x38, kMiniStreamCutoff);
  Put32(out, 0x3C, h.first_minifat_sector);
  Put32(out, 0x40, h.minifat_sector_count);
  Put32(out, 0x44, h.first_difat_sector);
  Put32(out, 0x48, h.difat_sector_count);
  for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) Put32(out, 0x4C + 4 * i, h.difat[i]);
}

}  // namespace vellora2::compound
