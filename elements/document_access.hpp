// What the element classes share: the thread's open document and utility
// object, the modes they open elements with, and the rule for committing a
// storage they changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {

class GUtility;

namespace elements {

inline constexpr int32_t kBrowse = STGM_SHARE_EXCLUSIVE | STGM_READ;
inline constexpr int32_t kBrowseTransacted = STGM_TRANSACTED | kBrowse;
inline constexpr int32_t kEdit = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
inline constexpr int32_t kEditTransacted = STGM_TRANSACTED | kEdit;

// The thread's engine, open document and GUtility. Without one, error 91 with
// `source`, the calling class's name, as the runtime gives it to a call on an
// object variable that is not set.
StorageEngine& DocumentEngine(std::u16string_view source);
Storage& DocumentRoot(std::u16string_view source);
GUtility& ThreadUtility(std::u16string_view source);

// A storage an operation changed is committed unless it is the document's root:
// the root is published only when the document is saved.
void CommitUnlessRoot(Storage& storage);

// The storage at `storagePath` under the root, or the root itself for "".
Storage OpenUnderRoot(const std::u16string& storagePath, int32_t mode, std::u16string_view source);

}  // namespace elements
}  // namespace vellora2
