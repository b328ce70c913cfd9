// The real file system. Locks are open-file-description locks (F_OFD_SETLK):
// unlike classic POSIX record locks they belong to the open file, not to the
// process, so two opens of one document inside one process exclude each other
// exactly as two processes do, and closing an unrelated descriptor of the same
// file does not silently drop them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "compound/errors.hpp"
#include "compound/file.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

uint64_t FileTimeOf(const statx_timestamp& t) { return FileTimeFromUnixTime(t.tv_sec, t.tv_nsec); }

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  size_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
    size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        FailErrno(errno, "read", false);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void WriteAt(uint64_t offset, std::span<const std::byte> data) override {
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        FailErrno(errno, "write", true);
      }
      done += static_cast<size_t>(n);
    }
  }

  void WritePartsAt(uint64_t offset, std::span<const std::span<const std::byte>> parts) override {
    std::vector<iovec> vec;
    for (const auto& part : parts) {
      if (!part.empty())
        vec.push_back({const_cast<std::byte*>(part.data()), part.size()});  // NOLINT: iovec is not const
    }
    for (size_t first = 0; first < vec.size();) {
      const int count = static_cast<int>(std::min<size_t>(vec.size() - first, IOV_MAX));
      const ssize_t n = ::pwritev(fd_, vec.data() + first, count, static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR) continue;
        FailErrno(errno, "write", true);
      }
      // A short write ends inside some part: go on from there.
      offset += static_cast<uint64_t>(n);
      for (auto left = static_cast<size_t>(n); left > 0;) {
        const size_t step = std::min(left, vec[first].iov_len);
        vec[first].iov_base = static_cast<std::byte*>(vec[first].iov_base) + step;
        vec[first].iov_len -= step;
        left -= step;
        if (vec[first].iov_len == 0) ++first;
      }
    }
  }

  void Sync() override {
    if (::fdatasync(fd_) != 0) FailErrno(errno, "sync", true);
  }

  uint64_t Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) FailErrno(errno, "stat", false);
    return static_cast<uint64_t>(st.st_size);
  }

  void Truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) FailErrno(errno, "truncate", true);
  }

  FileTimes Times() override {
    struct statx st {};
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BTIME | STATX_MTIME | STATX_ATIME, &st) != 0) {
      FailErrno(errno, "stat", false);
    }
    // Not every file system keeps a birth time.
    return {(st.stx_mask & STATX_BTIME) != 0 ? FileTimeOf(st.stx_btime) : 0, FileTimeOf(st.stx_mtime),
            FileTimeOf(st.stx_atime)};
  }

  void LockShared(uint64_t offset) override { Control(F_OFD_SETLK, F_RDLCK, offset); }
  void Unlock(uint64_t offset) override { Control(F_OFD_SETLK, F_UNLCK, offset); }
  // F_OFD_GETLK asks whether a write lock could be taken, which is refused by
  // any other description's lock, shared or not, and never by our own.
  bool LockedByOthers(uint64_t offset) override { return Control(F_OFD_GETLK, F_WRLCK, offset) != F_UNLCK; }

  bool HeldByOthers(Holders which) override {
    // A write lock is refused by every other lock, a read lock only by write
    // locks: asking for one over the whole file finds the holders wanted.
    struct flock fl {};
    fl.l_type = which == Holders::kAny ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) FailErrno(errno, "lock", false);
    if (fl.l_type != F_UNLCK) return true;
    // flock(2) locks are a family of their own, which fcntl does not see; there
    // is no asking for them but by taking one for a moment. Our own whole-file
    // lock already keeps every other one out (and taking it again, then
    // letting go, would drop it).
    if (whole_locked_) return false;
    if (::flock(fd_, (which == Holders::kAny ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return true;
      FailErrno(errno, "lock", false);
    }
    ::flock(fd_, LOCK_UN);
    return false;
  }

  bool TryLockWhole() override {
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return false;
      FailErrno(errno, "lock", false);
    }
    whole_locked_ = true;
    return true;
  }

  void Close() override {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) FailErrno(errno, "close", true);
  }

 private:
  short Control(int command, short type, uint64_t offset) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
    if (::fcntl(fd_, command, &fl) != 0) FailErrno(errno, "lock", false);
    return fl.l_type;
  }

  int fd_;
  bool whole_locked_ = false;
};

class PosixDisk final : public FileSystem {
 public:
  std::shared_ptr<File> Open(const std::string& path, OpenMode mode) override {
    int flags = O_CLOEXEC;
    switch (mode) {
      case OpenMode::kRead: flags |= O_RDONLY; break;
      case OpenMode::kReadWrite: flags |= O_RDWR; break;
      case OpenMode::kCreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
      case OpenMode::kCreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
      const int err = errno;
      if (err == ENOENT && !ParentExists(path)) {
        Fail(STG_E_PATHNOTFOUND, "open " + path + ": the folder " + Folder(path) + " does not exist");
      }
      FailErrno(err, "open " + path, false);
    }
    return std::make_shared<PosixFile>(fd);
  }

  std::shared_ptr<File> OpenTemp() override {
    const char* env = std::getenv("TMPDIR");
    const std::string dir = env && *env ? env : "/tmp";
    // O_TMPFILE has no name at all, so not even a crash can leave it behind.
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
      std::string name = dir + "/vellora2-XXXXXX";
      fd = ::mkostemp(name.data(), O_CLOEXEC);
      if (fd < 0) FailErrno(errno, "temporary file", true);
      ::unlink(name.c_str());
    }
    return std::make_shared<PosixFile>(fd);
  }

  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
  }

  void Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) FailErrno(errno, "rename " + from, true);
    // The rename itself is durable only once the folder is.
    const int dfd = ::open(Folder(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      const int rc = ::fsync(dfd);
      const int err = errno;
      ::close(dfd);
      if (rc != 0 && err != EINVAL) FailErrno(err, "sync folder", true);
    }
  }

  void Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) FailErrno(errno, "remove " + path, true);
  }

  std::vector<std::string> List(const std::string& folder) override {
    std::vector<std::string> out;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") out.push_back(name);
    }
    ::closedir(d);
    return out;
  }

 private:
  static std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
  }
  bool ParentExists(const std::string& path) { return Exists(Folder(path)); }
};

}  // namespace

std::shared_ptr<FileSystem> PosixFileSystem() {
  static const auto instance = std::make_shared<PosixDisk>();
  return instance;
}

void RefuseIfHeld(FileSystem& files, const std::string& path, std::u16string_view source) {
  bool held = true;
  try {
    held = files.Open(path, OpenMode::kRead)->HeldByOthers(File::Holders::kAny);
  } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch): a file we cannot look at counts as held
  }
  if (held) Raise(rt::kPathFileAccessError, std::u16string(source));
}

}  // namespace vellora2::compound
