// The library's own error numbers and the readable texts of storage failures.
#pragma once

#include <cstdint>
#include <string>

#include "vellora2/automation/variant.hpp"

namespace vellora2 {

// The object-error base (0x80040000) plus 512 to 515.
enum ioErrors : int32_t {
  ioCancel = -2147220992,
  ioBadFile = -2147220991,
  ioElementNotFound = -2147220990,
  ionotloaded = -2147220989,
};

// The storage engine's own out-of-memory code.
inline constexpr int32_t kStorageOutOfMemory = 30008;

// A message a user can act on for a storage failure code; any other number gives
// `description` back unchanged. Never raises.
Variant StorageErrorText(int32_t number, const std::u16string& description);

}  // namespace vellora2
