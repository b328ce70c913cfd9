// What the Python module shares between its files: conversions between Python
// values and Automation values, the AutomationError exception, and the way a
// Python exception raised inside a callback travels through the library.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vellora2/automation/array.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/object.hpp"
#include "vellora2/automation/variant.hpp"

// Strings arrive as str; wherever one is taken, an os.PathLike whose path is a
// str (pathlib.Path) is taken too, as Python's own file functions take them.
// Declared here, before any binding, so that every file of the module uses it.
namespace pybind11::detail {
template <typename StringType, bool IsView>
struct path_like_caster : string_caster<StringType, IsView> {
  bool load(handle src, bool convert) {
    if (string_caster<StringType, IsView>::load(src, convert)) return true;
    if (!convert || PyUnicode_Check(src.ptr()) || !PyObject_HasAttrString(src.ptr(), "__fspath__")) return false;
    auto path = reinterpret_steal<object>(PyOS_FSPath(src.ptr()));
    if (!path) throw error_already_set();
    if (!PyUnicode_Check(path.ptr())) return false;
    // A view keeps the converted text alive itself; the str may go.
    return string_caster<StringType, IsView>::load(path, convert);
  }
};
template <>
struct type_caster<std::u16string> : path_like_caster<std::u16string, false> {};
template <>
struct type_caster<std::u16string_view> : path_like_caster<std::u16string_view, true> {};
}  // namespace pybind11::detail

namespace vellora2::python {

namespace py = pybind11;

// None is Empty, bool Boolean, int Long (Double past 32 bits), float Double,
// str String, bytes and bytearray a Byte array from 0, datetime Date, list and
// tuple a Variant array from 0, Picture an Object, Variant itself. Anything
// else raises TypeError.
Variant ToVariant(py::handle value);
// The reverse; subtypes Python has no value for (Null, Error, other objects)
// come back as Variant objects so that nothing is lost.
py::object FromVariant(const Variant& value);

ByteArray ToByteArray(py::handle value);  // bytes, bytearray or memoryview
py::bytes FromByteArray(const ByteArray& value);
py::bytes Bytes(std::string_view bytes);

// An AutomationError whose by-reference arguments the caller should still see
// (Import sets FileLocation to the full path before it raises 53): the Python
// exception carries them in its `byref` attribute.
struct ErrorWithByRef {
  AutomationError error;
  py::tuple byref;
};

// Creates vellora2.AutomationError and registers the translation of C++ errors.
void RegisterErrors(py::module_& m);

// Runs `body`, a library call that reads or writes files, shows a dialog or
// waits, with the GIL released, so that the script's other threads run
// meanwhile. Whatever the library calls back in Python takes the GIL again
// (CallbackScope::Invoke, the event sinks, PyObjectAdapter).
template <typename Body>
decltype(auto) WithoutGil(Body&& body) {
  const py::gil_scoped_release release;
  return body();
}

// Drops the references of `objects`, taking the GIL for it: the library may let
// go of a script's object on its own, without the GIL. After the interpreter
// has finished (objects the process's exit destroys) the references are left
// as they are, since Python can no longer take them.
template <typename... Objects>
void DropWithGil(Objects&... objects) {
  if (Py_IsInitialized() == 0) {
    (objects.release(), ...);
    return;
  }
  const py::gil_scoped_acquire gil;
  ((objects = py::object()), ...);
}

// The member function `f` run by WithoutGil. A bound class checks the calling
// thread first, with the GIL, and then calls this.
template <typename R, typename C, typename... A>
auto WithoutGil(R (C::*f)(A...)) {
  return [f](C& self, A... a) -> R { return WithoutGil([&]() -> R { return (self.*f)(std::forward<A>(a)...); }); };
}

// A Python exception raised by a script's callback while the library runs. The
// library sees an ordinary AutomationError (so it cleans up as for any failure)
// and, once the library call returns, the script gets its own exception back.
class CallbackScope {
 public:
  CallbackScope();
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
  ~CallbackScope();

  // Runs `body` (a library call) without the GIL and rethrows a pending
  // callback exception, which takes precedence over the AutomationError it caused.
  template <typename Body>
  static decltype(auto) Run(Body&& body) {
    CallbackScope scope;
    try {
      if constexpr (std::is_void_v<decltype(body())>) {
        WithoutGil(body);
        scope.RethrowPending();
      } else {
        decltype(auto) result = WithoutGil(body);
        scope.RethrowPending();
        return result;
      }
    } catch (const AutomationError&) {
      scope.RethrowPending();
      throw;
    }
  }

  // Keeps `object` until the outermost running library call on this thread
  // returns (at once when there is none): an event sink that a handler
  // disconnects may still be in the list of sinks the library is raising to.
  static void KeepToTheEnd(std::shared_ptr<void> object);

  // Called by the callback trampolines: runs `call` with the GIL held and turns
  // any Python exception into an AutomationError for the library. A
  // vellora2.AutomationError keeps its number, source and description.
  template <typename Call>
  static void Invoke(Call&& call) {
    const py::gil_scoped_acquire gil;
    try {
      call();
    } catch (py::error_already_set& e) {
      ThrowIntoLibrary(e);
    } catch (py::builtin_exception& e) {
      e.set_error();
      py::error_already_set fetched;
      ThrowIntoLibrary(fetched);
    }
  }

 private:
  [[noreturn]] static void ThrowIntoLibrary(py::error_already_set& e);
  void RethrowPending();

  CallbackScope* previous_;
  std::optional<py::error_already_set> pending_;
};

// A Python object seen as an Automation object: properties are its attributes.
// A missing attribute raises 438, as late binding does.
class PyObjectAdapter : public Object {
 public:
  explicit PyObjectAdapter(py::object target) : target_(std::move(target)) {}
  PyObjectAdapter(const PyObjectAdapter&) = delete;
  PyObjectAdapter& operator=(const PyObjectAdapter&) = delete;
  // The library may drop its last reference without the GIL.
  ~PyObjectAdapter() override { DropWithGil(target_); }
  Variant GetProperty(std::u16string_view name) const override;
  void SetProperty(std::u16string_view name, const Variant& value) override;
  // The items of an iterable: values Python and the library share stay values,
  // anything else becomes an object of its own (an option button of a group).
  std::vector<Variant> Items() const override;

 private:
  py::object target_;
};

}  // namespace vellora2::python
