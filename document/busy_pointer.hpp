// The long document operations show the arrow-with-hourglass pointer while they
// run and give the host's pointer back when they end. Brackets nest, so the
// outermost one restores what the host had set. The pointer is restored on an
// error too: a host should not be left with a busy pointer after a failure.
#pragma once

#include <cstdint>

#include "vellora2/platform/platform.hpp"

namespace vellora2 {

class BusyPointer {
 public:
  BusyPointer() : saved_(CurrentPlatform().MousePointer()) { CurrentPlatform().SetMousePointer(kPointerArrowHourglass); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
  ~BusyPointer() { CurrentPlatform().SetMousePointer(saved_); }

 private:
  int16_t saved_;
};

}  // namespace vellora2
