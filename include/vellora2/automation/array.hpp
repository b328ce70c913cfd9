// Automation arrays: any number of dimensions, each with its own lower bound. An
// array that was declared but never sized has no dimensions at all, which is
// different from a sized array without elements (bounds 0 to -1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <utility>
#include <vector>

#include "vellora2/automation/error.hpp"

namespace vellora2 {

struct Bound {
  int32_t lower = 0;
  int32_t count = 0;
  int32_t upper() const { return lower + count - 1; }
};

template <typename T>
class Array {
 public:
  Array() = default;  // never sized
  Array(int32_t lower, int32_t upper) { ReDim(lower, upper); }
  Array(int32_t lower, std::vector<T> values) : bounds_{Bound{lower, CheckedCount(values.size())}}, data_(std::move(values)) {}
  static Array FromList(int32_t lower, std::initializer_list<T> values) { return Array(lower, std::vector<T>(values)); }

  bool sized() const { return !bounds_.empty(); }
  int32_t dimensions() const { return static_cast<int32_t>(bounds_.size()); }
  size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }
  const std::vector<Bound>& bounds() const { return bounds_; }

  // Bounds of dimension `dim` (1-based); error 9 on a never-sized array or a bad dimension.
  int32_t LBound(int32_t dim = 1) const { return bound(dim).lower; }
  int32_t UBound(int32_t dim = 1) const { return bound(dim).upper(); }

  // One dimension from `lower` to `upper`; upper = lower - 1 makes a sized, empty array.
  void ReDim(int32_t lower, int32_t upper) {
    bounds_ = {MakeBound(lower, upper)};
    data_.assign(static_cast<size_t>(bounds_[0].count), T{});
  }
  // Keeps the elements that still fit, as ReDim Preserve does for one dimension.
  void ReDimPreserve(int32_t lower, int32_t upper) {
    if (bounds_.size() > 1) Raise(rt::kSubscriptOutOfRange);
    bounds_ = {MakeBound(lower, upper)};
    data_.resize(static_cast<size_t>(bounds_[0].count));
  }
  void ReDimDims(std::vector<Bound> bounds) {
    size_t total = 1;
    for (const auto& b : bounds) {
      if (b.count < 0) Raise(rt::kSubscriptOutOfRange);
      total *= static_cast<size_t>(b.count);
    }
    bounds_ = std::move(bounds);
    data_.assign(total, T{});
  }
  void Erase() {
    bounds_.clear();
    data_.clear();
  }

  // Element by Automation index; error 9 outside the bounds or with the wrong
  // number of indices.
  T& operator()(int32_t index) { return data_[Offset({&index, 1})]; }
  const T& operator()(int32_t index) const { return data_[Offset({&index, 1})]; }
  T& At(std::span<const int32_t> index) { return data_[Offset(index)]; }
  const T& At(std::span<const int32_t> index) const { return data_[Offset(index)]; }

  // The elements in storage order (first index fastest, as the platform lays them out).
  std::vector<T>& data() { return data_; }
  const std::vector<T>& data() const { return data_; }
  auto begin() { return data_.begin(); }
  auto end() { return data_.end(); }
  auto begin() const { return data_.begin(); }
  auto end() const { return data_.end(); }

  friend bool operator==(const Array& a, const Array& b) {
    if (a.bounds_.size() != b.bounds_.size()) return false;
    for (size_t i = 0; i < a.bounds_.size(); ++i) {
      if (a.bounds_[i].lower != b.bounds_[i].lower || a.bounds_[i].count != b.bounds_[i].count) return false;
    }
    return a.data_ == b.data_;
  }

 private:
  static int32_t CheckedCount(size_t n) {
    if (n > static_cast<size_t>(INT32_MAX)) Raise(rt::kOutOfMemory);
    return static_cast<int32_t>(n);
  }
  static Bound MakeBound(int32_t lower, int32_t upper) {
    const int64_t count = static_cast<int64_t>(upper) - lower + 1;
    if (count < 0 || count > INT32_MAX) Raise(rt::kSubscriptOutOfRange);
    return Bound{lower, static_cast<int32_t>(count)};
  }
  const Bound& bound(int32_t dim) const {
    if (dim < 1 || static_cast<size_t>(dim) > bounds_.size()) Raise(rt::kSubscriptOutOfRange);
    return bounds_[static_cast<size_t>(dim - 1)];
  }
  size_t Offset(std::span<const int32_t> index) const {
    if (index.size() != bounds_.size()) Raise(rt::kSubscriptOutOfRange);
    size_t offset = 0;
    size_t stride = 1;
    for (size_t d = 0; d < bounds_.size(); ++d) {
      const int64_t rel = static_cast<int64_t>(index[d]) - bounds_[d].lower;
      if (rel < 0 || rel >= bounds_[d].count) Raise(rt::kSubscriptOutOfRange);
      offset += static_cast<size_t>(rel) * stride;
      stride *= static_cast<size_t>(bounds_[d].count);
    }
    return offset;
  }

  std::vector<Bound> bounds_;
  std::vector<T> data_;
};

using ByteArray = Array<uint8_t>;

}  // namespace vellora2
