#include "elements/new_disk_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2::elements {
namespace {

// The runtime's number for a failed create or write.
int32_t FileErrorOf(int err) {
  switch (err) {
    case EEXIST: return rt::kFileAlreadyExists;
    case ENOENT:
    case ENOTDIR: return rt::kPathNotFound;
    case EWOULDBLOCK: return rt::kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return rt::kDiskFull;
    case EMFILE:
    case ENFILE: return rt::kTooManyFiles;
    case EIO: return rt::kDeviceIoError;
    case ENAMETOOLONG: return rt::kBadFileNameOrNumber;
    default: return rt::kPathFileAccessError;  // EACCES, EPERM, EROFS, EISDIR, ...
  }
}

}  // namespace

NewDiskFile::NewDiskFile(std::u16string_view path, std::u16string_view source)
    : path_(ToUtf8(path)), source_(source) {
  // O_EXCL: a file that appeared since the caller looked is not overwritten.
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) Fail(errno);
  // Advisory, as the platform's other writers lock: cooperating programs wait.
  // A program that locked the file between our create and this lock holds it
  // now, so it stays where it is.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(fd_);
    fd_ = -1;
    kept_ = true;
    Fail(err);
  }
}

NewDiskFile::~NewDiskFile() {
  // An unfinished file goes, while our lock still keeps cooperating programs
  // out, unless another open has locked records in it meanwhile: then it is
  // theirs as much as ours.
  if (!kept_ && (fd_ < 0 || !RecordLockedByOthers())) ::unlink(path_.c_str());
  if (fd_ >= 0) ::close(fd_);
}

bool NewDiskFile::RecordLockedByOthers() const {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  return ::fcntl(fd_, F_OFD_GETLK, &fl) != 0 || fl.l_type != F_UNLCK;
}

void NewDiskFile::Write(std::span<const std::byte> data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd_, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno == ENOSPC || errno == EDQUOT || errno == EFBIG ? errno : EIO);
    }
    data = data.subspan(static_cast<size_t>(n));
  }
}

void NewDiskFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) Fail(errno == ENOSPC || errno == EDQUOT ? errno : EIO);
  kept_ = true;
}

void NewDiskFile::Fail(int err) const { Raise(FileErrorOf(err), source_); }

}  // namespace vellora2::elements
