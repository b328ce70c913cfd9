#include "compound/page_store.hpp"

#include <atomic>
#include <cstring>
#include <exception>

#include "compound/container.hpp"
#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

// An edit of a few streams never moves a page: its commit writes them into
// the free sectors of the file, where a stored page would have to wait for
// 2 MiB of free room (an extent) or go past the end.
std::atomic<size_t> kept_in_memory{256};

}  // namespace

size_t PagesKeptInMemory() noexcept { return kept_in_memory.load(std::memory_order_relaxed); }

void SetPagesKeptInMemory(size_t pages) noexcept { kept_in_memory.store(pages, std::memory_order_relaxed); }

std::optional<StoredPage> PageStore::Put(std::span<const std::byte> page) {
  auto extent = extent_.lock();
  if (!extent) gathered_.clear();  // its pages are all gone: nobody reads these bytes
  if (!extent || extent->adopted() || next_ == kChunkSize) {
    Flush();
    extent = c_.TakeExtent();
    if (!extent) return std::nullopt;
    extent->HoldPages();
    extent_ = extent;
    next_ = written_ = 0;
  }
  if (gathered_.size() + kPageSize > kGather) Flush();
  gathered_.insert(gathered_.end(), page.begin(), page.end());
  const uint64_t at = next_;
  next_ += kPageSize;
  return StoredPage{std::move(extent), at};
}

void PageStore::Read(const Extent& extent, uint64_t at, std::span<std::byte> out) const {
  if (&extent == extent_.lock().get() && at >= written_) {
    std::memcpy(out.data(), gathered_.data() + (at - written_), out.size());
    return;
  }
  // A short read means the file was cut behind our back.
  if (c_.file().ReadAt(extent.offset() + at, out) != out.size()) {
    Fail(STG_E_READFAULT, "the document file is shorter than what was written to it");
  }
  c_.CheckCurrent();
}

void PageStore::Flush() {
  if (gathered_.empty()) return;
  const auto extent = extent_.lock();
  if (!extent) {
    gathered_.clear();
    return;
  }
  try {
    c_.file().WriteAt(extent->offset() + written_, gathered_);
  } catch (const std::exception&) {
    // A full disk must not leave the file longer than what it holds.
    c_.CutBack(extent->first(), written_);
    throw;
  }
  written_ += gathered_.size();
  gathered_.clear();
}

}  // namespace vellora2::compound
