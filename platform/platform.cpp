#include "vellora2/platform/platform.hpp"

#include <utility>

namespace vellora2 {
namespace {

std::shared_ptr<Platform>& Slot() {
  thread_local std::shared_ptr<Platform> current;
  return current;
}

}  // namespace

namespace mb {
int32_t DefaultAnswer(int32_t style) {
  // The first button of each set, then the one that kDefaultButton2/3 moves to.
  static constexpr int32_t kButtons[6][3] = {{kOk, kOk, kOk},          {kOk, kCancel, kCancel},
                                             {kAbort, kRetry, kIgnore}, {kYes, kNo, kCancel},
                                             {kYes, kNo, kNo},          {kRetry, kCancel, kCancel}};
  const int32_t set = style & 7;
  const int32_t which = (style >> 8) & 3;
  if (set > 5 || which > 2) return kOk;
  return kButtons[set][which];
}
}  // namespace mb

Platform& CurrentPlatform() {
  auto& slot = Slot();
  if (!slot) slot = MakeDesktopPlatform();
  return *slot;
}

std::shared_ptr<Platform> SharedCurrentPlatform() {
  CurrentPlatform();
  return Slot();
}

std::shared_ptr<Platform> SetCurrentPlatform(std::shared_ptr<Platform> platform) {
  return std::exchange(Slot(), std::move(platform));
}

}  // namespace vellora2
