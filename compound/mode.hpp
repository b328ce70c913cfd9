// STGM modes: which combinations are valid where, and what they ask for.
#pragma once

#include <cstdint>

namespace vellora2::compound {

enum class OpenKind {
  kRootOpen,       // OpenStorageFile
  kRootCreate,     // CreateStorageFile, CreateRootStorage
  kChildStorage,   // OpenStorage, CreateStorage
  kChildStream,    // OpenStream, CreateStream
};

struct Mode {
  bool read = true;
  bool write = false;
  bool deny_read = false;
  bool deny_write = false;
  bool transacted = false;
  bool create = false;
  bool convert = false;
  bool delete_on_release = false;
};

// Decodes `mode`, failing with STG_E_INVALIDFLAG for a combination the platform
// refuses: unknown bits, access 3, an undefined sharing value, CREATE with
// CONVERT, children not opened exclusively (the platform requires it), streams
// transacted, a create without write access, and direct roots that others could
// change underneath (write access needs SHARE_EXCLUSIVE, read access at least
// DENY_WRITE, unless STGM_PRIORITY).
Mode ParseMode(int32_t mode, OpenKind kind);

}  // namespace vellora2::compound
