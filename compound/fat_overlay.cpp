#include "compound/fat_overlay.hpp"

#include <algorithm>

namespace vellora2::compound {

void FatOverlay::Set(uint64_t s, uint32_t value) {
  if (s < base_.size()) {
    Touch(s / epb_)[s % epb_] = value;
    return;
  }
  const uint64_t at = s - base_.size();
  if (at >= grown_.size()) {
    const auto need = static_cast<size_t>((at / epb_ + 1) * epb_);
    // Room to double, and to take the committed entries in front when the
    // table becomes the FAT (MoveInto): reserved room costs no memory
    // until it is written.
    if (need > grown_.capacity()) grown_.reserve(2 * need + base_.size());
    grown_.resize(need, kFreeSect);
    size_ = std::max<uint64_t>(size_, base_.size() + need);
  }
  grown_[at] = value;
}

uint64_t FatOverlay::NextFree(uint64_t from, uint64_t to) const {
  const uint64_t base_size = base_.size();
  for (; from < to && from < base_size; ++from) {
    if ((*this)[from] == kFreeSect) return from;
  }
  const uint64_t grown_end = base_size + grown_.size();
  if (from >= to || from >= grown_end) return std::min(from, to);
  const auto first = grown_.begin() + static_cast<ptrdiff_t>(from - base_size);
  const auto last = grown_.begin() + static_cast<ptrdiff_t>(std::min(to, grown_end) - base_size);
  return base_size + static_cast<uint64_t>(std::find(first, last, kFreeSect) - grown_.begin());
}

bool FatOverlay::Changed(uint64_t i) const {
  const Page* page = Find(i);
  if (!page) return false;
  for (uint64_t k = 0; k < epb_; ++k) {
    const uint64_t s = i * epb_ + k;
    if ((*page)[k] != (s < base_.size() ? base_[s] : kFreeSect)) return true;
  }
  return false;
}

void FatOverlay::Link(uint64_t s, uint64_t n) {
  for (; n > 0 && s < base_.size(); ++s, --n) Set(s, static_cast<uint32_t>(s + 1));
  if (n == 0) return;
  Set(s + n - 1, static_cast<uint32_t>(s + n));  // grows the table to hold the run
  uint32_t* const out = grown_.data() + (s - base_.size());
  for (uint64_t k = 0; k + 1 < n; ++k) out[k] = static_cast<uint32_t>(s + k + 1);
}

const uint32_t* FatOverlay::Sector(uint64_t i) const {
  const uint64_t s = i * epb_;
  if (s >= base_.size()) return s - base_.size() < grown_.size() ? grown_.data() + (s - base_.size()) : nullptr;
  if (const Page* page = Find(i)) return page->data();
  return keep_ ? base_.data() + s : nullptr;
}

std::vector<uint64_t> FatOverlay::Touched() const {
  std::vector<uint64_t> out;
  out.reserve(pages_.size());
  for (const auto& entry : pages_) out.push_back(entry.first);
  std::sort(out.begin(), out.end());
  return out;
}

void FatOverlay::MoveInto(SectorTable& fat, uint64_t entries) {
  const uint64_t base_size = base_.size();
  if (grown_.size() >= base_size) {
    // Mostly new entries (a document that grew): the grown table becomes
    // the FAT, moved up in place to make room for the committed entries,
    // rather than copied into fresh memory.
    grown_.insert(grown_.begin(), static_cast<size_t>(base_size), kFreeSect);
    if (keep_) std::copy(base_.begin(), base_.end(), grown_.begin());
    grown_.resize(entries, kFreeSect);
    for (const auto& [i, page] : pages_) {
      std::copy(page.begin(), page.end(), grown_.begin() + static_cast<ptrdiff_t>(i * epb_));
    }
    fat = std::move(grown_);
    return;
  }
  fat.reserve(static_cast<size_t>(entries));
  if (keep_) {
    fat.resize(entries, kFreeSect);
  } else {
    fat.assign(entries, kFreeSect);
  }
  for (const auto& [i, page] : pages_) {
    if (i * epb_ < entries) std::copy(page.begin(), page.end(), fat.begin() + static_cast<ptrdiff_t>(i * epb_));
  }
  if (base_size < entries) {
    const auto n = static_cast<ptrdiff_t>(std::min<uint64_t>(grown_.size(), entries - base_size));
    std::copy(grown_.begin(), grown_.begin() + n, fat.begin() + static_cast<ptrdiff_t>(base_size));
  }
}

const FatOverlay::Page* FatOverlay::Find(uint64_t i) const {
  if (i == last_index_) return last_;
  auto it = pages_.find(i);
  if (it == pages_.end()) return nullptr;
  last_index_ = i;
  last_ = &it->second;
  return last_;
}

FatOverlay::Page& FatOverlay::Touch(uint64_t i) {
  if (const Page* page = Find(i)) return const_cast<Page&>(*page);
  Page page(epb_, kFreeSect);
  for (uint64_t k = 0; k < epb_ && keep_ && i * epb_ + k < base_.size(); ++k) page[k] = base_[i * epb_ + k];
  size_ = std::max(size_, (i + 1) * epb_);
  last_index_ = i;
  last_ = &pages_.emplace(i, std::move(page)).first->second;
  return const_cast<Page&>(*last_);
}

}  // namespace vellora2::compound
