// How the engine fails: an AutomationError with an STG_E number.
#pragma once

#include <cstdint>
#include <string_view>

namespace vellora2::compound {

inline constexpr std::u16string_view kErrorSource = u"Vellora2.Storage";

[[noreturn]] void Fail(int32_t code, std::string_view description);
// A failed system call: errno mapped to the STG_E code a host expects
// (ENOSPC is STG_E_MEDIUMFULL, EACCES STG_E_ACCESSDENIED, ...). `writing`
// chooses between STG_E_WRITEFAULT and STG_E_READFAULT for plain I/O errors.
[[noreturn]] void FailErrno(int err, std::string_view what, bool writing);
// A damaged file: STG_E_DOCFILECORRUPT, "the document is damaged: WHAT".
[[noreturn]] void FailCorrupt(std::string_view what);

}  // namespace vellora2::compound
