#include "elements/new_disk_file.hpp"

#include <climits>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::elements {
namespace {

// The runtime's number for a failed create.
int32_t CreateErrorOf(const AutomationError& e) {
  switch (e.number()) {
    case STG_E_FILEALREADYEXISTS:
      return rt::kFileAlreadyExists;
    case STG_E_FILENOTFOUND:
    case STG_E_PATHNOTFOUND:
      return rt::kPathNotFound;
    case STG_E_LOCKVIOLATION:
      return rt::kPermissionDenied;
    case STG_E_MEDIUMFULL:
      return rt::kDiskFull;
    case STG_E_TOOMANYOPENFILES:
      return rt::kTooManyFiles;
    case STG_E_READFAULT:
    case STG_E_WRITEFAULT:
      return rt::kDeviceIoError;
    default:
      return rt::kPathFileAccessError;  // access denied, write-protected, ...
  }
}

// The runtime's number for a failed write.
int32_t WriteErrorOf(const AutomationError& e) {
  return e.number() == STG_E_MEDIUMFULL ? rt::kDiskFull : rt::kDeviceIoError;
}

// Whether the system would refuse `path` as too long. Its error for that
// reaches us as a missing path, but the runtime calls it a bad file name.
bool NameTooLong(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t name = slash == std::string::npos ? path.size() : path.size() - slash - 1;
  return name > NAME_MAX || path.size() >= PATH_MAX;
}

}  // namespace

NewDiskFile::NewDiskFile(std::shared_ptr<compound::FileSystem> files, std::u16string_view path,
                         std::u16string_view source)
    : files_(std::move(files)), path_(ToUtf8(path)), source_(source) {
  if (NameTooLong(path_)) Raise(rt::kBadFileNameOrNumber, source_);
  try {
    // A new file only: one that appeared since the caller looked is not overwritten.
    file_ = files_->Open(path_, compound::OpenMode::kCreateNew);
  } catch (const AutomationError& e) {
    kept_ = true;
    Raise(CreateErrorOf(e), source_);
  }
  // Advisory, as the platform's other writers lock: cooperating programs wait.
  // A program that locked the file between our create and this lock holds it
  // now, so it stays where it is.
  bool locked = false;
  try {
    locked = file_->TryLockWhole();
  } catch (const AutomationError& e) {
    Discard();
    Raise(CreateErrorOf(e), source_);
  }
  if (!locked) {
    kept_ = true;
    file_.reset();
    Raise(rt::kPermissionDenied, source_);
  }
}

NewDiskFile::~NewDiskFile() { Discard(); }

void NewDiskFile::Discard() noexcept {
  if (!kept_) {
    // An unfinished file goes, while our lock still keeps cooperating programs
    // out, unless another open has locked records in it meanwhile: then it is
    // theirs as much as ours. A file whose holders cannot be asked stays too.
    // The error that ended the export is the one to report.
    try {
      if (!file_ || !file_->HeldByOthers(compound::File::Holders::kAny)) files_->Remove(path_);
    } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch)
    }
    kept_ = true;
  }
  file_.reset();
}

void NewDiskFile::Write(std::span<const std::byte> data) {
  try {
    file_->WriteAt(size_, data);
  } catch (const AutomationError& e) {
    Raise(WriteErrorOf(e), source_);
  }
  size_ += data.size();
}

void NewDiskFile::Close() {
  // Closed even when it fails; the destructor then only removes it.
  const auto file = std::move(file_);
  try {
    file->Close();
  } catch (const AutomationError& e) {
    Raise(WriteErrorOf(e), source_);
  }
  kept_ = true;
}

}  // namespace vellora2::elements
