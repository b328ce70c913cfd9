#include "compound/sharing.hpp"

#include <utility>

namespace vellora2::compound {
namespace {

constexpr uint64_t kReads = 0x7FFFFF01;
constexpr uint64_t kWrites = 0x7FFFFF02;
constexpr uint64_t kDeniesRead = 0x7FFFFF03;
constexpr uint64_t kDeniesWrite = 0x7FFFFF04;

}  // namespace

bool AcquireShareLocks(File& file, const Mode& mode) {
  const std::pair<bool, uint64_t> mine[] = {
      {mode.read, kReads}, {mode.write, kWrites}, {mode.deny_read, kDeniesRead}, {mode.deny_write, kDeniesWrite}};
  for (auto [wanted, marker] : mine) {
    if (wanted) file.LockShared(marker);
  }
  const bool conflict = (mode.read && file.LockedByOthers(kDeniesRead)) ||
                        (mode.write && file.LockedByOthers(kDeniesWrite)) ||
                        (mode.deny_read && file.LockedByOthers(kReads)) ||
                        (mode.deny_write && file.LockedByOthers(kWrites));
  if (conflict) {
    for (auto [wanted, marker] : mine) {
      if (wanted) file.Unlock(marker);
    }
  }
  return !conflict;
}

bool OpenedByOthers(File& file) {
  for (uint64_t marker : {kReads, kWrites, kDeniesRead, kDeniesWrite}) {
    if (file.LockedByOthers(marker)) return true;
  }
  return false;
}

}  // namespace vellora2::compound
