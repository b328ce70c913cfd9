#include "compound/directory.hpp"

#include <algorithm>
#include <bit>

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

DirEntry ParseDirEntry(std::span<const std::byte> b, uint16_t major_version) {
  DirEntry e;
  const uint8_t type = std::to_integer<uint8_t>(b[0x42]);
  if (type != 0 && type != 1 && type != 2 && type != 5) Fail(STG_E_DOCFILECORRUPT, "directory entry of unknown type");
  e.type = static_cast<EntryType>(type);
  if (e.type == EntryType::kUnused) return e;
  const uint16_t name_bytes = Get16(b, 0x40);
  if (name_bytes > 64 || name_bytes % 2 != 0) Fail(STG_E_DOCFILECORRUPT, "directory entry name too long");
  // The length counts the terminator; stop at the first NUL too, as some
  // writers count it differently.
  for (size_t i = 0; i + 2 <= name_bytes; i += 2) {
    const char16_t c = Get16(b, i);
    if (c == 0) break;
    e.name.push_back(c);
  }
  e.color = std::to_integer<uint8_t>(b[0x43]) == 0 ? Color::kRed : Color::kBlack;
  e.left = Get32(b, 0x44);
  e.right = Get32(b, 0x48);
  e.child = Get32(b, 0x4C);
  std::copy_n(b.begin() + 0x50, 16, e.clsid.begin());
  e.state_bits = Get32(b, 0x60);
  e.created = Get64(b, 0x64);
  e.modified = Get64(b, 0x6C);
  e.start = Get32(b, 0x74);
  e.size = major_version == 3 ? Get32(b, 0x78) : Get64(b, 0x78);
  return e;
}

void SerializeDirEntry(const DirEntry& e, std::span<std::byte> out) {
  std::fill(out.begin(), out.begin() + kDirEntrySize, std::byte{0});
  if (e.type == EntryType::kUnused) {
    Put32(out, 0x44, kNoStream);
    Put32(out, 0x48, kNoStream);
    Put32(out, 0x4C, kNoStream);
    return;
  }
  for (size_t i = 0; i < e.name.size(); ++i) Put16(out, 2 * i, e.name[i]);
  Put16(out, 0x40, static_cast<uint16_t>(2 * (e.name.size() + 1)));
  out[0x42] = static_cast<std::byte>(e.type);
  out[0x43] = static_cast<std::byte>(e.color);
  Put32(out, 0x44, e.left);
  Put32(out, 0x48, e.right);
  Put32(out, 0x4C, e.child);
  std::copy(e.clsid.begin(), e.clsid.end(), out.begin() + 0x50);
  Put32(out, 0x60, e.state_bits);
  Put64(out, 0x64, e.created);
  Put64(out, 0x6C, e.modified);
  Put32(out, 0x74, e.start);
  Put64(out, 0x78, e.size);
}

std::vector<std::byte> SerializeDirectory(const std::vector<DirEntry>& entries, uint32_t sector_size) {
  const size_t per_sector = sector_size / kDirEntrySize;
  std::vector<std::byte> out(DivUp(entries.size(), per_sector) * sector_size, std::byte{0});
  for (size_t i = 0; i < out.size() / kDirEntrySize; ++i) {
    SerializeDirEntry(i < entries.size() ? entries[i] : DirEntry{}, std::span(out).subspan(i * kDirEntrySize));
  }
  return out;
}

uint32_t BuildSiblingTree(std::vector<DirEntry>& entries, const std::vector<uint32_t>& members) {
  if (members.empty()) return kNoStream;
  // Splitting the sorted run at its middle gives a tree whose leaves all sit on
  // the deepest two levels. Colouring the deepest level red (and everything
  // else black) then gives every path from the root the same number of black
  // nodes, with no red node under a red one: a valid red-black tree.
  const size_t n = members.size();
  const int deepest = static_cast<int>(std::bit_width(n)) - 1;
  struct Range {
    size_t lo, hi;  // [lo, hi)
    int depth;
    uint32_t* link;
  };
  uint32_t root = kNoStream;
  std::vector<Range> work{{0, n, 0, &root}};
  while (!work.empty()) {
    const Range r = work.back();
    work.pop_back();
    if (r.lo >= r.hi) {
      *r.link = kNoStream;
      continue;
    }
    const size_t mid = r.lo + (r.hi - r.lo) / 2;
    const uint32_t id = members[mid];
    *r.link = id;
    DirEntry& e = entries[id];
    e.color = (r.depth == deepest && deepest > 0) ? Color::kRed : Color::kBlack;
    work.push_back({r.lo, mid, r.depth + 1, &e.left});
    work.push_back({mid + 1, r.hi, r.depth + 1, &e.right});
  }
  return root;
}

}  // namespace vellora2::compound
