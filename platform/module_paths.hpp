// Where the library's optional modules (the GTK windows, the ICU and GIO
// formats) may lie, found from the file that holds the code looking for them:
// the shared library, or a program linked with the static one. An installed
// tree may be moved as a whole, so the places are relative to that file; the
// path the build installs to comes last, from the caller.
#pragma once

#include <string>
#include <vector>

namespace vellora2 {

// For a module named `name` (such as "vellora2-gtk.so") and an address of
// code in the file that looks for it: "vellora2/`name`" beside that file
// (the shared library's folder, or a program's in the build tree), and, when
// that file is the program itself, the library folder of the tree it is
// installed in (bin/../lib/vellora2/`name`). A program's own path comes from
// the system, not from the name it was started by, which may be a bare name
// found through $PATH or a link elsewhere.
std::vector<std::string> ModulePaths(const void* code, const std::string& name);

}  // namespace vellora2
