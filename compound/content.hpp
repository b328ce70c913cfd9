// The bytes of one stream as one transaction level sees them: the stream as the
// file last committed it (the base), overlaid with what was written since.
// Changes to the base's bytes are kept in 4 KiB pages, so that a commit
// rewrites little. Bytes past the base and past a stream's first 2 MiB (a
// large stream being filled) are kept 2 MiB at a time: in the document file
// itself, past its committed end (an Extent), when the writer says which file
// that is, so that a large import is copied once and its commit only links
// those sectors into the stream's chain; otherwise in memory chunks, which the
// kernel can back with huge pages. When nobody has the stream open its written
// pages can move to the document file too (StorePages, page_store.hpp), so
// that a transaction of many small streams holds few of them in memory.
// Copying a Content is cheap (pages, chunks
// and extents are shared and copied only when written), which is how a
// transacted storage takes its snapshot and how Commit hands the result to
// the level above.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "compound/extent.hpp"
#include "compound/huge_pages.hpp"
#include "compound/page_store.hpp"

namespace vellora2::compound {

class Container;

inline constexpr size_t kChunkSize = kHugePageSize;

// kPageSize bytes carved from 2 MiB blocks that the kernel can back with huge
// pages: a document of many small streams would otherwise cost an allocation
// and a page fault for every 4 KiB it holds. Blocks are shared by all
// contents and go back to the system when none of their pages is in use.
// The bytes start undefined.
class Page {
 public:
  Page();
  Page(const Page& other);
  Page& operator=(const Page&) = delete;
  ~Page();
  std::byte* data() const { return data_; }
  std::span<std::byte> bytes() const { return {data_, kPageSize}; }

 private:
  std::byte* data_;
};

// kChunkSize zeroed bytes, aligned to their size.
class Chunk {
 public:
  Chunk();
  Chunk(const Chunk& other);
  Chunk& operator=(const Chunk&) = delete;
  ~Chunk();
  std::byte* data() const { return data_; }

 private:
  std::byte* data_;
};

// A stream as stored in a committed file: its first sector (or mini sector,
// for streams under the cutoff) and its size.
struct Base {
  std::shared_ptr<Container> container;  // null: no base, the stream starts empty
  uint32_t start = 0;
  uint64_t size = 0;
  // The mini stream itself is always a chain of ordinary sectors, whatever its size.
  bool regular = false;
};

class Content {
 public:
  Content() = default;
  explicit Content(Base base) : base_(std::move(base)), size_(base_.size), base_limit_(base_.size) {}
  Content(const Content& other);
  Content& operator=(const Content& other);
  Content(Content&&) noexcept = default;
  Content& operator=(Content&&) noexcept = default;
  ~Content() = default;

  uint64_t size() const { return size_; }
  // Returns the count read (short at the end).
  size_t Read(uint64_t offset, std::span<std::byte> out) const;
  // `spill`, when given, is the writable document file this content belongs
  // to: bytes of a large stream being filled then go straight to it.
  void Write(uint64_t offset, std::span<const std::byte> data, Container* spill = nullptr);
  void Resize(uint64_t size);

  // Unchanged since it was read from `container`: a commit may keep its sectors.
  bool Unchanged(const Container* container) const {
    return base_.container.get() == container && pages_.empty() && stored_.empty() && size_ == base_.size &&
           base_limit_ == base_.size;
  }
  // True when bytes [from, to) may differ from the base's sectors.
  bool Dirty(uint64_t from, uint64_t to) const;
  // The byte ranges [from, to) that may differ from the base, ascending and
  // merged: written pages, and everything past what is left of the base.
  std::vector<std::pair<uint64_t, uint64_t>> DirtyRanges() const;
  const Base& base() const { return base_; }
  // Bytes from `offset` on that lie in an extent: the extent (null when none
  // does), where in it, and for how many bytes the extent holds the stream's
  // bytes from there (to the extent's end when the stream ends inside what
  // was written to it; to the page's end for a stored page). With no extent,
  // `bytes` runs to the next one. `filled` is how much of the extent holds
  // bytes of this content, and `shared` whether another content holds the
  // extent too (for an extent of 2 MiB of one stream).
  struct SpillRun {
    Extent* extent = nullptr;
    uint64_t at = 0;
    uint64_t bytes = 0;
    uint64_t filled = 0;
    bool shared = false;
  };
  SpillRun Spilled(uint64_t offset) const;
  // Whether any byte is read from a file other than `home`.
  bool ReadsFromOther(const Container* home) const;
  // Whether some of the bytes are held in 2 MiB memory chunks (a large
  // stream of a document without a writable file).
  bool HoldsChunks() const { return large_ && !large_->chunks.empty(); }
  // Reads the extents `which` picks into memory, stored pages included.
  void Unspill(const std::function<bool(const Extent&)>& which);
  // Moves the written pages that no snapshot shares to `store`, for a stream
  // nobody has open, once the process holds more than 1 MiB of written
  // pages. A page the store cannot take stays in memory.
  void StorePages(PageStore& store);
  // Reads everything from files into memory, so that this content no longer
  // depends on them (copies between documents).
  void Detach();

 private:
  Page& WritablePage(uint64_t index);
  bool HasPage(uint64_t index) const { return pages_.count(index) != 0 || stored_.count(index) != 0; }
  // The first page index at or after `index` that is held in memory or stored.
  uint64_t NextPage(uint64_t index) const;
  Chunk& WritableChunk(uint64_t index);
  bool PagesInChunk(uint64_t chunk) const;
  struct Spill {
    std::shared_ptr<Extent> extent;
    // Bytes from the extent's start that hold data; the rest reads as zeros.
    uint64_t filled = 0;
  };
  void WriteSpill(uint64_t chunk, uint64_t at, std::span<const std::byte> data);
  void SpillHead(Container& container);
  void SpillToMemory(uint64_t chunk);

  Base base_;
  uint64_t size_ = 0;
  // Base bytes at or after base_limit_ were cut off by a truncation and read as zeros.
  uint64_t base_limit_ = 0;
  // Never overlapping: a chunk or an extent is made only where no page is, no
  // page is made where either is, and a chunk index has a chunk or an extent.
  std::map<uint64_t, std::shared_ptr<Page>> pages_;
  // Pages moved to the document file; an index is in pages_ or here, not both.
  std::map<uint64_t, StoredPage> stored_;
  // Chunks and extents: only a stream that passed its first 2 MiB has them,
  // so that the many small streams of a document do not each carry two
  // empty maps.
  struct Large {
    std::map<uint64_t, std::shared_ptr<Chunk>> chunks;
    std::map<uint64_t, Spill> spills;
  };
  std::unique_ptr<Large> large_;
  const std::map<uint64_t, std::shared_ptr<Chunk>>& chunks() const;
  const std::map<uint64_t, Spill>& spills() const;
  Large& MakeLarge() {
    if (!large_) large_ = std::make_unique<Large>();
    return *large_;
  }
};

}  // namespace vellora2::compound
