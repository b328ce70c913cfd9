// The functions of vellora2-intl.so, behind the entry point that hands them to
// the library (forms/intl_module.hpp says what each gives).
#pragma once

#include <string>
#include <string_view>

namespace vellora2::forms::intl {

std::u16string LongDate(double date);
std::u16string MediumTime(double date);
std::u16string StandardNumber(double value);
std::u16string RegisteredDescription(std::u16string_view extension);
std::u16string UpperCase(std::u16string_view text);

}  // namespace vellora2::forms::intl
