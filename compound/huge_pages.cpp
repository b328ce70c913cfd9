#include "compound/huge_pages.hpp"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace vellora2::compound {
namespace {

// Below this a table stays on the heap: rounding it up to a whole huge page
// would waste more than it saves.
constexpr size_t kMappedTable = size_t{1} << 20;

size_t Rounded(size_t bytes) { return (bytes + kHugePageSize - 1) / kHugePageSize * kHugePageSize; }

// The blocks pages are carved from, for every content of the process.
class PagePool {
 public:
  static PagePool& Get() {
    static PagePool* const pool = new PagePool();  // never destroyed: pages may outlive static destruction
    return *pool;
  }

  std::byte* Take() {
    const std::lock_guard lock(mutex_);
    auto it = blocks_.lower_bound(hint_);
    while (it != blocks_.end() && it->second.free.empty()) ++it;
    if (it == blocks_.end()) {
      std::byte* const base = MapAligned(kHugePageSize);
      it = blocks_.try_emplace(base).first;
      it->second.free.reserve(kPerBlock);  // so that giving a page back never allocates
      for (size_t i = kPerBlock; i > 0; --i) it->second.free.push_back(static_cast<uint16_t>(i - 1));
    }
    std::byte* const base = it->first;
    hint_ = base;
    if (spare_ == base) spare_ = nullptr;
    const uint16_t index = it->second.free.back();
    it->second.free.pop_back();
    in_use_.fetch_add(1, std::memory_order_relaxed);
    return base + size_t{index} * kPageSize;
  }

  void Give(std::byte* page) noexcept {
    const std::lock_guard lock(mutex_);
    // Blocks are aligned to their size: the page's offset in its block is
    // the low bits of its address.
    std::byte* const base = page - reinterpret_cast<uintptr_t>(page) % kHugePageSize;
    auto it = blocks_.find(base);
    it->second.free.push_back(static_cast<uint16_t>((page - base) / kPageSize));
    in_use_.fetch_sub(1, std::memory_order_relaxed);
    hint_ = std::min(hint_, base, std::less<>());
    if (it->second.free.size() < kPerBlock) return;
    // One empty block is kept, so that a content growing and shrinking
    // across a block's edge does not map and unmap it each time.
    if (spare_ == nullptr) {
      spare_ = base;
      return;
    }
    blocks_.erase(it);
    Unmap(base, kHugePageSize);
  }

  size_t InUse() const noexcept { return in_use_.load(std::memory_order_relaxed); }

 private:
  static constexpr size_t kPerBlock = kHugePageSize / kPageSize;
  struct Block {
    std::vector<uint16_t> free;  // page numbers not in use
  };
  std::mutex mutex_;
  std::map<std::byte*, Block, std::less<>> blocks_;
  // Every block below this one is full, so that pages crowd into few blocks.
  std::byte* hint_ = nullptr;
  std::byte* spare_ = nullptr;  // an empty block kept
  std::atomic<size_t> in_use_{0};
};

}  // namespace

std::byte* MapAligned(size_t size, bool reserve_only) {
  // One huge page more than needed is mapped and the ends cut off, so that
  // the block starts on a huge-page boundary.
  const int flags = MAP_PRIVATE | MAP_ANONYMOUS | (reserve_only ? MAP_NORESERVE : 0);
  void* const raw = ::mmap(nullptr, size + kHugePageSize, PROT_READ | PROT_WRITE, flags, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  auto* const base = static_cast<std::byte*>(raw);
  const size_t head = (kHugePageSize - reinterpret_cast<uintptr_t>(base) % kHugePageSize) % kHugePageSize;
  if (head > 0) ::munmap(base, head);
  if (head < kHugePageSize) ::munmap(base + head + size, kHugePageSize - head);
  ::madvise(base + head, size, MADV_HUGEPAGE);  // advice only: without it, 4 KiB pages
  return base + head;
}

void Unmap(std::byte* block, size_t size) noexcept { ::munmap(block, size); }

std::byte* TakePage() { return PagePool::Get().Take(); }

void GivePage(std::byte* page) noexcept { PagePool::Get().Give(page); }

size_t PagesInUse() noexcept { return PagePool::Get().InUse(); }

void* AllocateTable(size_t bytes) {
  if (bytes < kMappedTable) return ::operator new(bytes);
  return MapAligned(Rounded(bytes));
}

void FreeTable(void* table, size_t bytes) noexcept {
  if (bytes < kMappedTable) {
    ::operator delete(table);
    return;
  }
  Unmap(static_cast<std::byte*>(table), Rounded(bytes));
}

}  // namespace vellora2::compound
