#include "vellora2/elements/cobjectsio.hpp"

#include "document/thread_state.hpp"

namespace vellora2 {

CObjectsIO::CObjectsIO() : class_debug_id_(NextClassDebugID()) {}

}  // namespace vellora2
