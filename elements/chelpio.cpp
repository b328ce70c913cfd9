#include "vellora2/elements/chelpio.hpp"

#include "document/thread_state.hpp"

namespace vellora2 {

CHelpIO::CHelpIO() : class_debug_id_(NextClassDebugID()) {}

}  // namespace vellora2
