// GUtility's child-element tests over the compound-file engine.
#include <string>

#include "vellora2/automation/text.hpp"
#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

constexpr int16_t kNoMoreChildren = 0;
constexpr int16_t kStorageChild = 1;
constexpr int16_t kStreamChild = 2;

// Walks the direct children from the first; names compare upper-cased, as the
// format compares them. Failures of the walk reach the caller.
Variant HasChild(Storage& parent, std::u16string_view name, int16_t wanted_type) {
  const std::u16string wanted = ToUpper(name);
  int16_t type = 0;
  std::u16string child;
  for (parent.NextElement(0, type, child); type != kNoMoreChildren; parent.NextElement(1, type, child)) {
    if (type == wanted_type && ToUpper(child) == wanted) return Variant(true);
  }
  return Variant(false);
}

}  // namespace

Variant GUtility::ExistStream(Storage& ParentStorage, std::u16string_view StreamName) {
  return HasChild(ParentStorage, StreamName, kStreamChild);
}

Variant GUtility::ExistStorage(Storage& ParentStorage, std::u16string_view StorageName) {
  return HasChild(ParentStorage, StorageName, kStorageChild);
}

}  // namespace vellora2
