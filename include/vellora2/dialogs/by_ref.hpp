// An optional argument passed by reference. Given a variable, the call reads it
// and writes its results back into it; given a value (or left to its default),
// the call works on its own copy, just as a by-reference argument that receives
// a literal does in an Automation client. This is what lets an in/out argument
// have a default, which a plain C++ reference cannot.
#pragma once

#include <type_traits>
#include <utility>

namespace vellora2 {

template <typename T>
class ByRef {
 public:
  // The caller's variable: results are written into it.
  ByRef(T& variable) : variable_(&variable) {}  // NOLINT: implicit, like a reference
  // A value of the call's own. Only temporaries and literals convert, so that a
  // variable of another type (an int16_t for an int32_t argument) is refused at
  // compile time instead of silently losing the result.
  template <typename U>
    requires std::is_convertible_v<U&&, T> &&
             (!std::is_lvalue_reference_v<U> || std::is_array_v<std::remove_reference_t<U>>)
  ByRef(U&& value) : own_(std::forward<U>(value)) {}  // NOLINT: implicit on purpose

  ByRef(const ByRef& other) : variable_(other.variable_), own_(other.own_) {}
  ByRef& operator=(const ByRef&) = delete;

  T& get() { return variable_ != nullptr ? *variable_ : own_; }
  T& operator*() { return get(); }
  T* operator->() { return &get(); }

 private:
  T* variable_ = nullptr;
  T own_{};
};

}  // namespace vellora2
