#include "cli/common.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fmt/core.h>

#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"

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
  // "No such file or directory" does not say which: name the folder that is missing.
  if (err == ENOENT) {
    std::string parent = what;
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    const size_t slash = parent.rfind('/');
    parent = slash == std::string::npos ? "." : slash == 0 ? "/" : parent.substr(0, slash);
    struct stat st {};
    if (::stat(parent.c_str(), &st) != 0) Fail(rt::kPathNotFound, what + ": the folder " + parent + " does not exist");
  }
  const int32_t number = err == ENOENT                   ? rt::kPathNotFound
                         : err == EEXIST                 ? rt::kFileAlreadyExists
                         : err == EACCES || err == EPERM ? rt::kPermissionDenied
                         : err == ENOSPC                 ? rt::kDiskFull
                                                         : rt::kDeviceIoError;
  Fail(number, what + ": " + std::strerror(err));
}

std::vector<std::u16string> SplitPath(const std::string& path) {
  const std::u16string text = FromUtf8(path);
  std::vector<std::u16string> parts;
  std::u16string current;
  auto octal = [&](size_t at) {
    return at + 3 <= text.size() && text[at] >= u'0' && text[at] <= u'3' && text[at + 1] >= u'0' &&
           text[at + 1] <= u'7' && text[at + 2] >= u'0' && text[at + 2] <= u'7';
  };
  auto hex_digit = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  };
  auto hex = [&](size_t at) {
    return at + 5 <= text.size() && text[at] == u'u' && hex_digit(text[at + 1]) && hex_digit(text[at + 2]) &&
           hex_digit(text[at + 3]) && hex_digit(text[at + 4]);
  };
  auto finish = [&] {
    // "\000" alone is how an empty name is shown; no name can hold a NUL.
    if (current == std::u16string(1, u'\0'))
      current.clear();
    else if (current.empty())
      return;
    parts.push_back(std::move(current));
    current.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\\' && octal(i + 1)) {
      current.push_back(
          static_cast<char16_t>((text[i + 1] - u'0') * 64 + (text[i + 2] - u'0') * 8 + (text[i + 3] - u'0')));
      i += 3;
    } else if (c == u'\\' && hex(i + 1)) {
      current.push_back(static_cast<char16_t>(std::stoi(ToUtf8(text.substr(i + 2, 4)), nullptr, 16)));
      i += 5;
    } else if (c == u'\\' || c == u'/') {
      finish();
    } else {
      current.push_back(c);
    }
  }
  finish();
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

bool Spellable(std::u16string_view name) {
  return !name.empty() && name.find_first_of(std::u16string_view(u"\\/:!\0", 5)) == std::u16string_view::npos;
}

bool Addressable(const std::vector<std::u16string>& parts) {
  return std::all_of(parts.begin(), parts.end(), [](const auto& p) { return Spellable(p); });
}

void CheckNewName(std::u16string_view name) {
  if (!Spellable(name)) {
    Fail(STG_E_INVALIDNAME, Shown(name) + ": a new name cannot be empty or hold \\ / : or !");
  }
}

bool MovesCursor(char16_t c) {
  return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x61c || (c >= 0x200b && c <= 0x200f) ||
         (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f) || c == 0xfeff;
}

std::string Shown(std::u16string_view name) {
  if (name.empty()) return "\\000";
  std::string out;
  std::u16string run;
  auto flush = [&] {
    out += ToUtf8(run);
    run.clear();
  };
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    const bool high = c >= 0xd800 && c <= 0xdbff;
    const bool paired = high && i + 1 < name.size() && name[i + 1] >= 0xdc00 && name[i + 1] <= 0xdfff;
    if (c < 0x20 || c == 0x7f || c == u'\\' || c == u'/' || c == u':' || c == u'!') {
      flush();
      out += fmt::format("\\{:03o}", static_cast<unsigned>(c));
    } else if (MovesCursor(c) || (c >= 0xd800 && c <= 0xdfff && !paired)) {
      flush();
      out += fmt::format("\\u{:04X}", static_cast<unsigned>(c));
    } else {
      run.push_back(c);
      if (paired) run.push_back(name[++i]);
    }
  }
  flush();
  return out;
}

std::string DiskName(std::u16string_view name) {
  std::string out = Shown(name);
  if (out == "." || out == "..") out = "\\056" + out.substr(1);
  return out;
}

std::string ShownText(std::string_view text) {
  std::u16string wide = FromUtf8(text);
  std::string out;
  std::u16string run;
  for (char16_t c : wide) {
    if (MovesCursor(c)) {
      out += ToUtf8(run) + (c < 0x80 ? fmt::format("\\{:03o}", static_cast<unsigned>(c))
                                     : fmt::format("\\u{:04X}", static_cast<unsigned>(c)));
      run.clear();
    } else {
      run.push_back(c);
    }
  }
  return out + ToUtf8(run);
}

void RefuseIfHeld(int dir, const std::string& name, const std::string& shown) {
  struct stat st {};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) return;
  const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(rt::kPathFileAccessError,
         shown + ": cannot look for programs that hold it, so it is not replaced: " + std::strerror(errno));
  }
  // A write lock is refused by every other record lock; flock(2) locks are a
  // family of their own, found only by taking one for a moment.
  struct flock record {};
  record.l_type = F_WRLCK;
  record.l_whence = SEEK_SET;
  bool held = ::fcntl(fd, F_OFD_GETLK, &record) != 0 || record.l_type != F_UNLCK;
  if (!held) {
    held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held) ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  if (held) Fail(rt::kPathFileAccessError, shown + " is locked by another program, so it is not replaced");
}

void WriteDiskFile(const std::string& path, bool force, const std::function<void(const std::string& temp)>& fill) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    // --force cannot replace a folder, so it is not offered.
    if (S_ISDIR(st.st_mode)) Fail(rt::kFileAlreadyExists, path + " is a folder, not a file");
    if (!force) Fail(rt::kFileAlreadyExists, path + " exists (use --force to replace it)");
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
    // Asked last, when the new file is ready: that leaves the shortest time
    // for another program to take the target between the question and the rename.
    RefuseIfHeld(AT_FDCWD, path, path);
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

void Put(std::string_view text, std::FILE* out) {
  if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) FailErrno("standard output");
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
