#include "cli/common.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fmt/core.h>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2::cli {
namespace {

constexpr const char16_t* kSource = u"vellora";
constexpr size_t kChunk = 1u << 20;

// Removes what a failed WriteDiskFile left in its private folder.
void RemoveTemporary(const std::string& dir, const std::string& file) {
  ::unlink(file.c_str());
  ::rmdir(dir.c_str());
}

}  // namespace

void Fail(int32_t number, const std::string& text) { Raise(number, kSource, FromUtf8(text)); }

void FailErrno(const std::string& what) {
  const int err = errno;
  const int32_t number = err == ENOENT ? rt::kPathNotFound : err == EEXIST ? rt::kFileAlreadyExists
                         : err == EACCES || err == EPERM ? rt::kPermissionDenied
                         : err == ENOSPC ? rt::kDiskFull : rt::kDeviceIoError;
  Fail(number, what + ": " + std::strerror(err));
}

std::vector<std::u16string> SplitPath(const std::string& path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (char16_t c : FromUtf8(path)) {
    if (c == u'\\' || c == u'/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

std::vector<std::u16string> ElementPath(const std::string& path) {
  auto parts = SplitPath(path);
  if (parts.empty()) Fail(rt::kBadFileNameOrNumber, "an element path is needed, such as Settings\\Options");
  return parts;
}

std::u16string JoinPath(const std::vector<std::u16string>& parts, size_t count) {
  std::u16string joined;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) joined += u'\\';
    joined += parts[i];
  }
  return joined;
}

bool SameName(std::u16string_view a, std::u16string_view b) { return ToUpper(a) == ToUpper(b); }

std::string SafeComponent(std::u16string_view name) {
  std::string out = ToUtf8(name);
  for (char& c : out) {
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  }
  if (out.empty() || out == "." || out == "..") out = "_" + out;
  return out;
}

std::string Shown(std::u16string_view name) {
  std::string out;
  std::u16string run;
  for (char16_t c : name) {
    if (c < 0x20 || c == 0x7f) {
      out += ToUtf8(run) + fmt::format("\\{:03o}", static_cast<unsigned>(c));
      run.clear();
    } else {
      run.push_back(c);
    }
  }
  return out + ToUtf8(run);
}

void WriteDiskFile(const std::string& path, bool force, const std::function<void(const std::string& temp)>& fill) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!force) Fail(rt::kFileAlreadyExists, path + " exists (use --force to replace it)");
    if (S_ISDIR(st.st_mode)) Fail(rt::kFileAlreadyExists, path + " is a folder");
  }
  // A private folder beside the target: the file in it is on the same file
  // system, so the final rename is atomic, and its name is free by construction.
  std::string dir = path + ".partXXXXXX";
  if (::mkdtemp(dir.data()) == nullptr) FailErrno(path);
  const std::string temp = dir + "/data";
  try {
    fill(temp);
    const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) FailErrno(path);
    const int synced = ::fsync(fd);
    ::close(fd);
    if (synced != 0) FailErrno(path);
    if (::rename(temp.c_str(), path.c_str()) != 0) FailErrno(path);
  } catch (...) {
    RemoveTemporary(dir, temp);
    throw;
  }
  ::rmdir(dir.c_str());
}

void WriteNewFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) FailErrno(path);
  size_t off = 0;
  while (off < bytes.size()) {
    const ssize_t w = ::write(fd, bytes.data() + off, bytes.size() - off);
    if (w < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      errno = err;
      FailErrno(path);
    }
    off += static_cast<size_t>(w);
  }
  if (::close(fd) != 0) FailErrno(path);
}

void CopyFileTo(const std::string& path, std::FILE* out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) FailErrno(path);
  std::vector<char> buf(kChunk);
  try {
    for (;;) {
      const ssize_t n = ::read(fd, buf.data(), buf.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        FailErrno(path);
      }
      if (n == 0) break;
      if (std::fwrite(buf.data(), 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
        FailErrno("standard output");
      }
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

}  // namespace vellora2::cli
