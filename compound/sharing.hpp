// Sharing modes between opens of one file, in this process or another.
//
// Each open holds shared locks on marker bytes far past any version 3 data:
// one for "reads", one for "writes", one for "denies reading", one for "denies
// writing". An open takes its own markers first and then looks for the
// opposite markers of others (reading against "denies reading", and so on);
// on a conflict it lets go of everything. Two opens racing each other may then
// both fail, never both succeed. The locks are advisory and never touch data.
#pragma once

#include <memory>

#include "compound/file.hpp"
#include "compound/mode.hpp"

namespace vellora2::compound {

// Takes the locks for `mode` on `file`; false (and nothing held) when they
// conflict with another open's.
bool AcquireShareLocks(File& file, const Mode& mode);
// Whether another open (of any process still running) holds locks on `file`.
bool OpenedByOthers(File& file);

}  // namespace vellora2::compound
