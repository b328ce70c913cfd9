// The compound-file layout: constants, and the one set of little-endian field
// access the engine and its property sets use.
//
// A compound file is a FAT file system inside one file. The file is cut into
// sectors (512 bytes in version 3, 4096 in version 4); the first sector-sized
// block holds the 512-byte header, so sector n starts at byte (n + 1) * size.
// The FAT maps each sector to the next one of its chain; streams, the directory,
// the mini-FAT and the mini stream are chains. The FAT itself lives in sectors
// listed by the DIFAT: 109 entries in the header, then a chain of DIFAT sectors
// whose last slot links to the next. Streams shorter than 4096 bytes live in the
// mini stream (the root entry's chain), cut into 64-byte mini sectors and chained
// by the mini-FAT, so small streams do not waste whole sectors.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vellora2::compound {

// Sector numbers above kMaxRegSect are markers, not sectors.
inline constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;    // FAT entry of a DIFAT sector
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;    // FAT entry of a FAT sector
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;   // directory "no sibling/child"
inline constexpr uint32_t kMaxRegSid = 0xFFFFFFFA;

inline constexpr std::array<uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// The signature of the pre-release format, which nobody can read any more.
inline constexpr std::array<uint8_t, 8> kOldSignature = {0x0E, 0x11, 0xFC, 0x0D, 0xD0, 0xCF, 0x11, 0x0E};

inline constexpr uint32_t kHeaderSize = 512;
inline constexpr uint32_t kMaxSectorSize = 4096;  // version 4; version 3 has 512
inline constexpr uint32_t kHeaderDifatSlots = 109;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kDirEntrySize = 128;
inline constexpr uint32_t kMaxNameChars = 31;  // 32 UTF-16 units with the terminator

// Version 3 files stay below 2 GB so that every reader's 32-bit offsets work;
// a bigger document is written as version 4.
inline constexpr uint64_t kVersion3Limit = 0x7FFFFFFFull;

enum class EntryType : uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };
enum class Color : uint8_t { kRed = 0, kBlack = 1 };

// a / b rounded up: sectors for a count of bytes, entries for a count of tables.
inline constexpr uint64_t DivUp(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

// Little-endian fields: read from and written into a buffer of fixed size...
inline uint16_t Get16(std::span<const std::byte> b, size_t at) {
  return static_cast<uint16_t>(std::to_integer<uint16_t>(b[at]) | std::to_integer<uint16_t>(b[at + 1]) << 8);
}
inline uint32_t Get32(std::span<const std::byte> b, size_t at) {
  return static_cast<uint32_t>(Get16(b, at)) | static_cast<uint32_t>(Get16(b, at + 2)) << 16;
}
inline uint64_t Get64(std::span<const std::byte> b, size_t at) {
  return static_cast<uint64_t>(Get32(b, at)) | static_cast<uint64_t>(Get32(b, at + 4)) << 32;
}
inline void Put16(std::span<std::byte> b, size_t at, uint16_t v) {
  b[at] = static_cast<std::byte>(v & 0xFF);
  b[at + 1] = static_cast<std::byte>(v >> 8);
}
inline void Put32(std::span<std::byte> b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}
inline void Put64(std::span<std::byte> b, size_t at, uint64_t v) {
  Put32(b, at, static_cast<uint32_t>(v & 0xFFFFFFFF));
  Put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}
// ... read from text-like byte strings (the property sets'), and appended to
// one that grows.
inline std::span<const std::byte> BytesOf(std::string_view b) { return std::as_bytes(std::span(b.data(), b.size())); }
inline void Append16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void Append32(std::string& out, uint32_t v) {
  Append16(out, static_cast<uint16_t>(v & 0xFFFF));
  Append16(out, static_cast<uint16_t>(v >> 16));
}
inline void Append64(std::string& out, uint64_t v) {
  Append32(out, static_cast<uint32_t>(v & 0xFFFFFFFF));
  Append32(out, static_cast<uint32_t>(v >> 32));
}

}  // namespace vellora2::compound
