#include "elements/document_access.hpp"

#include "document/thread_state.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2::elements {

StorageEngine& DocumentEngine(std::u16string_view source) {
  auto& engine = CurrentThreadState().gStorageEngine;
  if (!engine) Raise(rt::kObjectNotSet, std::u16string(source));
  return *engine;
}

Storage& DocumentRoot(std::u16string_view source) {
  auto& root = CurrentThreadState().gRootStorage;
  if (!root) Raise(rt::kObjectNotSet, std::u16string(source));
  return root;
}

GUtility& ThreadUtility(std::u16string_view source) {
  auto& utility = CurrentThreadState().utility;
  if (!utility) Raise(rt::kObjectNotSet, std::u16string(source));
  return *utility;
}

void CommitUnlessRoot(Storage& storage) {
  // Compared as handles rather than by name: a root made on a temporary store
  // has a plain name that a storage inside it could share.
  if (!(storage == CurrentThreadState().gRootStorage)) storage.Commit(STGC_DEFAULT);
}

Storage OpenUnderRoot(const std::u16string& storagePath, int32_t mode, std::u16string_view source) {
  Storage& root = DocumentRoot(source);
  if (storagePath.empty()) return root;
  return root.OpenStorage(storagePath, mode);
}

}  // namespace vellora2::elements
