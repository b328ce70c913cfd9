#include "vellora2/elements/cfilesio.hpp"

#include <algorithm>

#include "document/thread_state.hpp"

namespace vellora2 {

CFilesIO::CFilesIO() : class_debug_id_(NextClassDebugID()) {}

CFilesIO::~CFilesIO() = default;

void CFilesIO::CloseLoadedFile() {
  // Nothing can be loaded yet: the loaded-stream members arrive with element I/O.
}

void CFilesIO::Connect(CFilesIOEvents* sink) {
  if (sink && std::find(sinks_.begin(), sinks_.end(), sink) == sinks_.end()) sinks_.push_back(sink);
}

void CFilesIO::Disconnect(CFilesIOEvents* sink) { std::erase(sinks_, sink); }

void CFilesIO::RaiseStartOperation() {
  for (auto* sink : std::vector(sinks_)) sink->StartOperation();
}

void CFilesIO::RaisePercentDone(int16_t& x) {
  for (auto* sink : std::vector(sinks_)) sink->PercentDone(x);
}

void CFilesIO::RaiseFinishOperation() {
  for (auto* sink : std::vector(sinks_)) sink->FinishOperation();
}

}  // namespace vellora2
