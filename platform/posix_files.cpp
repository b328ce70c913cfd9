// Directory listings and whole-file I/O of the POSIX platform.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix_platform.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

// * matches any run of characters, ? exactly one; the rest matches itself, with
// the case the file system gives it.
bool Matches(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The runtime's number for a failed open, read or write.
int32_t FileErrorOf(int err, bool reading) {
  switch (err) {
    case ENOENT:
      return reading ? rt::kFileNotFound : rt::kPathNotFound;
    case ENOTDIR:
      return rt::kPathNotFound;
    case EWOULDBLOCK:
      return rt::kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return rt::kDiskFull;
    case EMFILE:
    case ENFILE:
      return rt::kTooManyFiles;
    case EIO:
      return rt::kDeviceIoError;
    case ENAMETOOLONG:
      return rt::kBadFileNameOrNumber;
    default:
      return rt::kPathFileAccessError;  // EACCES, EPERM, EROFS, EISDIR, ...
  }
}

// Closes the descriptor on every path out of the calling function.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so that a failure of the final flush can be reported.
  int Close() { return ::close(std::exchange(fd_, -1)); }

 private:
  int fd_;
};

}  // namespace

std::vector<std::u16string> PosixPlatform::ListFiles(std::u16string_view pattern, bool directories) {
  const std::string spec = ToUtf8(pattern);
  const size_t slash = spec.rfind('/');
  std::string folder = slash == std::string::npos ? "." : spec.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? spec : spec.substr(slash + 1);
  // assign(1, '*') rather than = "*": GCC 12 at -O2 reports a false -Wrestrict
  // overlap for the literal assignment.
  if (name.empty() || name == "*.*") name.assign(1, '*');

  std::vector<std::u16string> names;
  if (name.find_first_of("*?") == std::string::npos) {
    // A plain name: one stat instead of reading a folder that may be large.
    struct stat st {};
    const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
    if (::stat(path.c_str(), &st) == 0 && (directories || !S_ISDIR(st.st_mode))) names.push_back(FromUtf8(name));
    return names;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) {
    SetLastErrorFromErrno(errno);
    return names;
  }
  if (folder.back() != '/') folder += '/';
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entry_name(entry->d_name);
    if (!Matches(name, entry_name)) continue;
    if (!directories && IsDirectory(folder + entry->d_name)) continue;
    names.push_back(FromUtf8(entry_name));
  }
  ::closedir(dir);
  return names;
}

int32_t PosixPlatform::ReadFile(std::u16string_view path, size_t max_bytes, std::string& bytes) {
  bytes.clear();
  Descriptor fd(::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return FileErrorOf(errno, true);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FileErrorOf(errno, true);
  if (S_ISDIR(st.st_mode)) return rt::kPathFileAccessError;
  if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return FileErrorOf(errno, true);
  // The size is a hint only: a file may still grow or shrink while it is read.
  const size_t wanted = std::min(max_bytes, static_cast<size_t>(st.st_size));
  bytes.resize(wanted);
  size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::read(fd.get(), bytes.data() + done, wanted - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytes.clear();
      return FileErrorOf(errno, true);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  bytes.resize(done);
  return 0;
}

int32_t PosixPlatform::WriteFile(std::u16string_view path, std::string_view bytes) {
  // Not O_TRUNC: the file is emptied only once the lock shows nobody else writes it.
  Descriptor fd(::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) return FileErrorOf(errno, false);
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return FileErrorOf(errno, false);
  if (::ftruncate(fd.get(), 0) != 0) return FileErrorOf(errno, false);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FileErrorOf(errno, false);
    done += static_cast<size_t>(n);
  }
  if (fd.Close() != 0) return FileErrorOf(errno, false);
  return 0;
}

}  // namespace vellora2
