// Part of a new chain as runs of consecutive sectors: an adopted extent or an
// append to the file is one entry however long it is, so placing a large
// stream does not build a table of its sectors.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace vellora2::compound {

class Segments {
 public:
  struct Part {
    uint32_t first;  // sector
    uint64_t count;  // sectors first, first + 1, ...
    uint64_t at;     // index of `first` in the part of the chain
  };

  // Appends sectors first .. first+count-1; a run that continues the last one
  // joins it.
  void Add(uint32_t first, uint64_t count) {
    if (!parts_.empty() && uint64_t{parts_.back().first} + parts_.back().count == first) {
      parts_.back().count += count;
    } else {
      parts_.push_back({first, count, size_});
    }
    size_ += count;
  }
  // The k-th sector (k below size()).
  uint32_t operator[](uint64_t k) const {
    const auto part = std::prev(
        std::upper_bound(parts_.begin(), parts_.end(), k, [](uint64_t i, const Part& p) { return i < p.at; }));
    return static_cast<uint32_t>(part->first + (k - part->at));
  }
  uint64_t size() const { return size_; }
  uint32_t front() const { return parts_.front().first; }
  const std::vector<Part>& parts() const { return parts_; }

 private:
  std::vector<Part> parts_;
  uint64_t size_ = 0;
};

}  // namespace vellora2::compound
