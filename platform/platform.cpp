#include "vellora2/platform/platform.hpp"

#include <utility>

namespace vellora2 {
namespace {

std::shared_ptr<Platform>& Slot() {
  thread_local std::shared_ptr<Platform> current;
  return current;
}

}  // namespace

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
