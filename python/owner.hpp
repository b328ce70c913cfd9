// Objects that belong to the thread that made them. The library keeps the open
// document per thread, so a CVellora or an element object called from another
// Python thread would work on that thread's document, and destroying a CVellora
// there would close it. So every call checks the calling thread, and a last
// reference dropped on another thread leaves the object to be destroyed when
// its own thread ends.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>

namespace vellora2::python {

namespace py = pybind11;

// The calling thread's number: unlike std::thread::id, never given to a later thread.
uint64_t ThreadToken();

// The deleter of a thread-bound object's Python holder: it owns one reference to
// the object and drops it on the owning thread, at once or when that thread ends.
class OwnerRelease {
 public:
  OwnerRelease(uint64_t owner, std::shared_ptr<void> reference);
  void operator()(const void* /*object*/);
  uint64_t owner() const { return owner_; }

 private:
  uint64_t owner_;
  std::shared_ptr<void> reference_;
};

// Makes sure the calling thread releases, when it ends, what other threads left to it.
void ReleaseAtThreadExit();

// `object` bound to the calling thread; an object bound already keeps its thread.
template <typename T>
std::shared_ptr<T> Adopt(std::shared_ptr<T> object) {
  if (!object || std::get_deleter<OwnerRelease>(object) != nullptr) return object;
  ReleaseAtThreadExit();
  T* raw = object.get();
  return std::shared_ptr<T>(raw, OwnerRelease(ThreadToken(), std::move(object)));
}

// The AutomationError for a call from the wrong thread, naming the class.
[[noreturn]] void RaiseWrongThread(const py::handle& type);

// Whether `holder` may be used from the calling thread.
template <typename T>
bool OnOwnerThread(const std::shared_ptr<T>& holder) {
  const auto* release = std::get_deleter<OwnerRelease>(holder);
  return release == nullptr || release->owner() == ThreadToken();
}

// `self`, once the calling thread is known to be its own.
template <typename T>
T& Owned(const std::shared_ptr<T>& self) {
  if (!OnOwnerThread(self)) RaiseWrongThread(py::type::of<T>());
  return *self;
}

namespace detail {

template <typename T, typename F, typename R, typename First, typename... A>
auto CheckedCallable(F f, R (*)(First, A...)) {
  using Self = std::remove_cvref_t<First>;
  if constexpr (std::is_same_v<Self, T>) {
    return [f = std::move(f)](const std::shared_ptr<T>& self, A... a) -> R { return f(Owned(self), std::forward<A>(a)...); };
  } else if constexpr (std::is_same_v<Self, std::shared_ptr<T>>) {
    return [f = std::move(f)](const std::shared_ptr<T>& self, A... a) -> R {
      Owned(self);
      return f(self, std::forward<A>(a)...);
    };
  } else {
    return f;  // does not touch the object (the with statement's __enter__)
  }
}

}  // namespace detail

// `f` (a member function or a function whose first parameter is the object)
// with the thread check in front of it.
template <typename T, typename R, typename C, typename... A>
auto Checked(R (C::*f)(A...)) {
  return [f](const std::shared_ptr<T>& self, A... a) -> R { return (Owned(self).*f)(std::forward<A>(a)...); };
}
template <typename T, typename R, typename C, typename... A>
auto Checked(R (C::*f)(A...) const) {
  return [f](const std::shared_ptr<T>& self, A... a) -> R { return (Owned(self).*f)(std::forward<A>(a)...); };
}
template <typename T, typename F>
  requires(!std::is_member_function_pointer_v<std::decay_t<F>>)
auto Checked(F&& f) {
  using Signature = py::detail::function_signature_t<std::decay_t<F>>;
  return detail::CheckedCallable<T>(std::decay_t<F>(std::forward<F>(f)), static_cast<Signature*>(nullptr));
}

// py::class_ for a thread-bound class: every method and property is checked.
template <typename T>
class BoundClass : public py::class_<T, std::shared_ptr<T>> {
 public:
  using Base = py::class_<T, std::shared_ptr<T>>;
  using Base::Base;

  template <typename... Ts, typename... Extra>
  BoundClass& def(py::detail::initimpl::factory<Ts...>&& init, const Extra&... extra) {
    Base::def(std::move(init), extra...);
    return *this;
  }
  template <typename F, typename... Extra>
  BoundClass& def(const char* name, F&& f, const Extra&... extra) {
    Base::def(name, Checked<T>(std::forward<F>(f)), extra...);
    return *this;
  }
  template <typename G, typename... Extra>
  BoundClass& def_property_readonly(const char* name, G&& get, const Extra&... extra) {
    Base::def_property_readonly(name, Checked<T>(std::forward<G>(get)), extra...);
    return *this;
  }
  template <typename G, typename S, typename... Extra>
  BoundClass& def_property(const char* name, G&& get, S&& set, const Extra&... extra) {
    Base::def_property(name, Checked<T>(std::forward<G>(get)), Checked<T>(std::forward<S>(set)), extra...);
    return *this;
  }
};

}  // namespace vellora2::python
