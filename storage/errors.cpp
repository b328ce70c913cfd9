#include "vellora2/storage/errors.hpp"

#include <array>

#include "vellora2/compound/stgm.hpp"

namespace vellora2 {
namespace {

struct Message {
  int32_t number;
  const char16_t* text;
};

// The access text serves two codes: to a user a share violation is a denial.
constexpr const char16_t* kAccessDenied =
    u"Access to the specified file or element is denied.  The file or "
    u"element may already be opened by another party.";

constexpr std::array kMessages{
    Message{STG_E_FILENOTFOUND, u"The file or the specified element (storage or stream) could not be found."},
    Message{STG_E_PATHNOTFOUND, u"The path to the file could not be found."},
    Message{STG_E_TOOMANYOPENFILES, u"There are insufficient resources to open another file"},
    Message{STG_E_ACCESSDENIED, kAccessDenied},
    Message{STG_E_INSUFFICIENTMEMORY, u"System error: insufficient memory available to complete operation."},
    Message{STG_E_DISKISWRITEPROTECTED, u"Disk is write protected."},
    Message{STG_E_SEEKERROR,
            u"An error occured during a seek operation.  You may have moved "
            u"beyond the size of the stream."},
    Message{STG_E_WRITEFAULT,
            u"A disk error occured during a write operation.  There "
            u"might be a problem with the drive itself."},
    Message{STG_E_READFAULT,
            u"A disk error occured during a read operation.  There "
            u"might be a problem with the drive itself."},
    Message{STG_E_SHAREVIOLATION, kAccessDenied},
    Message{STG_E_FILEALREADYEXISTS,
            u"The named file or element already exists.  Try using a "
            u"different name or delete the element first."},
    Message{STG_E_MEDIUMFULL, u"There is insufficient disk space to complete the operation."},
    Message{STG_E_ABNORMALAPIEXIT,
            u"An API call exited abnormally. This may indicate Windows is unstable, "
            u"or that something is wrong with the drive."},
    Message{STG_E_INVALIDNAME,
            u"The name is not valid. Element names are limited to 32 characters, and "
            u"some punctuation is not allowed. Filenames have limits that depend on the "
            u"operating system you are running under."},
    Message{STG_E_INVALIDFLAG, u"Invalid Flag Error."},
    Message{STG_E_REVERTED,
            u"Attempted to use an object that has ceased to exist. One of the parent storages may have been deleted."},
    Message{STG_E_DOCFILECORRUPT, u"The Document or memory has been corrupted."},
    Message{STG_E_INCOMPLETE, u"The file download was aborted abnormally. The file is incomplete."},
    Message{kStorageOutOfMemory, u"Out of memory in component, usually as a result of lack of memory in the system."},
};

}  // namespace

Variant StorageErrorText(int32_t number, const std::u16string& description) {
  for (const auto& m : kMessages) {
    if (m.number == number) return Variant(m.text);
  }
  return Variant(description);
}

}  // namespace vellora2
