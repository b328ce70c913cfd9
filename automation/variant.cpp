#include "vellora2/automation/variant.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "vellora2/automation/object.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

// The Automation date range: 100-01-01 to 9999-12-31.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.999988426;

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

[[noreturn]] void TypeMismatch() { Raise(rt::kTypeMismatch); }

// The numeric value of anything that has one; Empty is 0, True is -1.
double NumericValue(const Variant::Value& v) {
  return std::visit(
      Overloaded{
          [](std::monostate) { return 0.0; },
          [](Null) -> double { Raise(rt::kInvalidUseOfNull); },
          [](bool b) { return b ? -1.0 : 0.0; },
          [](uint8_t x) { return static_cast<double>(x); },
          [](int16_t x) { return static_cast<double>(x); },
          [](int32_t x) { return static_cast<double>(x); },
          [](float x) { return static_cast<double>(x); },
          [](double x) { return x; },
          [](Date d) { return d.value; },
          [](const std::u16string& s) {
            double out = 0;
            if (!ParseNumber(s, out)) TypeMismatch();
            return out;
          },
          [](const auto&) -> double { TypeMismatch(); },
      },
      v);
}

template <typename T>
T RoundedInRange(double value) {
  if (std::isnan(value)) Raise(rt::kOverflow);
  const double r = RoundHalfEven(value);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) || r > static_cast<double>(std::numeric_limits<T>::max())) {
    Raise(rt::kOverflow);
  }
  return static_cast<T>(r);
}

std::u16string FormatG(double value, int digits) {
  if (value == 0) return u"0";  // also folds -0
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*G", digits, value);
  return U16(buf);
}

bool ParseRadix(std::u16string_view digits, int radix, double& out) {
  if (digits.empty() || digits.size() > (radix == 16 ? 8u : 11u)) return false;
  uint64_t v = 0;
  for (char16_t c : digits) {
    int d = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'a' && c <= u'f' ? c - u'a' + 10 : c >= u'A' && c <= u'F' ? c - u'A' + 10 : 99;
    if (d >= radix) return false;
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
  }
  // Up to four hex digits is an Integer literal, more a Long; both are signed.
  const bool is_short = radix == 16 ? digits.size() <= 4 : v <= 0xFFFF;
  if (is_short) {
    if (v > 0xFFFF) return false;
    out = static_cast<int16_t>(static_cast<uint16_t>(v));
  } else {
    if (v > 0xFFFFFFFFu) return false;
    out = static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  return true;
}

}  // namespace

double RoundHalfEven(double value) { return std::nearbyint(value); }

bool ParseNumber(std::u16string_view text, double& out) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  if (text.size() >= 2 && text[0] == u'&') {
    if (text[1] == u'H' || text[1] == u'h') return ParseRadix(text.substr(2), 16, out);
    if (text[1] == u'O' || text[1] == u'o') return ParseRadix(text.substr(2), 8, out);
    return false;
  }
  std::string ascii;
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(static_cast<char>(text[i++]));
  size_t digits = 0;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ascii.push_back(static_cast<char>(text[i++])), ++digits;
  if (i < text.size() && text[i] == u'.') {
    ascii.push_back('.');
    ++i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ascii.push_back(static_cast<char>(text[i++])), ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    ascii.push_back('e');
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(static_cast<char>(text[i++]));
    size_t exp_digits = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ascii.push_back(static_cast<char>(text[i++])), ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != text.size()) return false;
  out = std::strtod(ascii.c_str(), nullptr);
  return std::isfinite(out);
}

std::u16string FormatDouble(double value) { return FormatG(value, 15); }
std::u16string FormatSingle(float value) { return FormatG(static_cast<double>(value), 7); }

std::u16string FormatDate(Date value) {
  const DateParts p = PartsFromDate(value);
  const bool has_date = !(p.year == 1899 && p.month == 12 && p.day == 30);
  const bool has_time = p.hour != 0 || p.minute != 0 || p.second != 0;
  char buf[64] = "";
  std::string out;
  if (has_date || !has_time) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
    out = buf;
  }
  if (has_time) {
    const int hour12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour12, p.minute, p.second, p.hour < 12 ? "AM" : "PM");
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return U16(out);
}

VarType Variant::type() const {
  return std::visit(
      Overloaded{
          [](std::monostate) { return VarType::Empty; },
          [](Null) { return VarType::Null; },
          [](bool) { return VarType::Boolean; },
          [](uint8_t) { return VarType::Byte; },
          [](int16_t) { return VarType::Integer; },
          [](int32_t) { return VarType::Long; },
          [](float) { return VarType::Single; },
          [](double) { return VarType::Double; },
          [](Date) { return VarType::Date; },
          [](const std::u16string&) { return VarType::String; },
          [](const std::shared_ptr<Object>&) { return VarType::Object; },
          [](ErrorValue) { return VarType::Error; },
          [](const std::shared_ptr<AnyArray>& a) {
            return std::visit(Overloaded{
                                  [](const VariantArray&) { return VarType::Variant; },
                                  [](const StringArray&) { return VarType::String; },
                                  [](const ByteArray&) { return VarType::Byte; },
                                  [](const IntegerArray&) { return VarType::Integer; },
                                  [](const LongArray&) { return VarType::Long; },
                                  [](const DoubleArray&) { return VarType::Double; },
                              },
                              *a);
          },
      },
      value_);
}

uint16_t Variant::vartype() const { return static_cast<uint16_t>(static_cast<uint16_t>(type()) | (IsArray() ? kArray : 0)); }

bool Variant::IsNumeric() const {
  return std::visit(Overloaded{
                        [](std::monostate) { return true; },
                        [](bool) { return true; },
                        [](uint8_t) { return true; },
                        [](int16_t) { return true; },
                        [](int32_t) { return true; },
                        [](float) { return true; },
                        [](double) { return true; },
                        [](const std::u16string& s) {
                          double d = 0;
                          return ParseNumber(s, d);
                        },
                        [](const auto&) { return false; },
                    },
                    value_);
}

bool Variant::IsMissing() const {
  const auto* e = get_if<ErrorValue>();
  return e && e->scode == kParamNotFound;
}

bool Variant::ToBool() const {
  if (const auto* s = get_if<std::u16string>()) {
    const std::u16string upper = ToUpper(*s);
    if (upper == u"TRUE") return true;
    if (upper == u"FALSE") return false;
  }
  return NumericValue(value_) != 0.0;
}

uint8_t Variant::ToByte() const { return RoundedInRange<uint8_t>(NumericValue(value_)); }
int16_t Variant::ToInteger() const { return RoundedInRange<int16_t>(NumericValue(value_)); }
int32_t Variant::ToLong() const { return RoundedInRange<int32_t>(NumericValue(value_)); }

float Variant::ToSingle() const {
  const double d = NumericValue(value_);
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) Raise(rt::kOverflow);
  return static_cast<float>(d);
}

double Variant::ToDouble() const { return NumericValue(value_); }

Date Variant::ToDate() const {
  if (const auto* d = get_if<Date>()) return *d;
  if (const auto* s = get_if<std::u16string>()) {
    // ISO dates and the m/d/yyyy form that FormatDate writes, each with an optional time.
    const std::string a = ToAnsi(*s);
    DateParts p;
    char ampm[3] = "";
    int n = std::sscanf(a.c_str(), "%d-%d-%d %d:%d:%d", &p.year, &p.month, &p.day, &p.hour, &p.minute, &p.second);
    if (n < 3) {
      p = DateParts{};
      n = std::sscanf(a.c_str(), "%d/%d/%d %d:%d:%d %2s", &p.month, &p.day, &p.year, &p.hour, &p.minute, &p.second, ampm);
      if (n == 7 && (ampm[0] == 'P' || ampm[0] == 'p') && p.hour < 12) p.hour += 12;
      if (n == 7 && (ampm[0] == 'A' || ampm[0] == 'a') && p.hour == 12) p.hour = 0;
    }
    if (n >= 3) {
      if (auto d = DateFromParts(p)) return *d;
    }
    TypeMismatch();
  }
  const double d = NumericValue(value_);
  if (!(d >= kMinDate && d <= kMaxDate)) Raise(rt::kOverflow);
  return Date{d};
}

std::u16string Variant::ToString() const {
  return std::visit(
      Overloaded{
          [](std::monostate) { return std::u16string(); },
          [](Null) -> std::u16string { Raise(rt::kInvalidUseOfNull); },
          [](bool b) { return std::u16string(b ? u"True" : u"False"); },
          [](uint8_t x) { return U16(std::to_string(x)); },
          [](int16_t x) { return U16(std::to_string(x)); },
          [](int32_t x) { return U16(std::to_string(x)); },
          [](float x) { return FormatSingle(x); },
          [](double x) { return FormatDouble(x); },
          [](Date d) { return FormatDate(d); },
          [](const std::u16string& s) { return s; },
          [](ErrorValue e) { return u"Error " + U16(std::to_string(e.scode)); },
          [](const auto&) -> std::u16string { TypeMismatch(); },
      },
      value_);
}

std::shared_ptr<Object> Variant::ToObject() const {
  const auto* o = get_if<std::shared_ptr<Object>>();
  if (!o || !*o) Raise(rt::kObjectRequired);
  return *o;
}

bool operator==(const Variant& a, const Variant& b) {
  const auto* x = a.any_array();
  const auto* y = b.any_array();
  if (x || y) return x && y && *x == *y;
  return a.value_ == b.value_;
}

Variant Add(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return Variant(Null{});
  if (a.IsEmpty() && b.IsEmpty()) return Variant(int16_t{0});
  const auto* sa = a.get_if<std::u16string>();
  const auto* sb = b.get_if<std::u16string>();
  if ((sa || a.IsEmpty()) && (sb || b.IsEmpty())) return Variant((sa ? *sa : u"") + (sb ? *sb : u""));
  const double sum = a.ToDouble() + b.ToDouble();
  const auto integral = [](const Variant& v) {
    return v.IsEmpty() || v.get_if<bool>() || v.get_if<uint8_t>() || v.get_if<int16_t>() || v.get_if<int32_t>();
  };
  if (integral(a) && integral(b) && sum >= INT32_MIN && sum <= INT32_MAX) return Variant(static_cast<int32_t>(sum));
  if (a.get_if<Date>() || b.get_if<Date>()) return Variant(Date{sum});
  return Variant(sum);
}

}  // namespace vellora2
