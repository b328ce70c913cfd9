#include "document/thread_state.hpp"

#include <limits>

#include "vellora2/automation/error.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {

ThreadState& CurrentThreadState() {
  thread_local ThreadState state;
  return state;
}

int32_t NextClassDebugID() {
  auto& counter = CurrentThreadState().debug_id_counter;
  if (counter == std::numeric_limits<int32_t>::max()) Raise(rt::kOverflow);
  return ++counter;
}

StorageEngine& RequireEngine(std::u16string_view source) {
  auto& engine = CurrentThreadState().gStorageEngine;
  if (!engine) Raise(rt::kObjectNotSet, std::u16string(source));
  return *engine;
}

Storage& RequireRoot(std::u16string_view source) {
  auto& root = CurrentThreadState().gRootStorage;
  if (!root) Raise(rt::kObjectNotSet, std::u16string(source));
  return root;
}

void RefuseIfReadOnly(std::u16string_view source) {
  const auto& state = CurrentThreadState();
  if (state.read_only && state.gRootStorage) {
    Raise(STG_E_ACCESSDENIED, std::u16string(source), u"the document was opened read-only");
  }
}

}  // namespace vellora2
