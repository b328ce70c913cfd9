// Sharing modes between opens of one file, in this process or another.
//
// Each open holds shared locks on marker bytes far past any version 3 data:
// one for "reads", one for "writes", one for "denies reading", one for "denies
// writing". An open that wants to read first checks that nobody holds "denies
// reading" (by trying to take it exclusively), and so on for each pairing; a
// guard byte held exclusively makes check-and-take one step. The locks are
// advisory and never touch the data.
#pragma once

#include <memory>

#include "compound/file.hpp"
#include "compound/mode.hpp"

namespace vellora2::compound {

// Takes the locks for `mode` on `file`; false (and nothing held) when they
// conflict with another open's.
bool AcquireShareLocks(File& file, const Mode& mode);

}  // namespace vellora2::compound
