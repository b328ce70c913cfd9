// The structural check: is a file a sound compound file, by the rules our own
// writer keeps? Every sector owned by exactly one thing (a stream, the
// directory, a table), every chain ending where its size says, the FAT marking
// free exactly what nothing owns, the same for mini sectors, and every storage's
// children forming a valid red-black tree in name order. Used by tests after
// each commit and by `vellora check`.
//
// Problems are damage: something would be misread, lost or refused. Notes are
// layouts our writer never leaves but our reader copes with: other writers
// (LibreOffice, msitools) leave sibling trees that are unbalanced, all red or
// out of name order, and the reader sorts children itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compound/file.hpp"

namespace vellora2::compound {

struct Finding {
  enum class Kind { kProblem, kNote };
  Kind kind = Kind::kProblem;
  std::string text;
};

// One finding per line; empty when the file is laid out as our writer leaves it.
std::vector<Finding> CheckFile(std::shared_ptr<File> file);

}  // namespace vellora2::compound
