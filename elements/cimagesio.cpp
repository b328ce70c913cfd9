#include "vellora2/elements/cimagesio.hpp"

#include "document/thread_state.hpp"

namespace vellora2 {

CImagesIO::CImagesIO() : class_debug_id_(NextClassDebugID()) {}

}  // namespace vellora2
