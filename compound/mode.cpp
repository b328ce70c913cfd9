#include "compound/mode.hpp"

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

Mode ParseMode(int32_t mode, OpenKind kind) {
  constexpr int32_t kKnown = 0x3 | 0x70 | STGM_TRANSACTED | STGM_PRIORITY | STGM_CREATE | STGM_CONVERT |
                             STGM_NOSCRATCH | STGM_NOSNAPSHOT | STGM_DIRECT_SWMR | STGM_DELETEONRELEASE | STGM_SIMPLE;
  const auto bad = [](const char* why) { Fail(STG_E_INVALIDFLAG, why); };
  if (mode & ~kKnown) bad("unknown mode bits");
  if (mode & (STGM_SIMPLE | STGM_DIRECT_SWMR)) bad("simple and single-writer modes are not supported");
  Mode m;
  switch (mode & 0x3) {
    case STGM_READ: break;
    case STGM_WRITE: m.read = false; m.write = true; break;
    case STGM_READWRITE: m.write = true; break;
    default: bad("invalid access mode");
  }
  switch (mode & 0x70) {
    case 0:
    case STGM_SHARE_DENY_NONE: break;
    case STGM_SHARE_DENY_READ: m.deny_read = true; break;
    case STGM_SHARE_DENY_WRITE: m.deny_write = true; break;
    case STGM_SHARE_EXCLUSIVE: m.deny_read = m.deny_write = true; break;
    default: bad("invalid sharing mode");
  }
  m.transacted = (mode & STGM_TRANSACTED) != 0;
  m.create = (mode & STGM_CREATE) != 0;
  m.convert = (mode & STGM_CONVERT) != 0;
  m.delete_on_release = (mode & STGM_DELETEONRELEASE) != 0;
  const bool priority = (mode & STGM_PRIORITY) != 0;
  if (m.create && m.convert) bad("STGM_CREATE and STGM_CONVERT exclude each other");
  switch (kind) {
    case OpenKind::kRootOpen:
      if (m.create || m.convert || m.delete_on_release) bad("creation flags on an open");
      break;
    case OpenKind::kRootCreate:
      if (!m.write) bad("a new file needs write access");
      break;
    case OpenKind::kChildStorage:
    case OpenKind::kChildStream:
      if (!(m.deny_read && m.deny_write)) bad("elements inside a file must be opened STGM_SHARE_EXCLUSIVE");
      if (m.convert || priority || m.delete_on_release) bad("flag not allowed on an element");
      if (kind == OpenKind::kChildStream && m.transacted) bad("streams cannot be transacted");
      break;
  }
  if ((kind == OpenKind::kRootOpen || kind == OpenKind::kRootCreate) && !m.transacted && !priority) {
    if (m.write && !(m.deny_read && m.deny_write)) bad("a direct root opened for writing must be STGM_SHARE_EXCLUSIVE");
    if (!m.write && !m.deny_write) bad("a direct root must deny writing to others");
  }
  return m;
}

}  // namespace vellora2::compound
