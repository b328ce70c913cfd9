// The bytes of one stream as one transaction level sees them: the stream as the
// file last committed it (the base), overlaid with what was written since.
// Changes to the base's bytes are kept in 4 KiB pages, so that a commit
// rewrites little; bytes past the base and past a stream's first 2 MiB (a
// large stream being filled) are kept in 2 MiB chunks, which the kernel can
// back with huge pages, so that a large import costs few allocations and page
// faults. Copying a Content is cheap
// (pages and chunks are shared and copied only when written), which is how a
// transacted storage takes its snapshot and how Commit hands the result to
// the level above.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace vellora2::compound {

class Container;

inline constexpr size_t kPageSize = 4096;
inline constexpr size_t kChunkSize = size_t{2} << 20;
using Page = std::vector<std::byte>;

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

  uint64_t size() const { return size_; }
  // Returns the count read (short at the end).
  size_t Read(uint64_t offset, std::span<std::byte> out) const;
  void Write(uint64_t offset, std::span<const std::byte> data);
  void Resize(uint64_t size);

  // Unchanged since it was read from `container`: a commit may keep its sectors.
  bool Unchanged(const Container* container) const {
    return base_.container.get() == container && pages_.empty() && size_ == base_.size && base_limit_ == base_.size;
  }
  // True when bytes [from, to) may differ from the base's sectors.
  bool Dirty(uint64_t from, uint64_t to) const;
  // The byte ranges [from, to) that may differ from the base, ascending and
  // merged: written pages, and everything past what is left of the base.
  std::vector<std::pair<uint64_t, uint64_t>> DirtyRanges() const;
  const Base& base() const { return base_; }
  // Reads everything from another file into memory, so that this content no
  // longer depends on it (copies between documents).
  void Detach();

 private:
  Page& WritablePage(uint64_t index);
  Chunk& WritableChunk(uint64_t index);
  bool PagesInChunk(uint64_t chunk) const;

  Base base_;
  uint64_t size_ = 0;
  // Base bytes at or after base_limit_ were cut off by a truncation and read as zeros.
  uint64_t base_limit_ = 0;
  // Never overlapping: a chunk is made only where no page is, and no page is
  // made where a chunk is.
  std::map<uint64_t, std::shared_ptr<Page>> pages_;
  std::map<uint64_t, std::shared_ptr<Chunk>> chunks_;
};

}  // namespace vellora2::compound
