#include "compound/container.hpp"

#include <algorithm>
#include <bit>
#include <iterator>
#include <string>

#include "compound/errors.hpp"
#include "compound/free_runs.hpp"
#include "compound/name.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

uint64_t DivUp(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

constexpr const char* kOvertaken = "the file was changed by another writer; open it again";

[[noreturn]] void Corrupt(const std::string& what) { Fail(STG_E_DOCFILECORRUPT, "the document is damaged: " + what); }


// Follows `table` from `start` for `count` links. `limit` bounds the valid
// numbers; a chain that runs out, leaves the range or is longer than the table
// (which only a loop can be) is refused, so no input can make this spin.
SectorTable Follow(const SectorTable& table, uint64_t limit, uint32_t start, uint64_t count, bool open_ended,
                   const char* what) {
  SectorTable chain;
  limit = std::min<uint64_t>(limit, table.size());
  if (!open_ended) chain.reserve(static_cast<size_t>(std::min(count, limit)));
  uint32_t s = start;
  while (open_ended || chain.size() < count) {
    if (s == kEndOfChain) {
      if (open_ended) break;
      Corrupt(std::string(what) + " chain is shorter than its size");
    }
    if (s >= limit) Corrupt(std::string(what) + " chain points outside the file");
    if (chain.size() >= limit) Corrupt(std::string(what) + " chain loops");
    chain.push_back(s);
    s = table[s];
  }
  // A chain that visits a sector twice loops, even when its size stops the
  // walk before the loop shows. Long chains are checked against a bitmap of
  // the table, short ones by sorting, so neither costs much.
  bool repeats = false;
  if (chain.size() > 1024) {
    std::vector<bool> seen(limit, false);
    for (uint32_t s2 : chain) {
      if (seen[s2]) repeats = true;
      seen[s2] = true;
    }
  } else {
    SectorTable sorted = chain;
    std::sort(sorted.begin(), sorted.end());
    repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
  }
  if (repeats) Corrupt(std::string(what) + " chain loops");
  return chain;
}

}  // namespace

SectorTable Container::FatChain(uint32_t start, uint64_t count) const {
  return Follow(fat_, file_sectors_, start, count, false, "sector");
}

SectorTable Container::MiniChain(uint32_t start, uint64_t count) const {
  // Only what the root's size covers is the mini stream: the rest of its last
  // sector (or a chain longer than the size) holds nothing a stream may own.
  const uint64_t mini_sectors = std::min<uint64_t>(ministream_chain_.size() * (sector_size() / kMiniSectorSize),
                                                   entries_.empty() ? 0 : DivUp(entries_[0].size, kMiniSectorSize));
  return Follow(minifat_, mini_sectors, start, count, false, "mini sector");
}

SectorTable Container::OpenChain(uint32_t start) const {
  if (start == kEndOfChain || start == kFreeSect) return {};
  return Follow(fat_, file_sectors_, start, 0, true, "table");
}

void Container::ReadSectors(const SectorTable& chain, std::vector<std::byte>& out) {
  out.resize(chain.size() * sector_size());
  ReadSectors(chain, std::span(out));
}

void Container::ReadSectors(const SectorTable& chain, std::span<std::byte> out) {
  const uint32_t ssz = sector_size();
  for (size_t i = 0; i < chain.size();) {
    size_t run = 1;  // contiguous sectors go in one read
    while (i + run < chain.size() && chain[i + run] == chain[i] + run && run < 2048) ++run;
    const auto part = out.subspan(i * ssz, run * ssz);
    const size_t got = file_->ReadAt((uint64_t{chain[i]} + 1) * ssz, part);
    std::fill(part.begin() + static_cast<ptrdiff_t>(got), part.end(), std::byte{0});  // past the end: zeros
    i += run;
  }
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
      c->header_ = ParseHeader(std::span(head).first(got));
      c->LoadTables();
    } catch (const AutomationError&) {
      if (attempt < kAttempts && c->HeaderMoved(head)) continue;
      throw;
    }
    if (!c->HeaderMoved(head)) {
      c->header_bytes_ = head;
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
  if (!overtaken_) overtaken_ = HeaderMoved(header_bytes_);
  if (overtaken_) Fail(STG_E_REVERTED, kOvertaken);
}

void Container::LoadTables() {
  const uint32_t ssz = sector_size();
  const uint64_t size = file_->Size();
  // A last sector cut short by a careless writer still counts; reads past the
  // end of the file give zeros.
  file_sectors_ = size > ssz ? DivUp(size - ssz, ssz) : 0;
  file_sectors_ = std::min<uint64_t>(file_sectors_, kMaxRegSect + 1ull);
  const Header& h = header_;
  if (h.fat_sector_count > file_sectors_) Fail(STG_E_INVALIDHEADER, "more FAT sectors than the file holds");
  if (h.difat_sector_count > file_sectors_) Fail(STG_E_INVALIDHEADER, "more DIFAT sectors than the file holds");

  // Where the FAT lives: the header's 109 slots, then the DIFAT chain, whose
  // sectors hold 127 FAT sector numbers and the next DIFAT sector's number.
  fat_sectors_.clear();
  difat_sectors_.clear();
  const uint32_t per_difat = ssz / 4 - 1;
  for (uint32_t i = 0; i < std::min(h.fat_sector_count, kHeaderDifatSlots); ++i) fat_sectors_.push_back(h.difat[i]);
  uint32_t next = h.first_difat_sector;
  std::vector<std::byte> buf(ssz);
  while (fat_sectors_.size() < h.fat_sector_count) {
    if (difat_sectors_.size() >= h.difat_sector_count || next >= file_sectors_) {
      Corrupt("the DIFAT does not list every FAT sector");
    }
    difat_sectors_.push_back(next);
    std::fill(buf.begin(), buf.end(), std::byte{0});
    file_->ReadAt((uint64_t{next} + 1) * ssz, buf);
    for (uint32_t i = 0; i < per_difat && fat_sectors_.size() < h.fat_sector_count; ++i) {
      fat_sectors_.push_back(Get32(buf, size_t{4} * i));
    }
    next = Get32(buf, size_t{4} * per_difat);
  }
  for (uint32_t s : fat_sectors_) {
    if (s >= file_sectors_) Corrupt("a FAT sector lies outside the file");
  }
  // The FAT is read straight into the table (it is most of what an open
  // holds in memory) and put in host order where that is not little-endian.
  fat_.clear();
  fat_.reserve(fat_sectors_.size() * (ssz / 4));
  fat_.resize(fat_sectors_.size() * (ssz / 4));
  ReadSectors(fat_sectors_, std::as_writable_bytes(std::span(fat_)));
  if constexpr (std::endian::native == std::endian::big) {
    for (uint32_t& e : fat_) e = __builtin_bswap32(e);
  }

  dir_chain_ = OpenChain(h.first_dir_sector);
  if (dir_chain_.empty()) Corrupt("no directory");
  ReadSectors(dir_chain_, dir_raw_);
  entries_.clear();
  entries_.reserve(dir_raw_.size() / kDirEntrySize);
  for (size_t at = 0; at + kDirEntrySize <= dir_raw_.size(); at += kDirEntrySize) {
    entries_.push_back(ParseDirEntry(std::span(dir_raw_).subspan(at, kDirEntrySize), h.major_version));
  }
  if (entries_.empty() || entries_[0].type != EntryType::kRoot) Corrupt("the first directory entry is not the root");

  const DirEntry& root = entries_[0];
  ministream_chain_ = root.size == 0 ? SectorTable{} : FatChain(root.start, DivUp(root.size, ssz));
  minifat_chain_ = OpenChain(h.first_minifat_sector);
  ReadSectors(minifat_chain_, minifat_raw_);
  minifat_.resize(minifat_raw_.size() / 4);
  for (size_t i = 0; i < minifat_.size(); ++i) minifat_[i] = Get32(minifat_raw_, 4 * i);
  chains_.clear();
  cached_links_ = 0;
  FindFreeSectors();
  clean_.reset();
}

void Container::FindFreeSectors() {
  reserved_.clear();
  for (const auto* tables : {&fat_sectors_, &difat_sectors_}) {
    for (uint32_t s : *tables) {
      if (s >= fat_.size() || fat_[s] == kFreeSect) reserved_.push_back(s);
    }
  }
  std::sort(reserved_.begin(), reserved_.end());
  free_.clear();
  const uint64_t inside = std::min<uint64_t>(fat_.size(), file_sectors_);
  for (uint32_t s = 0; s < inside; ++s) {
    if (fat_[s] == kFreeSect && !std::binary_search(reserved_.begin(), reserved_.end(), s)) free_.push_back(s);
  }
}

std::shared_ptr<Extent> Container::TakeExtent() {
  const uint64_t n = ExtentSectors();
  // A run of n free sectors inside the file first (the committed state does
  // not use them, so the import may write there before its commit as past
  // the end), so that what removed or replaced streams left is taken before
  // the file grows. Else the first run of n sectors past the end that no live extent
  // holds and that the FAT and the table lists leave free: other writers may
  // mark sectors past the end used, and a commit would keep off them too.
  // Below extent_hint_ no such run is left, so a long import does not walk
  // its own extents again for each new one.
  //
  // An extent starts on a 4 KiB boundary of the file (a version 3 sector is
  // 512 bytes and the header shifts them all): writes and reads of whole
  // pages of the page cache cost less than ones that straddle two (4% of an
  // import). The sectors skipped stay free for the commit's tables.
  const uint64_t per_page = std::max<uint64_t>(1, kPageSize / sector_size());
  if (const size_t at = FindFreeRun(free_, n, per_page); at != kNoRun) {
    const uint32_t first = free_[at];
    free_.erase(free_.begin() + static_cast<ptrdiff_t>(at), free_.begin() + static_cast<ptrdiff_t>(at + n));
    extents_.insert(first);
    return std::make_shared<Extent>(shared_from_this(), first);
  }
  auto aligned = [per_page](uint64_t s) { return (s + per_page) / per_page * per_page - 1; };
  const uint64_t tables_end = std::max<uint64_t>(fat_.size(), reserved_.empty() ? 0 : reserved_.back() + 1ull);
  uint64_t at = aligned(std::max(file_sectors_, extent_hint_));
  for (uint64_t s = at; s < at + n;) {
    if (const uint64_t end = ExtentEnd(s)) {
      at = s = aligned(end);
    } else if (s >= tables_end) {
      // Past the tables only live extents can be in the way.
      auto next = extents_.lower_bound(static_cast<uint32_t>(std::min<uint64_t>(s, UINT32_MAX)));
      if (next == extents_.end() || *next >= at + n) break;
      at = s = aligned(*next + n);
    } else if ((s < fat_.size() && fat_[s] != kFreeSect) || std::binary_search(reserved_.begin(), reserved_.end(), s)) {
      at = s = aligned(s + 1);
    } else {
      ++s;
    }
  }
  if (at + n - 1 > kMaxRegSect) return nullptr;
  extents_.insert(static_cast<uint32_t>(at));
  extent_hint_ = at + n;
  return std::make_shared<Extent>(shared_from_this(), static_cast<uint32_t>(at));
}

void Container::GiveBack(uint32_t first) {
  extents_.erase(first);
  extent_hint_ = std::min<uint64_t>(extent_hint_, first);
  // A commit that ran while the extent was held may have put used sectors
  // after it; inside the committed state its sectors are free space now.
  const uint64_t inside = std::min<uint64_t>(fat_.size(), file_sectors_);
  SectorTable back;
  for (uint64_t s = first; s < std::min<uint64_t>(first + ExtentSectors(), inside); ++s) {
    if (fat_[s] == kFreeSect && !std::binary_search(reserved_.begin(), reserved_.end(), s)) {
      back.push_back(static_cast<uint32_t>(s));
    }
  }
  if (!back.empty()) {
    SectorTable merged;
    merged.reserve(free_.size() + back.size());
    std::merge(free_.begin(), free_.end(), back.begin(), back.end(), std::back_inserter(merged));
    free_ = std::move(merged);
  }
  // Past the committed end and every live extent the file holds nothing.
  const uint64_t keep = (std::max(file_sectors_, ExtentsEnd()) + 1) * sector_size();
  try {
    if (file_->Size() > keep) file_->Truncate(keep);
  } catch (const std::exception&) {
    // Called while a holder goes away, where nobody could hear of it; the
    // unused tail only costs space, and the next commit cuts it.
  }
}

void Container::CutBack(uint32_t first, uint64_t filled) {
  if (extents_.empty() || *extents_.rbegin() != first) return;
  const uint64_t keep = std::max((file_sectors_ + 1) * sector_size(), (uint64_t{first} + 1) * sector_size() + filled);
  try {
    if (file_->Size() > keep) file_->Truncate(keep);
  } catch (const std::exception&) {
    // The write's own failure is the one to report; the next commit cuts the tail.
  }
}

uint64_t Container::ExtentEnd(uint64_t s) const {
  auto it = extents_.upper_bound(static_cast<uint32_t>(std::min<uint64_t>(s, UINT32_MAX)));
  if (it == extents_.begin()) return 0;
  const uint64_t end = *std::prev(it) + ExtentSectors();
  return s < end ? end : 0;
}

std::shared_ptr<Container> Container::Create(std::shared_ptr<File> file, uint16_t major_version, bool write_empty) {
  auto c = std::make_shared<Container>(std::move(file));
  c->header_ = Header::ForVersion(major_version);
  // Only when there is something to cut: on ext4, truncating even an empty
  // file to zero makes its close wait for the writeback of all it is given.
  if (c->file_->Size() != 0) c->file_->Truncate(0);
  if (!write_empty) return c;
  Node root;
  root.is_storage = true;
  c->Commit(root, UINT64_MAX);
  return c;
}

std::shared_ptr<const SectorTable> Container::CachedChain(uint32_t start, uint64_t count, bool mini) {
  auto& slot = chains_[{start, mini}];
  if (!slot || slot->size() < count) {
    // Hostile files can point many entries into one long chain; cap the cache
    // at a few times the FAT so its memory stays bounded.
    if (cached_links_ > 4 * (fat_.size() + minifat_.size()) + 4096) {
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
  if (offset + out.size() > base.size) Corrupt("read past the end of a stream");
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
      const uint32_t sector = ministream_chain_[in_mini_stream / ssz];
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
    const DirEntry& e = entries_[id];
    auto n = std::make_shared<Node>();
    n->name = e.name;
    n->is_storage = e.type != EntryType::kStream;
    n->clsid = e.clsid;
    n->state_bits = e.state_bits;
    n->created = e.created;
    n->modified = e.modified;
    if (!n->is_storage) {
      if (e.size >= kMiniStreamCutoff && DivUp(e.size, sector_size()) > file_sectors_) {
        Corrupt("a stream is larger than the file");
      }
      n->content = Content(Base{e.size == 0 ? nullptr : shared_from_this(), e.start, e.size});
    }
    return n;
  };
  std::vector<bool> seen(entries_.size(), false);
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
    stack.assign(1, entries_[id].child);
    found.clear();
    while (!stack.empty()) {
      const uint32_t s = stack.back();
      stack.pop_back();
      if (s == kNoStream) continue;
      if (s >= entries_.size()) Corrupt("a directory link points outside the directory");
      if (seen[s]) Corrupt("the directory links an entry twice");
      seen[s] = true;
      const DirEntry& e = entries_[s];
      if (e.type != EntryType::kStorage && e.type != EntryType::kStream) Corrupt("a directory link points to a free entry");
      stack.push_back(e.left);
      stack.push_back(e.right);
      found.emplace_back(s, make(s));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return CompareNames(a.second->name, b.second->name) < 0; });
    // A second entry of the same name could never be found by name; drop it.
    found.erase(std::unique(found.begin(), found.end(),
                            [](const auto& a, const auto& b) { return CompareNames(a.second->name, b.second->name) == 0; }),
                found.end());
    for (auto& [child_id, child] : found) {
      if (child->is_storage) storages.emplace_back(child_id, child.get());
      node->children.push_back(std::move(child));
    }
  }
  return root;
}

}  // namespace vellora2::compound
