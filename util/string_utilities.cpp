// GUtility's character access, conversions and Variant helpers.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

// The 0-based offset of 1-based `pos` in `s`. Direct access outside the string
// would touch memory that is not the string's, so such positions are refused.
size_t CheckedOffset(std::u16string_view s, int64_t pos) {
  if (pos < 1 || pos > static_cast<int64_t>(s.size())) RaiseUtilityError(rt::kInvalidCall);
  return static_cast<size_t>(pos - 1);
}

bool IsNumber(const Variant& v) {
  return v.get_if<bool>() || v.get_if<uint8_t>() || v.get_if<int16_t>() || v.get_if<int32_t>() ||
         v.get_if<float>() || v.get_if<double>() || v.get_if<Date>();
}

// The runtime's "=" between two Variants, taken as a plain yes or no: Null equals
// nothing; Empty counts as 0 beside a number and as "" beside a string; numbers of
// any subtype compare by value; strings compare binary; a number never equals a
// string (the runtime orders numbers before strings). Objects are equal when they
// are the same object. Arrays cannot be compared.
bool VariantEquals(const Variant& a, const Variant& b) {
  if (a.IsArray() || b.IsArray()) RaiseUtilityError(rt::kTypeMismatch);
  if (a.IsNull() || b.IsNull()) return false;
  if (a.IsObject() || b.IsObject()) return a.IsObject() && b.IsObject() && a.ToObject() == b.ToObject();
  if (a.IsEmpty() && b.IsEmpty()) return true;
  if (a.IsString() || b.IsString()) {
    if (!(a.IsString() || a.IsEmpty()) || !(b.IsString() || b.IsEmpty())) return false;
    return a.ToString() == b.ToString();
  }
  if ((IsNumber(a) || a.IsEmpty()) && (IsNumber(b) || b.IsEmpty())) return a.ToDouble() == b.ToDouble();
  // What is left involves the Error subtype, which only equals the same code.
  return a == b;
}

}  // namespace

int16_t GUtility::CharFromStr(const std::u16string& sTarget, int32_t iPos) {
  return static_cast<int16_t>(sTarget[CheckedOffset(sTarget, iPos)]);
}

void GUtility::CharToStr(std::u16string& sTarget, int16_t ch, int32_t iPos) {
  sTarget[CheckedOffset(sTarget, iPos)] = static_cast<char16_t>(ch);
}

void GUtility::InsertChar(std::u16string& sTarget, std::u16string_view sChar, int16_t iPos) {
  const size_t at = CheckedOffset(sTarget, iPos);
  if (!sChar.empty()) sTarget[at] = sChar.front();
}

bool GUtility::Among(const Variant& vTarget, std::span<const Variant> args) {
  for (const Variant& arg : args) {
    if (VariantEquals(vTarget, arg)) return true;
  }
  return false;
}

bool GUtility::Among(const Variant& vTarget, std::initializer_list<Variant> args) {
  return Among(vTarget, std::span<const Variant>(args.begin(), args.size()));
}

void GUtility::CollectionReplace(Collection& n, const Variant& vIndex, const Variant& vVal) {
  if (const auto* key = vIndex.get_if<std::u16string>()) {
    n.Remove(*key);
    n.Add(vVal, *key);
    return;
  }
  const int32_t index = vIndex.ToLong();
  n.Add(vVal, std::nullopt, index);
  n.Remove(index + 1);
}

std::string GUtility::StrToStrB(std::u16string_view s) { return ToAnsi(s); }

std::u16string GUtility::StrBToStr(std::string_view s) { return FromAnsi(s); }

std::u16string GUtility::StrZToStr(std::u16string_view s) { return std::u16string(s.substr(0, s.find(u'\0'))); }

std::u16string GUtility::PointerToString(std::uintptr_t p, std::size_t cbMax) {
  if (p == 0) return {};
  // The caller hands over an address as a number: the cast is the point.
  const char* bytes = reinterpret_cast<const char*>(p);  // NOLINT(performance-no-int-to-ptr)
  const void* nul = std::memchr(bytes, 0, cbMax);
  const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : cbMax;
  return FromAnsi(std::string_view(bytes, length));
}

std::uintptr_t GUtility::StringToPointer(const std::u16string& s) { return reinterpret_cast<std::uintptr_t>(s.data()); }

}  // namespace vellora2
