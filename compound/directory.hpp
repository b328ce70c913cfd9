// Directory entries: 128 bytes each, in the directory chain. Entry 0 is the
// root. Each storage points at one child; the children of a storage form a
// red-black tree through their left and right sibling links, ordered by
// CompareNames. Layout: name (64 bytes, UTF-16 with terminator), name length in
// bytes including the terminator (2), type (1), colour (1), left, right, child
// (4 each), class id (16), state bits (4), creation and modification FILETIME
// (8 each), first sector (4), size (8; version 3 readers use the low half only).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compound/format.hpp"

namespace vellora2::compound {

using ClassId = std::array<std::byte, 16>;

struct DirEntry {
  std::u16string name;
  EntryType type = EntryType::kUnused;
  Color color = Color::kBlack;
  uint32_t left = kNoStream;
  uint32_t right = kNoStream;
  uint32_t child = kNoStream;
  ClassId clsid{};
  uint32_t state_bits = 0;
  uint64_t created = 0;
  uint64_t modified = 0;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
};

// Fails with STG_E_DOCFILECORRUPT on an impossible entry. `major_version` 3
// ignores the high half of the size, which old writers left uninitialised.
DirEntry ParseDirEntry(std::span<const std::byte> bytes, uint16_t major_version);
void SerializeDirEntry(const DirEntry& entry, std::span<std::byte> out);
// The directory's bytes, padded with unused entries to whole sectors.
std::vector<std::byte> SerializeDirectory(const std::vector<DirEntry>& entries, uint32_t sector_size);

// Links `members` (entry numbers of one storage's children, sorted by name)
// into a balanced red-black tree through their left/right fields and colours;
// returns the root's number (kNoStream when empty). Iterative: no depth limit.
uint32_t BuildSiblingTree(std::vector<DirEntry>& entries, const std::vector<uint32_t>& members);

}  // namespace vellora2::compound
