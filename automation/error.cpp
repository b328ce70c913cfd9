#include "vellora2/automation/error.hpp"

#include <array>
#include <utility>

#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

struct StandardText {
  int32_t number;
  const char16_t* text;
};

// The runtime's own wording, which hosts show to users and sometimes compare.
constexpr std::array kStandardTexts{
    StandardText{3, u"Return without GoSub"},
    StandardText{5, u"Invalid procedure call or argument"},
    StandardText{6, u"Overflow"},
    StandardText{7, u"Out of memory"},
    StandardText{9, u"Subscript out of range"},
    StandardText{10, u"This array is fixed or temporarily locked"},
    StandardText{11, u"Division by zero"},
    StandardText{13, u"Type mismatch"},
    StandardText{14, u"Out of string space"},
    StandardText{16, u"Expression too complex"},
    StandardText{17, u"Can't perform requested operation"},
    StandardText{18, u"User interrupt occurred"},
    StandardText{20, u"Resume without error"},
    StandardText{28, u"Out of stack space"},
    StandardText{35, u"Sub or Function not defined"},
    StandardText{47, u"Too many DLL application clients"},
    StandardText{48, u"Error in loading DLL"},
    StandardText{49, u"Bad DLL calling convention"},
    StandardText{51, u"Internal error"},
    StandardText{52, u"Bad file name or number"},
    StandardText{53, u"File not found"},
    StandardText{54, u"Bad file mode"},
    StandardText{55, u"File already open"},
    StandardText{57, u"Device I/O error"},
    StandardText{58, u"File already exists"},
    StandardText{59, u"Bad record length"},
    StandardText{61, u"Disk full"},
    StandardText{62, u"Input past end of file"},
    StandardText{63, u"Bad record number"},
    StandardText{67, u"Too many files"},
    StandardText{68, u"Device unavailable"},
    StandardText{70, u"Permission denied"},
    StandardText{71, u"Disk not ready"},
    StandardText{74, u"Can't rename with different drive"},
    StandardText{75, u"Path/File access error"},
    StandardText{76, u"Path not found"},
    StandardText{91, u"Object variable or With block variable not set"},
    StandardText{92, u"For loop not initialized"},
    StandardText{93, u"Invalid pattern string"},
    StandardText{94, u"Invalid use of Null"},
    StandardText{380, u"Invalid property value"},
    StandardText{381, u"Invalid property array index"},
    StandardText{423, u"Property or method not found"},
    StandardText{424, u"Object required"},
    StandardText{429, u"ActiveX component can't create object"},
    StandardText{438, u"Object doesn't support this property or method"},
    StandardText{440, u"Automation error"},
    StandardText{445, u"Object doesn't support this action"},
    StandardText{449, u"Argument not optional"},
    StandardText{450, u"Wrong number of arguments or invalid property assignment"},
    StandardText{451, u"Property let procedure not defined and property get procedure did not return an object"},
};

}  // namespace

std::u16string StandardErrorText(int32_t number) {
  for (const auto& entry : kStandardTexts) {
    if (entry.number == number) return entry.text;
  }
  return u"Application-defined or object-defined error";
}

AutomationError::AutomationError(int32_t number, std::u16string source, std::u16string description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {
  if (description_.empty()) description_ = StandardErrorText(number_);
  UpdateWhat();
}

void AutomationError::AppendSource(std::u16string_view frame) {
  source_.append(frame);
  UpdateWhat();
}

void AutomationError::set_description(std::u16string description) {
  description_ = std::move(description);
  UpdateWhat();
}

const char* AutomationError::what() const noexcept { return what_.c_str(); }

void AutomationError::UpdateWhat() {
  what_ = ToUtf8(description_) + " (" + std::to_string(number_) + ")";
  if (!source_.empty()) what_ += " [" + ToUtf8(source_) + "]";
}

void Raise(int32_t number, std::u16string source, std::u16string description) {
  throw AutomationError(number, std::move(source), std::move(description));
}

}  // namespace vellora2
