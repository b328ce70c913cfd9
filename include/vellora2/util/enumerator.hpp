// An enumerator of Variants over any walker: a class that lets clients walk its
// items one by one implements IVariantWalker, and hands out a CEnumVariant over it.
// Automation clients get the enumeration interface's Next, Skip, Reset and Clone
// with their result codes; C++ code walks it as a range:
//
//   CEnumVariant e(std::make_shared<MyWalker>());
//   for (const Variant& v : e) ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>

#include "vellora2/automation/variant.hpp"

namespace vellora2 {

// Result codes of the enumeration interface.
inline constexpr int32_t kResultOk = 0;
inline constexpr int32_t kResultFalse = 1;  // success, but fewer items than asked for
inline constexpr int32_t kResultInvalidArg = static_cast<int32_t>(0x80070057);
inline constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005);

// The result code that carries error number `e`: 0 stays 0; 1 and values that are
// already result codes (bit 31 set) pass unchanged; any other number becomes
// 0x800A0000 | e.
int32_t ErrorToResult(int32_t e);

// The walker behind an enumerator. The bodies here do nothing and More answers
// false, so a walker overrides only what it needs.
class IVariantWalker {
 public:
  virtual ~IVariantWalker() = default;
  // Puts the next item into `v` and returns true, or returns false at the end.
  virtual bool More(Variant& v);
  // Moves back to the first item.
  virtual void Reset();
  // Passes over the next `c` items.
  virtual void Skip(int32_t c);
};

class CEnumVariant {
 public:
  class Iterator;

  CEnumVariant() = default;
  explicit CEnumVariant(std::shared_ptr<IVariantWalker> walker) : walker_(std::move(walker)) {}
  // The walker's position is shared state: a copy would walk it twice over.
  CEnumVariant(const CEnumVariant&) = delete;
  CEnumVariant& operator=(const CEnumVariant&) = delete;

  // Walks `connectA` from now on, in place of any earlier walker.
  void Attach(std::shared_ptr<IVariantWalker> connectA);
  // The walker's More for `v`, and its Skip. Without a walker they raise 91
  // (object variable not set), as calls on Nothing do.
  bool ClsNext(Variant& v);
  void ClsSkip(int32_t c);

  // ---- The enumeration interface ----

  // Fetches up to `celt` items into the first slots of `rgVar` and stores how many
  // in `*pceltFetched` when it is given. Returns kResultOk when at least one item
  // came (even fewer than asked for), kResultFalse when none did. Never raises: a
  // walker's error empties the slots this call filled, stores 0 and returns
  // ErrorToResult of its number; `celt` beyond the slots gives kResultInvalidArg.
  int32_t Next(int32_t celt, std::span<Variant> rgVar, int32_t* pceltFetched = nullptr);
  // The walker's Skip; its error comes back as ErrorToResult of the number.
  int32_t Skip(int32_t celt);
  // The walker's Reset; its errors are raised to the caller.
  void Reset();
  // Walkers cannot be copied in general, so there is no second enumerator:
  // success, with `ppEnum` set to null.
  int32_t Clone(std::shared_ptr<CEnumVariant>& ppEnum);

  // ---- C++ range: a single pass from the walker's current position ----
  // Errors of the walker are raised from begin() and from ++.
  Iterator begin();
  std::default_sentinel_t end() const { return {}; }

 private:
  std::shared_ptr<IVariantWalker> walker_;
};

class CEnumVariant::Iterator {
 public:
  using iterator_concept = std::input_iterator_tag;
  using value_type = Variant;
  using difference_type = std::ptrdiff_t;

  Iterator() = default;

  const Variant& operator*() const { return current_; }
  const Variant* operator->() const { return &current_; }
  Iterator& operator++() {
    Advance();
    return *this;
  }
  void operator++(int) { Advance(); }
  friend bool operator==(const Iterator& it, std::default_sentinel_t) { return it.owner_ == nullptr; }

 private:
  friend class CEnumVariant;
  explicit Iterator(CEnumVariant* owner) : owner_(owner) { Advance(); }
  void Advance();

  CEnumVariant* owner_ = nullptr;  // null once the walk is over
  Variant current_;
};

}  // namespace vellora2
