// Where a transaction keeps the written pages of streams nobody has open: in
// the document file, past its committed state, so that a document of many
// small streams does not hold all of them in memory until its commit. The
// pages go into extents (extent.hpp) a slot of 4 KiB at a time; a commit
// links each stored page into its stream's chain where it lies, as it does a
// large stream's extents, so storing costs one write per page and saves the
// commit that write. The committed state knows nothing of these sectors until
// then: a crash leaves them as unused space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "compound/extent.hpp"
#include "compound/huge_pages.hpp"

namespace vellora2::compound {

class Container;

// How many written pages (4 KiB each) the process keeps in memory before the
// pages of closed streams go to their files: 256 (1 MiB). Tests lower it.
size_t PagesKeptInMemory() noexcept;
void SetPagesKeptInMemory(size_t pages) noexcept;

// A page of stream bytes in the document file: `at` bytes into `extent`.
struct StoredPage {
  std::shared_ptr<Extent> extent;
  uint64_t at = 0;
};

class PageStore {
 public:
  explicit PageStore(Container& container) : c_(container) {}
  PageStore(const PageStore&) = delete;
  PageStore& operator=(const PageStore&) = delete;

  // Takes a copy of `page` (kPageSize bytes); null when the file has no room (sector numbers
  // run out). Pages are gathered and written some at a time: a failed write
  // throws, and the pages gathered stay gathered for the next attempt.
  std::optional<StoredPage> Put(std::span<const std::byte> page);
  // Bytes of a stored page, `at` counted from the extent's start.
  void Read(const Extent& extent, uint64_t at, std::span<std::byte> out) const;
  // Writes what is gathered. A commit calls it before it links the pages.
  void Flush();

 private:
  // Pages gathered before one write: 16 of them, where one write each would
  // cost a system call per small stream (more would cost memory, not time).
  static constexpr size_t kGather = size_t{16} * kPageSize;

  Container& c_;
  // Weak: extents hold their container, and an extent whose pages are all
  // gone must go back at once. Slots are handed out in order and never again.
  std::weak_ptr<Extent> extent_;
  uint64_t next_ = 0;     // the next free slot's offset in the extent
  uint64_t written_ = 0;  // bytes of the extent up to here are in the file
  std::vector<std::byte> gathered_;
};

}  // namespace vellora2::compound
