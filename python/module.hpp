// The parts of the module, each bound in its own file.
#pragma once

#include <pybind11/pybind11.h>

namespace vellora2::python {

void BindDocumentClasses(pybind11::module_& m);
void BindUtilityClasses(pybind11::module_& m);
void BindSalvage(pybind11::module_& m);

}  // namespace vellora2::python
