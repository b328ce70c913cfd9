#include "compound/sharing.hpp"

#include <chrono>
#include <thread>

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

constexpr uint64_t kGuard = 0x7FFFFF00;
constexpr uint64_t kReads = kGuard + 1;
constexpr uint64_t kWrites = kGuard + 2;
constexpr uint64_t kDeniesRead = kGuard + 3;
constexpr uint64_t kDeniesWrite = kGuard + 4;

bool Free(File& file, uint64_t marker) {
  if (!file.TryLock(marker, true)) return false;
  file.Unlock(marker);
  return true;
}

}  // namespace

bool AcquireShareLocks(File& file, const Mode& mode) {
  // Another open holds the guard only for the instant of its own check.
  int tries = 0;
  while (!file.TryLock(kGuard, true)) {
    if (++tries > 200) Fail(STG_E_LOCKVIOLATION, "the file's lock is held too long by another program");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const bool ok = (!mode.read || Free(file, kDeniesRead)) && (!mode.write || Free(file, kDeniesWrite)) &&
                  (!mode.deny_read || Free(file, kReads)) && (!mode.deny_write || Free(file, kWrites));
  if (ok) {
    if (mode.read) file.TryLock(kReads, false);
    if (mode.write) file.TryLock(kWrites, false);
    if (mode.deny_read) file.TryLock(kDeniesRead, false);
    if (mode.deny_write) file.TryLock(kDeniesWrite, false);
  }
  file.Unlock(kGuard);
  return ok;
}

}  // namespace vellora2::compound
