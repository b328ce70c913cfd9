// vellora2.Salvage: what can be read of a damaged compound file.
#include <pybind11/stl.h>

#include "python/convert.hpp"
#include "python/module.hpp"
#include "vellora2/compound/salvage.hpp"

namespace vellora2::python {
namespace {

using namespace pybind11::literals;

// Paths come as str or as any os.PathLike.
std::u16string PathArgument(const py::handle& path) {
  return py::module_::import("os").attr("fspath")(path).cast<std::u16string>();
}

}  // namespace

void BindSalvage(py::module_& m) {
  py::enum_<SalvageVerdict>(m, "SalvageVerdict")
      .value("Whole", SalvageVerdict::kWhole)
      .value("Partial", SalvageVerdict::kPartial)
      .value("Lost", SalvageVerdict::kLost);

  py::class_<SalvagedElement>(m, "SalvagedElement")
      .def_readonly("path", &SalvagedElement::path)
      .def_readonly("is_storage", &SalvagedElement::is_storage)
      .def_readonly("linked", &SalvagedElement::linked)
      .def_readonly("verdict", &SalvagedElement::verdict)
      .def_readonly("size", &SalvagedElement::size)
      .def_readonly("recovered", &SalvagedElement::recovered)
      .def_readonly("reason", &SalvagedElement::reason)
      .def("__repr__", [](const SalvagedElement& e) {
        return "<SalvagedElement " + py::repr(py::cast(e.path)).cast<std::string>() + " " +
               std::to_string(e.recovered) + "/" + std::to_string(e.size) + ">";
      });

  py::class_<SalvagedFile>(m, "SalvagedFile")
      .def_property_readonly("Elements", &SalvagedFile::Elements)
      .def_property_readonly("Problems", &SalvagedFile::Problems)
      .def_property_readonly("Whole", &SalvagedFile::Whole)
      .def(
          "Read",
          [](const SalvagedFile& f, size_t index) {
            if (index >= f.Elements().size()) throw py::index_error("no such element");
            std::string bytes(f.Elements()[index].recovered, '\0');
            f.Read(index, 0, std::as_writable_bytes(std::span(bytes)));
            return Bytes(bytes);
          },
          "index"_a)
      .def(
          "WriteCompoundFile",
          [](const SalvagedFile& f, const py::object& path) { f.WriteCompoundFile(PathArgument(path)); }, "path"_a)
      .def("Report", &SalvagedFile::Report);

  m.def(
      "Salvage", [](const py::object& path) { return SalvagedFile::Open(PathArgument(path)); }, "path"_a);
}

}  // namespace vellora2::python
