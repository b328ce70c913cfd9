#include "compound/content.hpp"

#include <algorithm>
#include <cstring>

#include "compound/container.hpp"

namespace vellora2::compound {

size_t Content::Read(uint64_t offset, std::span<std::byte> out) const {
  if (offset >= size_) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), size_ - offset));
  size_t done = 0;
  while (done < n) {
    const uint64_t pos = offset + done;
    const uint64_t index = pos / kPageSize;
    const size_t in_page = static_cast<size_t>(pos % kPageSize);
    auto it = pages_.find(index);
    // Runs of unwritten pages are read from the base in one call.
    size_t run = std::min<size_t>(n - done, kPageSize - in_page);
    if (it != pages_.end()) {
      std::memcpy(out.data() + done, it->second->data() + in_page, run);
    } else {
      auto next = pages_.lower_bound(index);
      const uint64_t run_end = next == pages_.end() ? UINT64_MAX : next->first * kPageSize;
      run = static_cast<size_t>(std::min<uint64_t>(n - done, run_end - pos));
      const uint64_t from_base = pos < base_limit_ ? std::min<uint64_t>(run, base_limit_ - pos) : 0;
      if (from_base > 0) base_.container->ReadStream(base_, pos, out.subspan(done, static_cast<size_t>(from_base)));
      std::fill(out.begin() + static_cast<ptrdiff_t>(done + from_base), out.begin() + static_cast<ptrdiff_t>(done + run),
                std::byte{0});
    }
    done += run;
  }
  return n;
}

Page& Content::WritablePage(uint64_t index) {
  auto it = pages_.find(index);
  if (it == pages_.end()) {
    auto page = std::make_shared<Page>(kPageSize);
    Read(index * kPageSize, *page);  // the bytes so far; past the end they stay zero
    it = pages_.emplace(index, std::move(page)).first;
  } else if (it->second.use_count() > 1) {
    it->second = std::make_shared<Page>(*it->second);  // shared with a snapshot: copy on write
  }
  return *it->second;
}

void Content::Write(uint64_t offset, std::span<const std::byte> data) {
  size_t done = 0;
  // Grow first, so that a page filled from the base sees the old size.
  const uint64_t end = offset + data.size();
  while (done < data.size()) {
    const uint64_t pos = offset + done;
    const size_t in_page = static_cast<size_t>(pos % kPageSize);
    const size_t run = std::min<size_t>(data.size() - done, kPageSize - in_page);
    Page& page = WritablePage(pos / kPageSize);
    std::memcpy(page.data() + in_page, data.data() + done, run);
    done += run;
  }
  size_ = std::max(size_, end);
}

void Content::Resize(uint64_t size) {
  if (size < size_) {
    pages_.erase(pages_.lower_bound((size + kPageSize - 1) / kPageSize), pages_.end());
    if (size % kPageSize != 0) {
      auto it = pages_.find(size / kPageSize);
      if (it != pages_.end()) {
        Page& page = WritablePage(size / kPageSize);
        std::fill(page.begin() + static_cast<ptrdiff_t>(size % kPageSize), page.end(), std::byte{0});
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
  auto it = pages_.lower_bound(from / kPageSize);
  return it != pages_.end() && it->first * kPageSize < to;
}

std::vector<std::pair<uint64_t, uint64_t>> Content::DirtyRanges() const {
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
  for (const auto& [index, page] : pages_) {
    if (index * kPageSize >= base_limit_) break;
    add(index * kPageSize, (index + 1) * kPageSize);
  }
  add(base_limit_, size_);
  return out;
}

void Content::Detach() {
  if (!base_.container) return;
  for (uint64_t index = 0; index * kPageSize < std::min(size_, base_limit_); ++index) {
    if (!pages_.count(index)) WritablePage(index);
  }
  base_ = Base{};
  base_limit_ = 0;
}

}  // namespace vellora2::compound
