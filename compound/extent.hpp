// Extents: runs of sectors past the committed end of a document file that
// hold a large stream's new bytes until a commit links them into its chain
// where they are. The Extent object is one run; the container keeps the set
// of live ones (Container::TakeExtent, GiveBack, CutBack, ExtentEnd, all
// defined in extent.cpp).
#pragma once

#include <cstdint>
#include <memory>

namespace vellora2::compound {

class Container;

// Sectors of a document file past its committed end that hold 2 MiB of stream
// bytes written since the last commit. A commit may adopt them into a
// stream's chain; until then the committed state knows nothing of them, so a
// crash leaves only unused space. They go back to the container when their
// last holder lets go, unless a commit adopted them.
class Extent {
 public:
  Extent(std::shared_ptr<Container> container, uint32_t first) : container_(std::move(container)), first_(first) {}
  Extent(const Extent&) = delete;
  Extent& operator=(const Extent&) = delete;
  ~Extent();

  Container& container() const { return *container_; }
  uint32_t first() const { return first_; }
  // Where the extent's bytes start in the file.
  uint64_t offset() const;
  // The sectors now belong to the committed state: never written again here.
  void Adopt() { adopted_ = true; }
  bool adopted() const { return adopted_; }
  // Slots of 4 KiB, each a page of some stream (page_store.hpp), rather than
  // 2 MiB of one stream.
  void HoldPages() { pages_ = true; }
  bool holds_pages() const { return pages_; }

 private:
  std::shared_ptr<Container> container_;
  uint32_t first_;
  bool adopted_ = false;
  bool pages_ = false;
};

}  // namespace vellora2::compound
