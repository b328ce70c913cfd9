// Helpers shared by the GCommonDialog members.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vellora2/automation/object.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::dialogs {

// Sets the application-wide mouse pointer for the time a dialog is up and puts
// the host's own setting back on every way out, exceptions included.
class PointerScope {
 public:
  PointerScope(Platform& platform, int16_t pointer) : platform_(platform), saved_(platform.MousePointer()) {
    platform_.SetMousePointer(pointer);
  }
  PointerScope(const PointerScope&) = delete;
  PointerScope& operator=(const PointerScope&) = delete;
  ~PointerScope() { platform_.SetMousePointer(saved_); }

 private:
  Platform& platform_;
  int16_t saved_;
};

// The source of the errors the class raises.
std::u16string ErrorSource();

// `s` up to its first NUL, as fixed-size buffers are read. (The thread's GUtility
// has the same member, but making one reseeds the thread's random numbers.)
std::u16string StrZToStr(std::u16string_view s);

// Sets a property of a host object, as a statement under "resume next" would:
// whatever fails (no object, no such property, a refused value) is ignored.
void SetPropertyIgnoringErrors(Object* object, std::u16string_view name, const Variant& value);

}  // namespace vellora2::dialogs
