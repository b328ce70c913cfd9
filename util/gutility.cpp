#include "vellora2/util/gutility.hpp"

#include "util/random.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2 {

// Each new object reseeds the thread's generator from the clock, so that a host
// that never seeds still gets a different sequence on each run.
GUtility::GUtility() { ThreadRandom().Seed(CurrentPlatform().Timer()); }

GUtility::~GUtility() = default;

}  // namespace vellora2
