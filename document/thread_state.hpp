// What the library keeps once per thread: the storage engine, the open document's
// root storage, the utility objects its own classes use, and the debug-ID counter.
// CVellora creates and releases it; the element classes and the properties window
// read it directly, so one thread has one open document.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {

class GUtility;
class GBytes;
class GCommonDialog;

struct ThreadState {
  std::shared_ptr<StorageEngine> gStorageEngine;
  Storage gRootStorage;
  // The open document was opened read-only: the element classes and CVellora
  // refuse every change to it at once, as none could ever be saved.
  bool read_only = false;
  std::shared_ptr<GUtility> utility;
  std::shared_ptr<GBytes> bytes;
  std::shared_ptr<GCommonDialog> common_dialog;
  int32_t debug_id_counter = 0;
};

ThreadState& CurrentThreadState();

// The next debug ID of the thread, from 1 upward; error 6 past 2147483647.
int32_t NextClassDebugID();

// The engine and the open document's root; error 91 when there is none,
// with `source`, the calling class's default source.
StorageEngine& RequireEngine(std::u16string_view source);
Storage& RequireRoot(std::u16string_view source);

// The error for a change to a read-only document: STG_E_ACCESSDENIED with
// `source`, when the open document is read-only.
void RefuseIfReadOnly(std::u16string_view source);

}  // namespace vellora2
