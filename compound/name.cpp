#include "compound/name.hpp"

#include "compound/errors.hpp"
#include "compound/format.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

void ValidateName(std::u16string_view name) {
  if (name.empty()) Fail(STG_E_INVALIDNAME, "an element name cannot be empty");
  if (name.size() > kMaxNameChars) Fail(STG_E_INVALIDNAME, "element names are limited to 31 characters");
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == 0) {
      Fail(STG_E_INVALIDNAME, "element names cannot contain / \\ : ! or NUL");
    }
  }
}

char16_t UpperUnit(char16_t c) {
  const auto minus = [c](int d) { return static_cast<char16_t>(c - d); };
  if (c < 0x80) return c >= u'a' && c <= u'z' ? minus(0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return minus(0x20);
  if (c == 0xFF) return 0x178;
  if (c == 0xB5) return 0x39C;
  // Latin Extended-A pairs capital/small as even/odd, with a shift of one in the
  // runs 0x139-0x148 and 0x179-0x17E; 0x130, 0x131, 0x138 and 0x149 have no pair here.
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return (c & 1) ? minus(1) : c;
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : minus(1);
  if (c == 0x17F) return u'S';
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return minus(0x20);
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3AC && c <= 0x3AF) return c == 0x3AC ? 0x386 : minus(0x25);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return minus(0x3F);
  if (c >= 0x430 && c <= 0x44F) return minus(0x20);
  if (c >= 0x450 && c <= 0x45F) return minus(0x50);
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) {
    return (c & 1) ? minus(1) : c;
  }
  if (c >= 0x561 && c <= 0x586) return minus(0x30);
  if (c >= 0xFF41 && c <= 0xFF5A) return minus(0x20);
  return c;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = UpperUnit(a[i]);
    const char16_t y = UpperUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace vellora2::compound
