#include "util/errors.hpp"

#include <array>

#include "vellora2/automation/error.hpp"
#include "vellora2/util/enums.hpp"

namespace vellora2 {
namespace {

struct Text {
  int32_t number;
  const char16_t* text;
};

// Sections group the numbers by tens; each utility class owns one.
constexpr std::array kSections{
    Text{eeBaseUtility, u"Utility"},
    Text{eeBaseBytes, u"Bytes"},
    Text{eeBaseCommonDialog, u"CommonDialog"},
};

constexpr std::array kDescriptions{
    Text{eeBaseUtility, u"Utility error"},
    Text{eeNoMousePointer, u"The object has no MousePointer property"},
    Text{eeNoTrueOption, u"No option button is selected"},
    Text{eeNotOptionArray, u"The object is not an array of option buttons"},
    Text{eeMissingParameter, u"A required argument is missing"},
    Text{eeBaseBytes, u"Byte utility error"},
    Text{eeBaseCommonDialog, u"Common dialog error"},
};

template <size_t N>
const char16_t* Find(const std::array<Text, N>& table, int32_t number) {
  for (const auto& entry : table) {
    if (entry.number == number) return entry.text;
  }
  return nullptr;
}

}  // namespace

std::u16string UtilityErrorSection(int32_t base) {
  const char16_t* section = Find(kSections, base);
  return section ? section : u"VBError";
}

std::u16string UtilityErrorText(int32_t number) {
  const char16_t* text = Find(kDescriptions, number);
  return text ? text : StandardErrorText(number);
}

void RaiseUtilityError(int32_t number) {
  std::u16string source = kComponentName;
  if (number <= 1000) {
    Raise(number, source + u".VBError", StandardErrorText(number));
  }
  Raise(number, source + u"." + UtilityErrorSection(number / 10 * 10), UtilityErrorText(number));
}

void RaiseApiError(int32_t /*code*/) {}

void RaiseApiErrorIf(int32_t code) {
  if (code != 0) RaiseApiError(code);
}

}  // namespace vellora2
