// The Automation Variant: a value that knows its subtype. The subtype matters to
// callers (a stream reads as many bytes as the subtype takes; a list of names is
// Empty when there are none), so conversions never change it silently.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "vellora2/automation/array.hpp"
#include "vellora2/automation/date.hpp"

namespace vellora2 {

class Object;
class Variant;

// The runtime's subtype numbers (what VarType reports); an array adds kArray to
// the subtype of its elements.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,
  Long = 3,
  Single = 4,
  Double = 5,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,
  Boolean = 11,
  Variant = 12,
  Byte = 17,
};
inline constexpr uint16_t kArray = 0x2000;

struct Null {
  friend bool operator==(Null, Null) { return true; }
};
// The Error subtype: an SCODE carried as a value (a missing optional argument is
// Error 0x80020004).
struct ErrorValue {
  int32_t scode = 0;
  friend bool operator==(ErrorValue a, ErrorValue b) { return a.scode == b.scode; }
};
inline constexpr int32_t kParamNotFound = static_cast<int32_t>(0x80020004);

using VariantArray = Array<Variant>;
using StringArray = Array<std::u16string>;
using LongArray = Array<int32_t>;
using IntegerArray = Array<int16_t>;
using DoubleArray = Array<double>;

// The arrays a Variant can carry, by element subtype.
using AnyArray = std::variant<VariantArray, StringArray, ByteArray, IntegerArray, LongArray, DoubleArray>;

class Variant {
 public:
  using Value = std::variant<std::monostate, Null, bool, uint8_t, int16_t, int32_t, float, double, Date, std::u16string,
                             std::shared_ptr<Object>, ErrorValue, std::shared_ptr<AnyArray>>;

  Variant() = default;
  Variant(Null v) : value_(v) {}
  Variant(bool v) : value_(v) {}
  Variant(uint8_t v) : value_(v) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(float v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(Date v) : value_(v) {}
  Variant(std::u16string v) : value_(std::move(v)) {}
  Variant(std::u16string_view v) : value_(std::u16string(v)) {}
  Variant(const char16_t* v) : value_(std::u16string(v)) {}
  Variant(std::shared_ptr<Object> v) : value_(std::move(v)) {}
  Variant(ErrorValue v) : value_(v) {}
  template <typename T>
  Variant(Array<T> a) : value_(std::make_shared<AnyArray>(std::move(a))) {}

  // Subtype queries.
  VarType type() const;          // element subtype for arrays
  uint16_t vartype() const;      // as VarType() reports it: kArray | element subtype for arrays
  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsNull() const { return std::holds_alternative<Null>(value_); }
  bool IsArray() const { return std::holds_alternative<std::shared_ptr<AnyArray>>(value_); }
  bool IsObject() const { return std::holds_alternative<std::shared_ptr<Object>>(value_); }
  bool IsString() const { return std::holds_alternative<std::u16string>(value_); }
  bool IsNumeric() const;  // as the runtime's IsNumeric: numbers, Empty, and strings that parse
  bool IsMissing() const;  // an omitted optional argument

  // Direct access; the pointer is null when the Variant holds another subtype.
  template <typename T>
  const T* get_if() const { return std::get_if<T>(&value_); }
  template <typename T>
  T* get_if() { return std::get_if<T>(&value_); }
  const Value& value() const { return value_; }

  // The array, if the Variant holds one of element type T.
  template <typename T>
  const Array<T>* array_if() const {
    const auto* a = std::get_if<std::shared_ptr<AnyArray>>(&value_);
    return a ? std::get_if<Array<T>>(a->get()) : nullptr;
  }
  template <typename T>
  Array<T>* array_if() {
    auto* a = std::get_if<std::shared_ptr<AnyArray>>(&value_);
    if (!a) return nullptr;
    if (a->use_count() > 1) *a = std::make_shared<AnyArray>(**a);  // copy on write: arrays are values
    return std::get_if<Array<T>>(a->get());
  }
  const AnyArray* any_array() const {
    const auto* a = std::get_if<std::shared_ptr<AnyArray>>(&value_);
    return a ? a->get() : nullptr;
  }

  // The runtime's conversions (CBool, CByte, CInt, CLng, CSng, CDbl, CDate, CStr).
  // Integral targets round halves to even; out of range raises 6 (overflow); a
  // value of another kind raises 13 (type mismatch); Null raises 94.
  bool ToBool() const;
  uint8_t ToByte() const;
  int16_t ToInteger() const;
  int32_t ToLong() const;
  float ToSingle() const;
  double ToDouble() const;
  Date ToDate() const;
  std::u16string ToString() const;
  std::shared_ptr<Object> ToObject() const;  // 424 when not an object

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  Value value_;
};

// Arithmetic as the runtime does it for `+` on two Variants: numbers add (the
// result widens rather than overflow), strings concatenate, Empty counts as 0 or "".
Variant Add(const Variant& a, const Variant& b);

// Number parsing and formatting shared by the conversions and the utilities.
// ParseNumber accepts leading and trailing spaces, a sign, digits with one point,
// an exponent, and &H / &O prefixes; it fails (false) on anything else.
bool ParseNumber(std::u16string_view text, double& out);
std::u16string FormatDouble(double value);  // 15 significant digits, as CStr
std::u16string FormatSingle(float value);   // 7 significant digits
std::u16string FormatDate(Date value);      // m/d/yyyy h:mm:ss AM, parts omitted as CStr does
// Round half to even, as CLng and CInt round.
double RoundHalfEven(double value);

}  // namespace vellora2
