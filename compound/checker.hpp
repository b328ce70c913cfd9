// The structural check: is a file a sound compound file, by the rules our own
// writer keeps? Every sector owned by exactly one thing (a stream, the
// directory, a table), every chain ending where its size says, the FAT marking
// free exactly what nothing owns, the same for mini sectors, and every storage's
// children forming a valid red-black tree in name order. Used by tests after
// each commit and by `vellora check`.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compound/file.hpp"

namespace vellora2::compound {

// One line per problem; empty when the file is sound.
std::vector<std::string> CheckFile(std::shared_ptr<File> file);

}  // namespace vellora2::compound
