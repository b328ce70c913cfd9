#include "compound/container.hpp"

#include <algorithm>
#include <set>
#include <string>

#include "compound/errors.hpp"
#include "compound/fat.hpp"
#include "compound/name.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

constexpr const char* kOvertaken = "the file was changed by another writer; open it again";


}  // namespace

SectorTable Container::FatChain(uint32_t start, uint64_t count) const {
  return FollowChain(state_.fat, state_.file_sectors, start, count, false, "sector");
}

SectorTable Container::MiniChain(uint32_t start, uint64_t count) const {
  // Only what the root's size covers is the mini stream: the rest of its last
  // sector (or a chain longer than the size) holds nothing a stream may own.
  const uint64_t mini_sectors =
      std::min<uint64_t>(state_.ministream_chain.size() * (sector_size() / kMiniSectorSize),
                         state_.entries.empty() ? 0 : DivUp(state_.entries[0].size, kMiniSectorSize));
  return FollowChain(state_.minifat, mini_sectors, start, count, false, "mini sector");
}

SectorTable Container::OpenChain(uint32_t start) const {
  if (start == kEndOfChain || start == kFreeSect) return {};
  return FollowChain(state_.fat, state_.file_sectors, start, 0, true, "table");
}

void Container::ReadSectors(const SectorTable& chain, std::vector<std::byte>& out) {
  out.resize(chain.size() * sector_size());
  ReadSectors(chain, std::span(out));
}

void Container::ReadSectors(const SectorTable& chain, std::span<std::byte> out) {
  ReadChain(*file_, sector_size(), chain, out);
}

std::shared_ptr<Container> Container::Open(std::shared_ptr<File> file) {
  auto c = std::make_shared<Container>(std::move(file));
  // Another process may commit while the tables are read. A commit writes
  // only sectors the state it replaces leaves free, and its header last, so
  // tables read between two equal readings of the header are one state whole;
  // otherwise they are read again.
  constexpr int kAttempts = 50;
  for (int attempt = 1;; ++attempt) {
    std::array<std::byte, kHeaderSize> head{};
    const size_t got = c->file_->ReadAt(0, head);
    try {
      c->state_.header = ParseHeader(std::span(head).first(got));
      c->LoadTables();
    } catch (const AutomationError&) {
      if (attempt < kAttempts && c->HeaderMoved(head)) continue;
      throw;
    }
    if (!c->HeaderMoved(head)) {
      c->state_.header_bytes = head;
      return c;
    }
    if (attempt == kAttempts) Fail(STG_E_REVERTED, kOvertaken);
  }
}

bool Container::HeaderMoved(const std::array<std::byte, kHeaderSize>& seen) {
  std::array<std::byte, kHeaderSize> now{};
  file_->ReadAt(0, now);
  return now != seen;
}

void Container::CheckCurrent() {
  if (!watch_) return;
  // Sticky: bytes read after the change could be another state's.
  if (!overtaken_) overtaken_ = HeaderMoved(state_.header_bytes);
  if (overtaken_) Fail(STG_E_REVERTED, kOvertaken);
}

void Container::LoadTables() {
  const uint32_t ssz = sector_size();
  const uint64_t size = file_->Size();
  // A last sector cut short by a careless writer still counts; reads past the
  // end of the file give zeros.
  state_.file_sectors = size > ssz ? DivUp(size - ssz, ssz) : 0;
  state_.file_sectors = std::min<uint64_t>(state_.file_sectors, kMaxRegSect + 1ull);
  const Header& h = state_.header;
  if (h.fat_sector_count > state_.file_sectors) Fail(STG_E_INVALIDHEADER, "more FAT sectors than the file holds");
  if (h.difat_sector_count > state_.file_sectors) Fail(STG_E_INVALIDHEADER, "more DIFAT sectors than the file holds");

  ReadFat(*file_, h, state_);

  state_.dir_chain = OpenChain(h.first_dir_sector);
  if (state_.dir_chain.empty()) FailCorrupt("no directory");
  ReadSectors(state_.dir_chain, state_.dir_raw);
  state_.entries.clear();
  state_.entries.reserve(state_.dir_raw.size() / kDirEntrySize);
  for (size_t at = 0; at + kDirEntrySize <= state_.dir_raw.size(); at += kDirEntrySize) {
    state_.entries.push_back(ParseDirEntry(std::span(state_.dir_raw).subspan(at, kDirEntrySize), h.major_version));
  }
  if (state_.entries.empty() || state_.entries[0].type != EntryType::kRoot)
    FailCorrupt("the first directory entry is not the root");

  const DirEntry& root = state_.entries[0];
  state_.ministream_chain = root.size == 0 ? SectorTable{} : FatChain(root.start, DivUp(root.size, ssz));
  state_.minifat_chain = OpenChain(h.first_minifat_sector);
  ReadSectors(state_.minifat_chain, state_.minifat_raw);
  state_.minifat.resize(state_.minifat_raw.size() / 4);
  for (size_t i = 0; i < state_.minifat.size(); ++i) state_.minifat[i] = Get32(state_.minifat_raw, 4 * i);
  chains_.clear();
  cached_links_ = 0;
  FindFreeSectors();
  state_.clean.reset();
}

void Container::FindFreeSectors() {
  state_.reserved.clear();
  for (const auto* tables : {&state_.fat_sectors, &state_.difat_sectors}) {
    for (uint32_t s : *tables) {
      if (s >= state_.fat.size() || state_.fat[s] == kFreeSect) state_.reserved.push_back(s);
    }
  }
  std::sort(state_.reserved.begin(), state_.reserved.end());
  state_.free.clear();
  const uint64_t inside = std::min<uint64_t>(state_.fat.size(), state_.file_sectors);
  for (uint32_t s = 0; s < inside; ++s) {
    if (state_.fat[s] == kFreeSect && !std::binary_search(state_.reserved.begin(), state_.reserved.end(), s))
      state_.free.push_back(s);
  }
}

std::shared_ptr<Container> Container::Create(std::shared_ptr<File> file, uint16_t major_version, bool write_empty) {
  auto c = std::make_shared<Container>(std::move(file));
  c->state_.header = Header::ForVersion(major_version);
  // Only when there is something to cut: on ext4, truncating even an empty
  // file to zero makes its close wait for the writeback of all it is given.
  if (c->file_->Size() != 0) c->file_->Truncate(0);
  if (!write_empty) return c;
  Node root;
  root.is_storage = true;
  c->Commit(root, UINT64_MAX);
  return c;
}

bool Container::Clean() {
  if (state_.clean) return *state_.clean;
  // One walk over every chain of the committed state: each used sector must
  // belong to exactly one chain or table, and each chain must end where its
  // size says. Files from other writers may share or leak sectors; editing
  // their FAT in place could then free a sector that a kept chain still uses.
  const auto& fat = state_.fat;
  std::vector<bool> owned(fat.size(), false);
  uint64_t owned_count = 0;
  auto own = [&](uint32_t s) {
    if (s >= fat.size() || owned[s]) return false;
    owned[s] = true;
    ++owned_count;
    return true;
  };
  auto own_chain = [&](uint32_t start, uint64_t count) {
    uint32_t s = start;
    for (uint64_t k = 0; k < count; ++k) {
      if (!own(s)) return false;
      s = fat[s];
    }
    return count == 0 || s == kEndOfChain;
  };
  auto own_listed = [&](const SectorTable& chain) { return chain.empty() || own_chain(chain.front(), chain.size()); };
  bool clean = true;
  for (uint32_t s : state_.fat_sectors) clean = clean && own(s) && fat[s] == kFatSect;
  for (uint32_t s : state_.difat_sectors) clean = clean && own(s) && fat[s] == kDifSect;
  clean =
      clean && own_listed(state_.dir_chain) && own_listed(state_.minifat_chain) && own_listed(state_.ministream_chain);
  for (const DirEntry& e : state_.entries) {
    if (!clean) break;
    if (e.type == EntryType::kStream && e.size >= kMiniStreamCutoff) {
      clean = own_chain(e.start, DivUp(e.size, sector_size()));
    }
  }
  clean = clean && owned_count == static_cast<uint64_t>(
                                      std::count_if(fat.begin(), fat.end(), [](uint32_t e) { return e != kFreeSect; }));
  state_.clean = clean;
  return clean;
}

void Container::Install(CommittedState next, FatOverlay& fat, const std::vector<Extent*>& adopted,
                        const std::set<uint32_t>& kept) {
  // Adopted extents are part of the file now.
  for (Extent* extent : adopted) {
    extent->Adopt();
    extents_.erase(extent->first());
  }
  extent_hint_ = 0;
  fat.MoveInto(state_.fat, uint64_t{next.fat_sectors.size()} * (sector_size() / 4));
  next.fat = std::move(state_.fat);
  next.header_bytes.fill(std::byte{0});
  SerializeHeader(next.header, next.header_bytes);
  state_ = std::move(next);
  // Chains that carried over unchanged stay cached.
  std::map<std::pair<uint32_t, bool>, std::shared_ptr<const SectorTable>> chains;
  cached_links_ = 0;
  for (auto& [key, chain] : chains_) {
    if (key.second || !kept.count(key.first)) continue;
    cached_links_ += chain->size();
    chains.emplace(key, std::move(chain));
  }
  chains_ = std::move(chains);
}

void Container::CutTail() {
  // Past the committed end and every live extent the file holds nothing.
  const uint64_t keep = (std::max(state_.file_sectors, ExtentsEnd()) + 1) * sector_size();
  if (file_->Size() > keep) file_->Truncate(keep);
}

std::shared_ptr<const SectorTable> Container::CachedChain(uint32_t start, uint64_t count, bool mini) {
  auto& slot = chains_[{start, mini}];
  if (!slot || slot->size() < count) {
    // Hostile files can point many entries into one long chain; cap the cache
    // at a few times the FAT so its memory stays bounded.
    if (cached_links_ > 4 * (state_.fat.size() + state_.minifat.size()) + 4096) {
      chains_.clear();
      cached_links_ = 0;
    }
    auto chain = std::make_shared<const SectorTable>(mini ? MiniChain(start, count) : FatChain(start, count));
    cached_links_ += chain->size();
    auto& fresh = chains_[{start, mini}];
    fresh = chain;
    return fresh;
  }
  return slot;
}

void Container::ReadStream(const Base& base, uint64_t offset, std::span<std::byte> out) {
  if (offset + out.size() > base.size) FailCorrupt("read past the end of a stream");
  if (overtaken_) CheckCurrent();
  ReadStreamBytes(base, offset, out);
  // Checked after the read: a header still unchanged then means no commit
  // was published, so none after it can have reused these sectors yet.
  CheckCurrent();
}

void Container::ReadStreamBytes(const Base& base, uint64_t offset, std::span<std::byte> out) {
  const uint32_t ssz = sector_size();
  // A sector cut short by the end of the file reads as zeros.
  auto read = [this](uint64_t at, std::span<std::byte> part) {
    const size_t got = file_->ReadAt(at, part);
    std::fill(part.begin() + static_cast<ptrdiff_t>(got), part.end(), std::byte{0});
  };
  if (base.size < kMiniStreamCutoff && !base.regular) {
    // Mini sector m is bytes m*64 .. m*64+63 of the mini stream, which is itself
    // a chain of ordinary sectors.
    const auto chain = CachedChain(base.start, DivUp(base.size, kMiniSectorSize), true);
    size_t done = 0;
    while (done < out.size()) {
      const uint64_t pos = offset + done;
      const uint64_t mini = (*chain)[pos / kMiniSectorSize];
      const size_t run = std::min<size_t>(out.size() - done, kMiniSectorSize - pos % kMiniSectorSize);
      const uint64_t in_mini_stream = mini * kMiniSectorSize + pos % kMiniSectorSize;
      const uint32_t sector = state_.ministream_chain[in_mini_stream / ssz];
      read((uint64_t{sector} + 1) * ssz + in_mini_stream % ssz, out.subspan(done, run));
      done += run;
    }
    return;
  }
  const auto chain = CachedChain(base.start, DivUp(base.size, ssz), false);
  size_t done = 0;
  while (done < out.size()) {
    const uint64_t pos = offset + done;
    const uint64_t index = pos / ssz;
    size_t sectors = 1;
    while (index + sectors < chain->size() && (*chain)[index + sectors] == (*chain)[index] + sectors &&
           sectors * ssz < out.size() - done + ssz) {
      ++sectors;
    }
    const size_t run = static_cast<size_t>(std::min<uint64_t>(out.size() - done, sectors * ssz - pos % ssz));
    read((uint64_t{(*chain)[index]} + 1) * ssz + pos % ssz, out.subspan(done, run));
    done += run;
  }
}

std::shared_ptr<Node> Container::LoadTree() {
  auto make = [this](uint32_t id) {
    const DirEntry& e = state_.entries[id];
    auto n = std::make_shared<Node>();
    n->name = e.name;
    n->is_storage = e.type != EntryType::kStream;
    n->clsid = e.clsid;
    n->state_bits = e.state_bits;
    n->created = e.created;
    n->modified = e.modified;
    if (!n->is_storage) {
      if (e.size >= kMiniStreamCutoff && DivUp(e.size, sector_size()) > state_.file_sectors) {
        FailCorrupt("a stream is larger than the file");
      }
      n->content = Content(Base{e.size == 0 ? nullptr : shared_from_this(), e.start, e.size});
    }
    return n;
  };
  std::vector<bool> seen(state_.entries.size(), false);
  seen[0] = true;
  auto root = make(0);
  std::vector<std::pair<uint32_t, Node*>> storages{{0, root.get()}};
  std::vector<uint32_t> stack;
  std::vector<std::pair<uint32_t, std::shared_ptr<Node>>> found;
  while (!storages.empty()) {
    auto [id, node] = storages.back();
    storages.pop_back();
    // The sibling tree is walked with an explicit stack: files from other
    // writers may have degenerate trees hundreds deep. Its order is not trusted;
    // children are sorted here, and lookups never depend on the file's tree.
    stack.assign(1, state_.entries[id].child);
    found.clear();
    while (!stack.empty()) {
      const uint32_t s = stack.back();
      stack.pop_back();
      if (s == kNoStream) continue;
      if (s >= state_.entries.size()) FailCorrupt("a directory link points outside the directory");
      if (seen[s]) FailCorrupt("the directory links an entry twice");
      seen[s] = true;
      const DirEntry& e = state_.entries[s];
      if (e.type != EntryType::kStorage && e.type != EntryType::kStream)
        FailCorrupt("a directory link points to a free entry");
      stack.push_back(e.left);
      stack.push_back(e.right);
      found.emplace_back(s, make(s));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return CompareNames(a.second->name, b.second->name) < 0; });
    // A second entry of the same name could never be found by name; drop it.
    found.erase(
        std::unique(found.begin(), found.end(),
                    [](const auto& a, const auto& b) { return CompareNames(a.second->name, b.second->name) == 0; }),
        found.end());
    for (auto& [child_id, child] : found) {
      if (child->is_storage) storages.emplace_back(child_id, child.get());
      node->children.push_back(std::move(child));
    }
  }
  return root;
}

void Container::EstimateSize(const Node& root, uint64_t& in_place, uint64_t& fresh) const {
  const uint32_t ssz = sector_size();
  uint64_t all = 0, changed = 0, entries = 1, small = 0;
  std::vector<const Node*> work{&root};
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    for (const auto& c : n->children) {
      ++entries;
      if (c->is_storage) {
        work.push_back(c.get());
        continue;
      }
      const uint64_t size = c->content.size();
      if (size < kMiniStreamCutoff) {
        small += DivUp(size, kMiniSectorSize) * kMiniSectorSize;
        continue;
      }
      all += DivUp(size, ssz);
      if (!c->content.Unchanged(this)) changed += DivUp(size, ssz);
    }
  }
  const uint64_t tables =
      DivUp(small, ssz) * 2 + DivUp(small / kMiniSectorSize * 4, ssz) * 2 + DivUp(entries * kDirEntrySize, ssz) * 2;
  auto with_fat = [ssz](uint64_t sectors) { return (sectors + 2 * DivUp(sectors, ssz / 4 - 1) + 2) * ssz + ssz; };
  fresh = with_fat(all + tables);
  in_place = with_fat(std::max<uint64_t>(state_.fat.size(), state_.file_sectors) + changed + tables);
}

}  // namespace vellora2::compound
