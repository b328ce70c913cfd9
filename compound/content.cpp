#include "compound/content.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <new>

#include "compound/container.hpp"
#include "compound/errors.hpp"
#include "compound/huge_pages.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

// Reads bytes this library wrote to an extent of its own file: a short read
// means the file was cut behind our back; another writer's commit may have
// put its own sectors there.
void ReadWritten(const Extent& extent, uint64_t at, std::span<std::byte> out) {
  if (extent.container().file().ReadAt(extent.offset() + at, out) != out.size()) {
    Fail(STG_E_READFAULT, "the document file is shorter than what was written to it");
  }
  extent.container().CheckCurrent();
}

}  // namespace

Page::Page() : data_(TakePage()) {}

Page::Page(const Page& other) : Page() { std::memcpy(data_, other.data_, kPageSize); }

Page::~Page() { GivePage(data_); }

Chunk::Chunk() : data_(MapAligned(kChunkSize)) {}

Chunk::Chunk(const Chunk& other) : Chunk() { std::memcpy(data_, other.data_, kChunkSize); }

Chunk::~Chunk() { Unmap(data_, kChunkSize); }

Content::Content(const Content& other)
    : base_(other.base_),
      size_(other.size_),
      base_limit_(other.base_limit_),
      pages_(other.pages_),
      stored_(other.stored_),
      large_(other.large_ ? std::make_unique<Large>(*other.large_) : nullptr) {}

Content& Content::operator=(const Content& other) {
  if (this != &other) *this = Content(other);
  return *this;
}

const std::map<uint64_t, std::shared_ptr<Chunk>>& Content::chunks() const {
  static const std::map<uint64_t, std::shared_ptr<Chunk>> kNone;
  return large_ ? large_->chunks : kNone;
}

const std::map<uint64_t, Content::Spill>& Content::spills() const {
  static const std::map<uint64_t, Spill> kNone;
  return large_ ? large_->spills : kNone;
}

size_t Content::Read(uint64_t offset, std::span<std::byte> out) const {
  if (offset >= size_) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - offset));
  size_t done = 0;
  while (done < n) {
    const uint64_t pos = offset + done;
    if (auto it = pages_.find(pos / kPageSize); it != pages_.end()) {
      const size_t run = std::min<size_t>(n - done, kPageSize - pos % kPageSize);
      std::memcpy(out.data() + done, it->second->data() + pos % kPageSize, run);
      done += run;
      continue;
    }
    if (auto it = stored_.find(pos / kPageSize); it != stored_.end()) {
      const size_t run = std::min<size_t>(n - done, kPageSize - pos % kPageSize);
      const StoredPage& page = it->second;
      page.extent->container().page_store().Read(*page.extent, page.at + pos % kPageSize, out.subspan(done, run));
      done += run;
      continue;
    }
    if (auto it = chunks().find(pos / kChunkSize); it != chunks().end()) {
      const size_t run = std::min<size_t>(n - done, kChunkSize - pos % kChunkSize);
      std::memcpy(out.data() + done, it->second->data() + pos % kChunkSize, run);
      done += run;
      continue;
    }
    if (auto it = spills().find(pos / kChunkSize); it != spills().end()) {
      const size_t run = std::min<size_t>(n - done, kChunkSize - pos % kChunkSize);
      const uint64_t at = pos % kChunkSize;
      const Spill& spill = it->second;
      const size_t from_file = at < spill.filled ? static_cast<size_t>(std::min<uint64_t>(run, spill.filled - at)) : 0;
      ReadWritten(*spill.extent, at, out.subspan(done, from_file));
      std::fill(out.begin() + static_cast<ptrdiff_t>(done + from_file),
                out.begin() + static_cast<ptrdiff_t>(done + run), std::byte{0});
      done += run;
      continue;
    }
    // Up to the next page or chunk: from the base in one call, zeros past it.
    uint64_t run_end = UINT64_MAX;
    if (const uint64_t next = NextPage(pos / kPageSize); next != UINT64_MAX) run_end = next * kPageSize;
    if (auto next = chunks().lower_bound(pos / kChunkSize); next != chunks().end()) {
      run_end = std::min(run_end, next->first * kChunkSize);
    }
    if (auto next = spills().lower_bound(pos / kChunkSize); next != spills().end()) {
      run_end = std::min(run_end, next->first * kChunkSize);
    }
    const size_t run = static_cast<size_t>(std::min<uint64_t>(n - done, run_end - pos));
    const uint64_t from_base = pos < base_limit_ ? std::min<uint64_t>(run, base_limit_ - pos) : 0;
    if (from_base > 0) base_.container->ReadStream(base_, pos, out.subspan(done, static_cast<size_t>(from_base)));
    std::fill(out.begin() + static_cast<ptrdiff_t>(done + from_base), out.begin() + static_cast<ptrdiff_t>(done + run),
              std::byte{0});
    done += run;
  }
  return n;
}

uint64_t Content::NextPage(uint64_t index) const {
  uint64_t next = UINT64_MAX;
  if (auto it = pages_.lower_bound(index); it != pages_.end()) next = it->first;
  if (auto it = stored_.lower_bound(index); it != stored_.end()) next = std::min(next, it->first);
  return next;
}

Page& Content::WritablePage(uint64_t index) {
  auto it = pages_.find(index);
  if (it == pages_.end()) {
    auto page = std::make_shared<Page>();
    // The bytes so far (a stored page's among them); zeros past the end.
    const auto bytes = page->bytes();
    std::fill(bytes.begin() + static_cast<ptrdiff_t>(Read(index * kPageSize, bytes)), bytes.end(), std::byte{0});
    stored_.erase(index);
    it = pages_.emplace(index, std::move(page)).first;
  } else if (it->second.use_count() > 1) {
    it->second = std::make_shared<Page>(*it->second);  // shared with a snapshot: copy on write
  }
  return *it->second;
}

Chunk& Content::WritableChunk(uint64_t index) {
  auto& chunks = MakeLarge().chunks;
  auto it = chunks.find(index);
  if (it == chunks.end()) {
    it = chunks.emplace(index, std::make_shared<Chunk>()).first;  // wholly past the base: zeros
  } else if (it->second.use_count() > 1) {
    it->second = std::make_shared<Chunk>(*it->second);
  }
  return *it->second;
}

bool Content::PagesInChunk(uint64_t chunk) const {
  return NextPage(chunk * (kChunkSize / kPageSize)) < (chunk + 1) * (kChunkSize / kPageSize);
}

void Content::Write(uint64_t offset, std::span<const std::byte> data, Container* spill) {
  size_t done = 0;
  while (done < data.size()) {
    const uint64_t pos = offset + done;
    const uint64_t chunk = pos / kChunkSize;
    const bool has_page = HasPage(pos / kPageSize);
    // Data past the base goes to chunks or extents, unless pages already hold
    // part of that range; a stream's first 2 MiB always go to pages, so that
    // small streams stay small.
    size_t run = 0;
    if (!has_page && (chunks().count(chunk) != 0 || spills().count(chunk) != 0 ||
                      (chunk > 0 && chunk * kChunkSize >= base_limit_ && !PagesInChunk(chunk)))) {
      run = std::min<size_t>(data.size() - done, kChunkSize - pos % kChunkSize);
      const auto part = data.subspan(done, run);
      if (spill && chunks().count(chunk) == 0 && spills().count(chunk) == 0) {
        if (spills().empty() && chunks().count(0) == 0 && base_limit_ == 0) SpillHead(*spill);
        if (auto extent = spill->TakeExtent()) MakeLarge().spills.emplace(chunk, Spill{std::move(extent), 0});
      }
      if (spills().count(chunk) != 0) {
        try {
          WriteSpill(chunk, pos % kChunkSize, part);
        } catch (const std::exception&) {
          // A full disk must not leave the file longer than what it holds.
          if (auto failed = MakeLarge().spills.find(chunk); failed != MakeLarge().spills.end()) {
            if (failed->second.filled == 0) {
              MakeLarge().spills.erase(failed);  // gives the extent back, which cuts the file
            } else {
              failed->second.extent->container().CutBack(failed->second.extent->first(), failed->second.filled);
            }
          }
          throw;
        }
      } else {
        std::memcpy(WritableChunk(chunk).data() + pos % kChunkSize, part.data(), run);
      }
    } else {
      run = std::min<size_t>(data.size() - done, kPageSize - pos % kPageSize);
      std::memcpy(WritablePage(pos / kPageSize).data() + pos % kPageSize, data.data() + done, run);
    }
    done += run;
    // Grown run by run: bytes a failed write left past the size must never
    // show through a later Resize.
    size_ = std::max(size_, offset + done);
  }
}

void Content::WriteSpill(uint64_t chunk, uint64_t at, std::span<const std::byte> data) {
  Spill& spill = MakeLarge().spills.at(chunk);
  if (spill.extent.use_count() > 1 || spill.extent->adopted()) {
    // Shared with a snapshot, or part of the committed file: copy on write,
    // into a new extent if there is room.
    auto fresh = spill.extent->container().TakeExtent();
    if (!fresh) {
      SpillToMemory(chunk);
      std::memcpy(chunks().at(chunk)->data() + at, data.data(), data.size());
      return;
    }
    std::vector<std::byte> buf(std::min<uint64_t>(spill.filled, uint64_t{1} << 20));
    for (uint64_t done = 0; done < spill.filled;) {
      const auto part = std::span(buf).first(static_cast<size_t>(std::min<uint64_t>(buf.size(), spill.filled - done)));
      ReadWritten(*spill.extent, done, part);
      fresh->container().file().WriteAt(fresh->offset() + done, part);
      done += part.size();
    }
    spill.extent = std::move(fresh);
  }
  File& file = spill.extent->container().file();
  // What lies between the written bytes and these may be an earlier holder's
  // bytes: it must read as zeros.
  static constexpr std::array<std::byte, size_t{64} * 1024> kZeros{};
  while (spill.filled < at) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kZeros.size(), at - spill.filled));
    file.WriteAt(spill.extent->offset() + spill.filled, std::span(kZeros).first(n));
    spill.filled += n;
  }
  file.WriteAt(spill.extent->offset() + at, data);
  spill.filled = std::max(spill.filled, at + data.size());
}

// A new stream that grows past its first 2 MiB is a large one: those 2 MiB
// go to the file as well, ahead of the rest, so that the stream lies in one
// run and its commit writes none of its bytes.
void Content::SpillHead(Container& container) {
  auto extent = container.TakeExtent();
  if (!extent) return;
  // Stored pages join the gathered write from memory.
  while (!stored_.empty() && stored_.begin()->first < kChunkSize / kPageSize) WritablePage(stored_.begin()->first);
  const uint64_t filled = std::min<uint64_t>(size_, kChunkSize);
  static constexpr std::array<std::byte, kPageSize> kZeros{};
  std::vector<std::span<const std::byte>> parts;
  for (uint64_t at = 0; at < filled; at += kPageSize) {
    const auto n = static_cast<size_t>(std::min<uint64_t>(kPageSize, filled - at));
    const auto page = pages_.find(at / kPageSize);
    parts.push_back(page == pages_.end() ? std::span(kZeros).first(n)
                                         : std::span<const std::byte>(page->second->data(), n));
  }
  container.file().WritePartsAt(extent->offset(), parts);
  pages_.erase(pages_.begin(), pages_.lower_bound(kChunkSize / kPageSize));
  MakeLarge().spills.emplace(0, Spill{std::move(extent), filled});
}

void Content::SpillToMemory(uint64_t chunk) {
  const Spill& spill = spills().at(chunk);
  auto memory = std::make_shared<Chunk>();
  ReadWritten(*spill.extent, 0, std::span(memory->data(), static_cast<size_t>(spill.filled)));
  MakeLarge().chunks.emplace(chunk, std::move(memory));
  MakeLarge().spills.erase(chunk);
}

void Content::Resize(uint64_t size) {
  if (size < size_) {
    pages_.erase(pages_.lower_bound((size + kPageSize - 1) / kPageSize), pages_.end());
    stored_.erase(stored_.lower_bound((size + kPageSize - 1) / kPageSize), stored_.end());
    if (size % kPageSize != 0 && HasPage(size / kPageSize)) {
      const auto bytes = WritablePage(size / kPageSize).bytes();
      std::fill(bytes.begin() + static_cast<ptrdiff_t>(size % kPageSize), bytes.end(), std::byte{0});
    }
    if (large_) {
      auto& [chunks, spills] = *large_;
      chunks.erase(chunks.lower_bound((size + kChunkSize - 1) / kChunkSize), chunks.end());
      if (size % kChunkSize != 0 && chunks.count(size / kChunkSize) != 0) {
        Chunk& chunk = WritableChunk(size / kChunkSize);
        std::fill(chunk.data() + size % kChunkSize, chunk.data() + kChunkSize, std::byte{0});
      }
      spills.erase(spills.lower_bound((size + kChunkSize - 1) / kChunkSize), spills.end());
      if (auto it = spills.find(size / kChunkSize); it != spills.end()) {
        it->second.filled = std::min<uint64_t>(it->second.filled, size % kChunkSize);
      }
    }
    base_limit_ = std::min(base_limit_, size);
  }
  size_ = size;
}

bool Content::Dirty(uint64_t from, uint64_t to) const {
  to = std::min(to, size_);
  if (from >= to) return false;
  if (std::max(from, base_limit_) < to) return true;  // zeros where the base had bytes or nothing
  if (const uint64_t page = NextPage(from / kPageSize); page != UINT64_MAX && page * kPageSize < to) return true;
  auto chunk = chunks().lower_bound(from / kChunkSize);
  if (chunk != chunks().end() && chunk->first * kChunkSize < to) return true;
  auto spill = spills().lower_bound(from / kChunkSize);
  return spill != spills().end() && spill->first * kChunkSize < to;
}

std::vector<std::pair<uint64_t, uint64_t>> Content::DirtyRanges() const {
  // Chunks and extents lie past base_limit_ (they are made there, and a truncation
  // lowers both), so pages are all that can differ below it.
  std::vector<std::pair<uint64_t, uint64_t>> out;
  auto add = [&](uint64_t from, uint64_t to) {
    to = std::min(to, size_);
    if (from >= to) return;
    if (!out.empty() && out.back().second >= from) {
      out.back().second = std::max(out.back().second, to);
    } else {
      out.emplace_back(from, to);
    }
  };
  for (uint64_t index = NextPage(0); index != UINT64_MAX && index * kPageSize < base_limit_;
       index = NextPage(index + 1)) {
    add(index * kPageSize, (index + 1) * kPageSize);
  }
  add(base_limit_, size_);
  return out;
}

Content::SpillRun Content::Spilled(uint64_t offset) const {
  const uint64_t page = offset / kPageSize;
  if (auto it = stored_.find(page); it != stored_.end()) {
    const uint64_t in = offset % kPageSize;
    return {it->second.extent.get(), it->second.at + in, kPageSize - in, 0, false};
  }
  const uint64_t chunk = offset / kChunkSize;
  const uint64_t at = offset % kChunkSize;
  if (auto it = spills().find(chunk); it != spills().end() && at < it->second.filled) {
    const uint64_t written = chunk * kChunkSize + it->second.filled;
    return {it->second.extent.get(), at, (written >= size_ ? kChunkSize : it->second.filled) - at, it->second.filled,
            it->second.extent.use_count() > 1};
  }
  auto next = spills().upper_bound(chunk);
  uint64_t bytes = next == spills().end() ? UINT64_MAX - offset : next->first * kChunkSize - offset;
  if (auto stored = stored_.upper_bound(page); stored != stored_.end()) {
    bytes = std::min(bytes, stored->first * kPageSize - offset);
  }
  return {nullptr, 0, bytes, 0, false};
}

bool Content::ReadsFromOther(const Container* home) const {
  if (base_.container && base_.container.get() != home) return true;
  auto other = [home](const auto& entry) { return &entry.second.extent->container() != home; };
  return std::any_of(spills().begin(), spills().end(), other) || std::any_of(stored_.begin(), stored_.end(), other);
}

void Content::Unspill(const std::function<bool(const Extent&)>& which) {
  std::vector<uint64_t> picked;
  for (const auto& [chunk, spill] : spills()) {
    if (which(*spill.extent)) picked.push_back(chunk);
  }
  for (uint64_t chunk : picked) SpillToMemory(chunk);
  picked.clear();
  for (const auto& [index, page] : stored_) {
    if (which(*page.extent)) picked.push_back(index);
  }
  for (uint64_t index : picked) WritablePage(index);
}

void Content::StorePages(PageStore& store) {
  if (PagesInUse() < PagesKeptInMemory()) return;
  for (auto it = pages_.begin(); it != pages_.end();) {
    if (it->second.use_count() > 1) {
      ++it;
      continue;
    }
    auto stored = store.Put(it->second->bytes());
    if (!stored) return;
    stored_.emplace(it->first, std::move(*stored));
    it = pages_.erase(it);
  }
}

void Content::Detach() {
  Unspill([](const Extent&) { return true; });
  if (!base_.container) return;
  for (uint64_t index = 0; index * kPageSize < std::min(size_, base_limit_); ++index) {
    if (!pages_.count(index)) WritablePage(index);
  }
  base_ = Base{};
  base_limit_ = 0;
}

}  // namespace vellora2::compound
