#include "platform/posix_platform.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;

std::string Narrow(std::u16string_view s) { return ToUtf8(s); }

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct Buttons {
  const char* labels;
  std::array<int32_t, 3> answers;
};

Buttons ButtonsOf(int32_t style) {
  switch (style & 7) {
    case mb::kOkCancel: return {"[O]K, [C]ancel", {mb::kOk, mb::kCancel, 0}};
    case mb::kAbortRetryIgnore: return {"[A]bort, [R]etry, [I]gnore", {mb::kAbort, mb::kRetry, mb::kIgnore}};
    case mb::kYesNoCancel: return {"[Y]es, [N]o, [C]ancel", {mb::kYes, mb::kNo, mb::kCancel}};
    case mb::kYesNo: return {"[Y]es, [N]o", {mb::kYes, mb::kNo, 0}};
    case mb::kRetryCancel: return {"[R]etry, [C]ancel", {mb::kRetry, mb::kCancel, 0}};
    default: return {"[O]K", {mb::kOk, 0, 0}};
  }
}

int32_t AnswerOfKey(char key, const Buttons& buttons) {
  static constexpr std::array<std::pair<char, int32_t>, 7> kKeys{
      {{'o', mb::kOk}, {'c', mb::kCancel}, {'a', mb::kAbort}, {'r', mb::kRetry}, {'i', mb::kIgnore}, {'y', mb::kYes}, {'n', mb::kNo}}};
  const char lower = static_cast<char>(key | 0x20);
  for (const auto& [k, answer] : kKeys) {
    if (k != lower) continue;
    for (int32_t offered : buttons.answers) {
      if (offered == answer) return answer;
    }
  }
  return 0;
}

}  // namespace

PosixPlatform::PosixPlatform(std::FILE* in, std::FILE* out, std::FILE* err) : in_(in), out_(out), err_(err) {}

int32_t PosixPlatform::MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) {
  const int32_t fallback = mb::DefaultAnswer(style);
  const Buttons buttons = ButtonsOf(style);
  if (in_ == nullptr || !::isatty(::fileno(in_))) {
    std::fprintf(err_, "%s: %s [no terminal: answered with the default button]\n", Narrow(title).c_str(),
                 Narrow(prompt).c_str());
    return fallback;
  }
  for (;;) {
    std::fprintf(out_, "%s: %s\n%s? ", Narrow(title).c_str(), Narrow(prompt).c_str(), buttons.labels);
    std::fflush(out_);
    std::array<char, 64> line{};
    if (std::fgets(line.data(), static_cast<int>(line.size()), in_) == nullptr) return fallback;
    if (line[0] == '\n') return fallback;  // Enter chooses the default button
    if (const int32_t answer = AnswerOfKey(line[0], buttons)) return answer;
  }
}

uint32_t PosixPlatform::TickCount() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const auto ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

uint32_t PosixPlatform::Version() {
  utsname u{};
  unsigned major = 0, minor = 0;
  if (::uname(&u) == 0) std::sscanf(u.release, "%u.%u", &major, &minor);
  // Low byte major, next byte minor; bit 31 stays clear, as on the NT family.
  return (major & 0xFFu) | ((minor & 0xFFu) << 8);
}

std::u16string PosixPlatform::ModuleFileName() {
  std::array<char, 4096> buf{};
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return FromUtf8(std::string_view(buf.data(), static_cast<size_t>(n)));
}

double PosixPlatform::Timer() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  const time_t now = ts.tv_sec;
  ::localtime_r(&now, &local);
  return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::optional<std::u16string> PosixPlatform::FullPath(std::u16string_view path) {
  if (path.empty()) {
    SetLastErrorFromErrno(EINVAL);
    return std::nullopt;
  }
  std::error_code ec;
  fs::path p(Narrow(path));
  if (p.is_relative()) {
    const fs::path cwd = fs::current_path(ec);
    if (ec) {
      SetLastErrorFromErrno(ec.value());
      return std::nullopt;
    }
    p = cwd / p;
  }
  // Lexical, like the platform's full-path call: the path need not exist.
  return FromUtf8(p.lexically_normal().string());
}

std::optional<std::u16string> PosixPlatform::SearchPath(std::u16string_view dirs, std::u16string_view file,
                                                        std::u16string_view extension) {
  std::string name = Narrow(file);
  // As on the platform, a name with any dot in it already has an extension.
  if (!extension.empty() && fs::path(name).filename().string().find('.') == std::string::npos) {
    name += Narrow(extension);
  }
  if (name.find('/') != std::string::npos) {
    if (IsRegularFile(name)) return FullPath(FromUtf8(name));
    SetLastErrorFromErrno(ENOENT);
    return std::nullopt;
  }
  std::vector<std::string> candidates;
  auto split = [&](const std::string& list) {
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find_first_of(":;", start);
      if (end == std::string::npos) end = list.size();
      if (end > start) candidates.push_back(list.substr(start, end - start));
      start = end + 1;
    }
  };
  if (!dirs.empty()) {
    split(Narrow(dirs));
  } else {
    // The program's own folder, the current folder, then the search path.
    candidates.push_back(fs::path(Narrow(ModuleFileName())).parent_path().string());
    candidates.emplace_back(".");
    if (const char* env = std::getenv("PATH")) split(env);
  }
  for (const auto& dir : candidates) {
    const std::string candidate = (fs::path(dir) / name).string();
    if (IsRegularFile(candidate)) return FullPath(FromUtf8(candidate));
  }
  SetLastErrorFromErrno(ENOENT);
  return std::nullopt;
}

std::u16string PosixPlatform::TempFolder() {
  std::string dir = "/tmp";
  if (const char* env = std::getenv("TMPDIR"); env && *env) dir = env;
  if (dir.back() != '/') dir += '/';
  return FromUtf8(dir);
}

std::optional<std::u16string> PosixPlatform::CreateTempFile(std::u16string_view folder, std::u16string_view prefix) {
  // Built whole rather than assigned over: GCC 12 at -O3 warns (-Wrestrict) on
  // assigning a literal to a string it has just proven empty.
  std::string dir = folder.empty() ? std::string(".") : Narrow(folder);
  if (dir.back() != '/') dir += '/';
  // Like the platform call, at most three characters of the prefix are used.
  std::string pattern = dir + Narrow(prefix.substr(0, 3)) + "XXXXXX.tmp";
  const int fd = ::mkstemps(pattern.data(), 4);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  ::close(fd);
  last_error_ = 0;
  return FromUtf8(pattern);
}

int32_t PosixPlatform::FileAttributes(std::u16string_view path) {
  const std::string p = Narrow(path);
  struct stat st {};
  if (p.empty() || ::stat(p.c_str(), &st) != 0) {
    SetLastErrorFromErrno(p.empty() ? ENOENT : errno);
    return -1;
  }
  int32_t attrs = 0;
  if (::access(p.c_str(), W_OK) != 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attrs |= 1;
  const std::string name = fs::path(p).lexically_normal().filename().string();
  if (name.size() > 1 && name[0] == '.' && name != "..") attrs |= 2;
  attrs |= S_ISDIR(st.st_mode) ? 16 : 32;
  return attrs;
}

std::u16string PosixPlatform::ExpandEnvironment(std::u16string_view text) {
  // Only the %NAME% form, as the platform's expansion has it: a host's text may
  // hold a "$" of its own (prices, shell lines) that must come back unchanged.
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == u'%') {
      const size_t end = text.find(u'%', i + 1);
      if (end != std::u16string_view::npos && end > i + 1) {
        if (const char* v = std::getenv(Narrow(text.substr(i + 1, end - i - 1)).c_str())) {
          out += FromUtf8(v);
          i = end + 1;
          continue;
        }
      }
    }
    out.push_back(text[i]);
    ++i;
  }
  return out;
}

uint32_t PosixPlatform::LogicalDrives() {
  // One tree from one root: it answers as drive C.
  return 1u << 2;
}

std::optional<std::u16string> PosixPlatform::VolumeLabel(std::u16string_view root) {
  struct stat target {};
  if (::stat(Narrow(root).c_str(), &target) != 0) {
    SetLastErrorFromErrno(errno);
    return std::nullopt;
  }
  // udev lists labelled file systems as links to their block devices.
  const char* kByLabel = "/dev/disk/by-label";
  DIR* dir = ::opendir(kByLabel);
  if (dir == nullptr) return std::nullopt;
  std::optional<std::u16string> label;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    struct stat dev {};
    const std::string link = std::string(kByLabel) + "/" + entry->d_name;
    if (::stat(link.c_str(), &dev) == 0 && S_ISBLK(dev.st_mode) && dev.st_rdev == target.st_dev) {
      // udev escapes blanks and slashes as \xNN.
      std::string name;
      for (const char* p = entry->d_name; *p; ++p) {
        unsigned v = 0;
        if (p[0] == '\\' && p[1] == 'x' && std::sscanf(p + 2, "%2x", &v) == 1) {
          name.push_back(static_cast<char>(v));
          p += 3;
        } else {
          name.push_back(*p);
        }
      }
      label = FromUtf8(name);
      break;
    }
  }
  ::closedir(dir);
  return label;
}

uint32_t PosixPlatform::SysColor(int32_t index) {
  // The classic desktop scheme, so that colour translation gives familiar values.
  static constexpr std::array<uint32_t, 31> kColors{
      0xC8D0D4, 0x808000, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0xC8D0D4,
      0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF,
      0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xD77800, 0xC8D0D4};
  if (index < 0 || static_cast<size_t>(index) >= kColors.size()) return 0;
  return kColors[static_cast<size_t>(index)];
}

void PosixPlatform::SetLastErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: last_error_ = 2; break;
    case ENOTDIR: last_error_ = 3; break;
    case EACCES:
    case EPERM: last_error_ = 5; break;
    case EEXIST: last_error_ = 80; break;
    case ENOSPC: last_error_ = 112; break;
    case ENAMETOOLONG: last_error_ = 206; break;
    default: last_error_ = 87; break;
  }
}

std::shared_ptr<Platform> MakePosixPlatform() { return std::make_shared<PosixPlatform>(); }

}  // namespace vellora2
