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
      .def_readonly("path", &SalvagedElement::path,
                    "Backslash-separated path in the recovered tree; names made valid and unique.")
      .def_readonly("is_storage", &SalvagedElement::is_storage, "True for a storage, False for a stream.")
      .def_readonly(
          "linked", &SalvagedElement::linked,
          "False for an entry the directory holds but its tree no longer reaches (placed under \"Unlinked\").")
      .def_readonly("verdict", &SalvagedElement::verdict,
                    "Whole, partial (the bytes before the first bad link) or lost: a SalvageVerdict.")
      .def_readonly("size", &SalvagedElement::size, "The stream size that the directory entry gives.")
      .def_readonly("recovered", &SalvagedElement::recovered,
                    "The number of bytes that came back, from the start of the stream.")
      .def_readonly("reason", &SalvagedElement::reason, "Why the element is not whole; \"\" when it is.")
      .def("__repr__", [](const SalvagedElement& e) {
        return "<SalvagedElement " + py::repr(py::cast(e.path)).cast<std::string>() + " " +
               std::to_string(e.recovered) + "/" + std::to_string(e.size) + ">";
      });

  py::class_<SalvagedFile>(m, "SalvagedFile")
      .def_property_readonly("Elements", &SalvagedFile::Elements,
                             "The elements found, storages before what they hold, as SalvagedElement objects.")
      .def_property_readonly("Problems", &SalvagedFile::Problems,
                             "The damage found in the header, tables and directory, in words.")
      .def_property_readonly("Whole", &SalvagedFile::Whole,
                             "True when every stream came back whole and in its place and no directory entry was lost.")
      .def(
          "Read",
          [](const SalvagedFile& f, size_t index) {
            if (index >= f.Elements().size()) throw py::index_error("no such element");
            std::string bytes(f.Elements()[index].recovered, '\0');
            f.Read(index, 0, std::as_writable_bytes(std::span(bytes)));
            return Bytes(bytes);
          },
          "index"_a, "The recovered bytes of the element at index in Elements; IndexError for no such element.")
      .def(
          "WriteCompoundFile",
          [](const SalvagedFile& f, const py::object& path) { f.WriteCompoundFile(PathArgument(path)); }, "path"_a,
          "Writes the recovered tree as a new compound file at path (a lost stream is created empty).\nRaises "
          "AutomationError STG_E_FILEALREADYEXISTS when path exists.")
      .def("Report", &SalvagedFile::Report, "One line per element with its verdict and bytes, then the problems.");

  m.def(
      "Salvage", [](const py::object& path) { return SalvagedFile::Open(PathArgument(path)); }, "path"_a,
      "Reads the damaged compound file at path without trusting it, as a SalvagedFile.\nRaises AutomationError (an "
      "STG_E code) only when it cannot be read or lacks the compound-file signature.");
}

}  // namespace vellora2::python
