#include "python/convert.hpp"

#include <pybind11/eval.h>
#include <pybind11/stl.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "vellora2/automation/date.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/elements/picture.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::python {
namespace {

// Owned by the module for the life of the process: the interpreter may be
// finalising when the last reference would otherwise be dropped.
PyObject* g_error_type = nullptr;

thread_local CallbackScope* g_current_scope = nullptr;
thread_local std::vector<std::shared_ptr<void>> g_kept_to_the_end;

constexpr double kMicrosecondsPerDay = 86400.0 * 1e6;

Variant DateFromPython(py::handle value) {
  DateParts parts;
  parts.year = value.attr("year").cast<int>();
  parts.month = value.attr("month").cast<int>();
  parts.day = value.attr("day").cast<int>();
  parts.hour = value.attr("hour").cast<int>();
  parts.minute = value.attr("minute").cast<int>();
  parts.second = value.attr("second").cast<int>();
  const auto date = DateFromParts(parts);
  if (!date) throw py::value_error("the date lies outside the years 100 to 9999");
  // Microseconds belong to the time of day, which runs forward even before 1899.
  const double fraction = value.attr("microsecond").cast<int>() / kMicrosecondsPerDay;
  return Date{date->value < 0 ? date->value - fraction : date->value + fraction};
}

py::object DateToPython(Date value) {
  const DateParts parts = PartsFromDate(value);
  const auto datetime = py::module_::import("datetime").attr("datetime");
  return datetime(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
}

template <typename T>
py::list ListOf(const Array<T>& values) {
  py::list out;
  for (const auto& v : values) {
    if constexpr (std::is_same_v<T, Variant>) {
      out.append(FromVariant(v));
    } else {
      out.append(py::cast(v));
    }
  }
  return out;
}

}  // namespace

ByteArray ToByteArray(py::handle value) {
  if (!py::isinstance<py::bytes>(value) && !py::isinstance<py::bytearray>(value) &&
      !py::isinstance<py::memoryview>(value)) {
    throw py::type_error("expected bytes, bytearray or memoryview, got " +
                         py::str(py::type::of(value).attr("__name__")).cast<std::string>());
  }
  const auto copy = py::reinterpret_steal<py::bytes>(PyBytes_FromObject(value.ptr()));
  if (!copy) throw py::error_already_set();
  const std::string bytes = copy.cast<std::string>();
  return ByteArray(0, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

py::bytes FromByteArray(const ByteArray& value) {
  const auto& data = value.data();
  return py::bytes(reinterpret_cast<const char*>(data.data()), data.size());
}

py::bytes Bytes(std::string_view bytes) { return py::bytes(bytes.data(), bytes.size()); }

Variant ToVariant(py::handle value) {
  if (value.is_none()) return Variant();
  if (py::isinstance<Variant>(value)) return value.cast<Variant>();
  if (py::isinstance<py::bool_>(value)) return Variant(value.cast<bool>());
  if (py::isinstance<py::int_>(value)) {
    const auto number = value.cast<py::int_>();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow == 0 && n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
      return Variant(static_cast<int32_t>(n));
    }
    return Variant(number.cast<double>());
  }
  if (py::isinstance<py::float_>(value)) return Variant(value.cast<double>());
  if (py::isinstance<py::str>(value)) return Variant(value.cast<std::u16string>());
  if (py::isinstance<py::bytes>(value) || py::isinstance<py::bytearray>(value)) return Variant(ToByteArray(value));
  if (py::isinstance<Picture>(value)) {
    return Variant(std::static_pointer_cast<Object>(value.cast<std::shared_ptr<Picture>>()));
  }
  if (py::isinstance(value, py::module_::import("datetime").attr("datetime"))) return DateFromPython(value);
  if (py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value)) {
    std::vector<Variant> items;
    for (auto item : value) items.push_back(ToVariant(item));
    return Variant(VariantArray(0, std::move(items)));
  }
  throw py::type_error("cannot pass a value of type " +
                       py::str(py::type::of(value).attr("__name__")).cast<std::string>() +
                       " as an Automation value");
}

py::object FromVariant(const Variant& value) {
  return std::visit(
      [&](const auto& v) -> py::object {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return py::none();
        } else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                             std::is_same_v<T, int32_t> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
                             std::is_same_v<T, std::u16string>) {
          return py::cast(v);
        } else if constexpr (std::is_same_v<T, Date>) {
          return DateToPython(v);
        } else if constexpr (std::is_same_v<T, std::shared_ptr<Object>>) {
          if (auto picture = std::dynamic_pointer_cast<Picture>(v)) return py::cast(picture);
          return py::cast(value);
        } else if constexpr (std::is_same_v<T, std::shared_ptr<AnyArray>>) {
          return std::visit(
              [](const auto& array) -> py::object {
                using A = std::decay_t<decltype(array)>;
                if constexpr (std::is_same_v<A, ByteArray>) {
                  return FromByteArray(array);
                } else {
                  return ListOf(array);
                }
              },
              *v);
        } else {
          return py::cast(value);  // Null and Error keep their subtype
        }
      },
      value.value());
}

void RegisterErrors(py::module_& m) {
  py::dict scope;
  scope["__builtins__"] = py::module_::import("builtins");
  py::exec(R"(
class AutomationError(Exception):
    """A failure of the library: the number, source and description that an
    Automation client reads from its error object. `byref` holds the values of
    by-reference arguments that the failing member changed, or None."""

    def __init__(self, number, source="", description="", byref=None):
        super().__init__(number, source, description)
        self.number = number
        self.source = source
        self.description = description
        self.byref = byref

    def __str__(self):
        return f"{self.description} ({self.number}) [{self.source}]"
)",
           scope);
  py::object type = scope["AutomationError"];
  type.attr("__module__") = "vellora2";
  m.attr("AutomationError") = type;
  g_error_type = type.inc_ref().ptr();

  // The translator's type takes the exception by value.
  py::register_exception_translator([](std::exception_ptr p) {  // NOLINT(performance-unnecessary-value-param)
    auto raise = [](const AutomationError& e, const py::object& byref) {
      py::object instance =
          py::reinterpret_borrow<py::object>(g_error_type)(e.number(), e.source(), e.description(), byref);
      PyErr_SetObject(g_error_type, instance.ptr());
    };
    try {
      if (p) std::rethrow_exception(p);
    } catch (const ErrorWithByRef& e) {
      raise(e.error, e.byref);
    } catch (const AutomationError& e) {
      raise(e, py::none());
    }
  });
}

CallbackScope::CallbackScope() : previous_(g_current_scope) { g_current_scope = this; }

CallbackScope::~CallbackScope() {
  g_current_scope = previous_;
  if (previous_ == nullptr) std::exchange(g_kept_to_the_end, {}).clear();
}

void CallbackScope::KeepToTheEnd(std::shared_ptr<void> object) {
  if (g_current_scope != nullptr) g_kept_to_the_end.push_back(std::move(object));
}

void CallbackScope::RethrowPending() {
  if (!pending_) return;
  py::error_already_set pending = std::move(*pending_);
  pending_.reset();
  throw pending;
}

void CallbackScope::ThrowIntoLibrary(py::error_already_set& e) {
  if (e.matches(g_error_type)) {
    // The script speaks the library's language: the error travels on as its own,
    // and gathers the frames of the members it passes through.
    try {
      const py::object& error = e.value();
      const auto number = error.attr("number").cast<int32_t>();
      const auto source = py::str(error.attr("source")).cast<std::u16string>();
      const auto description = py::str(error.attr("description")).cast<std::u16string>();
      throw AutomationError(number, source, description);
    } catch (const py::error_already_set&) {
      // Attributes that are not a number and two texts: keep the script's exception.
    } catch (const py::cast_error&) {
    }
  }
  const std::u16string text = py::str(e.value()).cast<std::u16string>();
  if (g_current_scope != nullptr && !g_current_scope->pending_) g_current_scope->pending_ = std::move(e);
  throw AutomationError(ioCancel, u"Python", text.empty() ? u"The script's callback raised an exception." : text);
}

Variant PyObjectAdapter::GetProperty(std::u16string_view name) const {
  const std::string key = ToUtf8(name);
  Variant result;
  CallbackScope::Invoke([&] {
    // getattr rather than hasattr, which would take a failing property's own
    // exception for a missing member.
    py::object value;
    try {
      value = target_.attr(key.c_str());
    } catch (py::error_already_set& e) {
      if (!e.matches(PyExc_AttributeError)) throw;
      Raise(rt::kNoSuchMember);
    }
    result = ToVariant(value);
  });
  return result;
}

void PyObjectAdapter::SetProperty(std::u16string_view name, const Variant& value) {
  const std::string key = ToUtf8(name);
  CallbackScope::Invoke([&] {
    if (!py::hasattr(target_, key.c_str())) Raise(rt::kNoSuchMember);
    target_.attr(key.c_str()) = FromVariant(value);
  });
}

std::vector<Variant> PyObjectAdapter::Items() const {
  std::vector<Variant> items;
  CallbackScope::Invoke([&] {
    if (!py::isinstance<py::iterable>(target_)) Raise(rt::kNoSuchMember);
    for (auto item : target_) {
      try {
        items.push_back(ToVariant(item));
      } catch (const py::type_error&) {
        const auto object = std::make_shared<PyObjectAdapter>(py::reinterpret_borrow<py::object>(item));
        items.emplace_back(std::static_pointer_cast<Object>(object));
      }
    }
  });
  return items;
}

}  // namespace vellora2::python
