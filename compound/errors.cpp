#include "compound/errors.hpp"

#include <cerrno>
#include <cstring>
#include <string>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

void Fail(int32_t code, std::string_view description) {
  throw AutomationError(code, std::u16string(kErrorSource), FromUtf8(description));
}

void FailCorrupt(std::string_view what) {
  Fail(STG_E_DOCFILECORRUPT, "the document is damaged: " + std::string(what));
}

void FailErrno(int err, std::string_view what, bool writing) {
  int32_t code = writing ? STG_E_WRITEFAULT : STG_E_READFAULT;
  switch (err) {
    case ENOENT: code = STG_E_FILENOTFOUND; break;
    case ENOTDIR:
    case ENAMETOOLONG: code = STG_E_PATHNOTFOUND; break;
    case EACCES:
    case EPERM:
    case EISDIR: code = STG_E_ACCESSDENIED; break;
    case EROFS: code = STG_E_DISKISWRITEPROTECTED; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: code = STG_E_MEDIUMFULL; break;
    case EMFILE:
    case ENFILE: code = STG_E_TOOMANYOPENFILES; break;
    case EEXIST: code = STG_E_FILEALREADYEXISTS; break;
    case ENOMEM: code = STG_E_INSUFFICIENTMEMORY; break;
    case EAGAIN: code = STG_E_LOCKVIOLATION; break;
    default: break;
  }
  Fail(code, std::string(what) + ": " + std::strerror(err));
}

}  // namespace vellora2::compound
