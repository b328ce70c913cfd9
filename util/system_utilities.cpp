// GUtility's system members: platform queries, random numbers, the event wait,
// the hourglass toggle, option buttons, positions and colours.
#include <cmath>
#include <string>
#include <variant>

#include "util/errors.hpp"
#include "util/random.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

constexpr int32_t kEInvalidArg = static_cast<int32_t>(0x80070057);
// The system colours the platform has values for: indices 0 to 30.
constexpr uint32_t kLastSysColor = 30;

// `Value = True` as the runtime compares it: True is -1, so 1 is not True.
bool IsTrue(const Variant& value) {
  if (const bool* b = value.get_if<bool>()) return *b;
  return value.ToDouble() == -1.0;
}

}  // namespace

std::u16string GUtility::sNullChr() const { return std::u16string(1, u'\0'); }

bool GUtility::IsArrayEmpty(const Variant& va) {
  const AnyArray* any = va.any_array();
  if (any == nullptr) return true;
  return std::visit(
      [](const auto& array) {
        try {
          static_cast<void>(array(array.LBound()));
          return false;
        } catch (const AutomationError&) {
          return true;
        }
      },
      *any);
}

bool GUtility::HasShell() { return (CurrentPlatform().Version() & 0xFFu) >= 4; }

bool GUtility::IsNT() { return (CurrentPlatform().Version() & 0x80000000u) == 0; }

bool GUtility::IsExe() {
  const std::u16string path = ToUpper(CurrentPlatform().ModuleFileName());
  return !path.ends_with(u"VB5.EXE");
}

void GUtility::SwapBytes(uint8_t, uint8_t) {}
void GUtility::SwapIntegers(int16_t, int16_t) {}
void GUtility::SwapLongs(int32_t, int32_t) {}

std::uintptr_t GUtility::GetProc(std::uintptr_t proc) { return proc; }

void GUtility::DoWaitEvents(int32_t msWait) {
  Platform& platform = CurrentPlatform();
  // Signed, as the tick count is read: across its wrap at 2^31 the deadline is
  // unreachable and the addition overflows instead of waiting for ever.
  int32_t deadline = 0;
  if (__builtin_add_overflow(static_cast<int32_t>(platform.TickCount()), msWait, &deadline)) {
    RaiseUtilityError(rt::kOverflow);
  }
  do {
    platform.ProcessEvents();
  } while (static_cast<int32_t>(platform.TickCount()) < deadline);
}

int32_t GUtility::GetRandom(int32_t iLo, int32_t iHi) {
  int32_t span = 0;
  if (__builtin_sub_overflow(iHi, iLo, &span) || __builtin_add_overflow(span, 1, &span)) {
    RaiseUtilityError(rt::kOverflow);
  }
  const double r = ThreadRandom().Next();
  return static_cast<int32_t>(std::floor(span * r + iLo));
}

void GUtility::CoreRandomize(int32_t Number) { ThreadRandom().Seed(Number); }

Variant GUtility::CoreRnd(int32_t Number) { return Variant(ThreadRandom().Rnd(Number)); }

void GUtility::HourGlass(Object& obj) {
  // Each step runs even when the one before it failed, and the toggle flips in
  // any case, so a caller that catches the error and calls again restores.
  bool failed = false;
  if (!hourGlassOn_) {
    try {
      savedPointer_ = obj.GetProperty(u"MousePointer").ToInteger();
    } catch (const AutomationError&) {
      failed = true;
    }
    try {
      obj.SetProperty(u"MousePointer", Variant(kPointerHourglass));
    } catch (const AutomationError&) {
      failed = true;
    }
    hourGlassOn_ = true;
  } else {
    try {
      obj.SetProperty(u"MousePointer", Variant(savedPointer_));
    } catch (const AutomationError&) {
      failed = true;
    }
    hourGlassOn_ = false;
  }
  if (failed) RaiseUtilityError(eeNoMousePointer);
}

int16_t GUtility::GetOption(const Object& opts) {
  try {
    for (const Variant& item : opts.Items()) {
      const std::shared_ptr<Object> button = item.ToObject();
      if (!button) Raise(rt::kObjectNotSet);
      if (IsTrue(button->GetProperty(u"Value"))) return button->GetProperty(u"Index").ToInteger();
    }
  } catch (const AutomationError&) {
    RaiseUtilityError(eeNotOptionArray);
  }
  RaiseUtilityError(eeNoTrueOption);
}

float GUtility::xRight(const Object& obj) {
  return Add(obj.GetProperty(u"Left"), obj.GetProperty(u"Width")).ToSingle();
}

float GUtility::yBottom(const Object& obj) {
  return Add(obj.GetProperty(u"Top"), obj.GetProperty(u"Height")).ToSingle();
}

int32_t GUtility::TranslateColor(uint32_t clr, int32_t /*hPal: there are no palettes to look in*/) {
  uint32_t rgb = 0;
  switch (clr >> 24) {
    case 0x00:  // an RGB value
      rgb = clr;
      break;
    case 0x02:  // an RGB value to be matched in the palette: the value itself
      rgb = clr & 0xFFFFFFu;
      break;
    case 0x80:  // a system colour by index
      if ((clr & 0xFFFFFFu) > kLastSysColor) {
        Raise(kEInvalidArg, std::u16string(kComponentName) + u".GUtility", StandardErrorText(rt::kInvalidCall));
      }
      rgb = CurrentPlatform().SysColor(static_cast<int32_t>(clr & 0xFFu));
      break;
    default:  // a palette index, or no colour form at all
      Raise(kEInvalidArg, std::u16string(kComponentName) + u".GUtility", StandardErrorText(rt::kInvalidCall));
  }
  return static_cast<int32_t>(rgb);
}

}  // namespace vellora2
