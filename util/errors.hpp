// The utility classes' error helpers. Every error a utility raises goes through
// RaiseUtilityError, so the source and description follow one convention; failed
// operating-system calls go to the silent hook RaiseApiError.
#pragma once

#include <cstdint>
#include <string>

namespace vellora2 {

// The name the library gives itself in error sources. It is fixed rather than
// read from the file the code runs in: linked statically, that file is the host's
// executable, and hosts match sources against the library's name.
inline constexpr char16_t kComponentName[] = u"Vellora2";

// Raises error `number`.
// - number <= 1000 (the runtime's own numbers): the standard description and the
//   source "Vellora2.VBError".
// - number > 1000: the source "Vellora2.<section>", where the section is the one
//   of (number / 10) * 10, and the library's description of the number (see
//   UtilityErrorSection and UtilityErrorText).
[[noreturn]] void RaiseUtilityError(int32_t number);

// The section name of the utility numbers from `base` to base + 9 ("Utility" for
// 13000..13009); "VBError" for a range the library has no section for.
std::u16string UtilityErrorSection(int32_t base);
// The library's description of a number above 1000; the runtime's generic text
// for a number it has none for.
std::u16string UtilityErrorText(int32_t number);

// The hook for a failed operating-system call, given the platform's error code.
// It reports nothing: the callers go on with an empty or partial result, which is
// how the path functions are meant to degrade.
void RaiseApiError(int32_t code);
// Calls RaiseApiError when `code` is not 0.
void RaiseApiErrorIf(int32_t code);

}  // namespace vellora2
