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

// A Python exception raised by a script's callback while the library runs. The
// library sees an ordinary AutomationError (so it cleans up as for any failure)
// and, once the library call returns, the script gets its own exception back.
class CallbackScope {
 public:
  CallbackScope();
  CallbackScope(const CallbackScope&) = delete;
  CallbackScope& operator=(const CallbackScope&) = delete;
  ~CallbackScope();

  // Runs `body` (a library call) and rethrows a pending callback exception,
  // which takes precedence over the AutomationError it caused.
  template <typename Body>
  static decltype(auto) Run(Body&& body) {
    CallbackScope scope;
    try {
      if constexpr (std::is_void_v<decltype(body())>) {
        body();
        scope.RethrowPending();
      } else {
        decltype(auto) result = body();
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
  Variant GetProperty(std::u16string_view name) const override;
  void SetProperty(std::u16string_view name, const Variant& value) override;
  // The items of an iterable: values Python and the library share stay values,
  // anything else becomes an object of its own (an option button of a group).
  std::vector<Variant> Items() const override;

 private:
  py::object target_;
};

}  // namespace vellora2::python
