#include "cli/walk.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include <fmt/core.h>

#include "cli/common.hpp"
#include "cli/progress.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2::cli {
namespace {

constexpr size_t kChunk = 1u << 20;
// Levels drawn with branch glyphs; deeper ones are numbered.
constexpr size_t kIndentLevels = 32;

// Closes a folder descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(-1); }
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

int OpenFolderAt(int at, const std::string& name) {
  return ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Moves `fd` into its subfolder `name`, or up to its parent for "..": deep
// trees are walked with one descriptor, since paths would grow past PATH_MAX.
void Step(Fd& fd, const std::string& name, const std::string& shown) {
  const int next = OpenFolderAt(fd.get(), name);
  if (next < 0) FailErrno(shown);
  fd.Reset(next);
}

// Removes the files of the folder `fd` and returns its subfolders.
std::vector<std::string> ClearFiles(int fd) {
  std::vector<std::string> folders;
  const int copy = ::dup(fd);
  DIR* d = copy < 0 ? nullptr : ::fdopendir(copy);
  if (d == nullptr) {
    if (copy >= 0) ::close(copy);
    return folders;
  }
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
      folders.push_back(name);
    } else {
      ::unlinkat(fd, e->d_name, 0);
    }
  }
  ::closedir(d);
  return folders;
}

// Removes the folder `path` with all it holds, at any depth; errors are
// ignored, as this runs only while another error is on its way out.
void RemoveTree(const std::string& path) {
  Fd cur(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (cur.get() < 0) return;
  std::vector<std::vector<std::string>> pending{ClearFiles(cur.get())};
  std::vector<std::string> names;
  for (;;) {
    if (!pending.back().empty()) {
      std::string name = std::move(pending.back().back());
      pending.back().pop_back();
      const int next = OpenFolderAt(cur.get(), name);
      if (next < 0) continue;
      cur.Reset(next);
      names.push_back(std::move(name));
      pending.push_back(ClearFiles(cur.get()));
      continue;
    }
    pending.pop_back();
    if (names.empty()) break;
    const int up = OpenFolderAt(cur.get(), "..");
    if (up < 0) break;
    cur.Reset(up);
    ::unlinkat(cur.get(), names.back().c_str(), AT_REMOVEDIR);
    names.pop_back();
  }
  cur.Reset(-1);
  ::rmdir(path.c_str());
}

// Moves what `staging` holds into the existing folder `target`, folder by
// folder where both have one. With `apply` false it only checks that nothing
// would be replaced that may not be, so that a refusal changes nothing.
void Merge(const std::string& staging, const std::string& target, bool force, bool apply) {
  struct Pair {
    std::unique_ptr<Fd> from, to;
    std::string shown;
  };
  std::vector<Pair> work;
  auto open = [](const std::string& path) {
    auto fd = std::make_unique<Fd>(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd->get() < 0) FailErrno(path);
    return fd;
  };
  auto first_from = open(staging);
  auto first_to = open(target);
  work.push_back({std::move(first_from), std::move(first_to), target});
  while (!work.empty()) {
    Pair pair = std::move(work.back());
    work.pop_back();
    bool touched = false;
    const int copy = ::dup(pair.from->get());
    DIR* d = copy < 0 ? nullptr : ::fdopendir(copy);
    if (d == nullptr) {
      if (copy >= 0) ::close(copy);
      FailErrno(pair.shown);
    }
    std::vector<std::pair<std::string, bool>> entries;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st {};
      const bool folder = ::fstatat(pair.from->get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
      entries.emplace_back(name, folder);
    }
    ::closedir(d);
    for (const auto& [name, folder] : entries) {
      const std::string shown = pair.shown + "/" + name;
      struct stat st {};
      const bool exists = ::fstatat(pair.to->get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
      if (exists && folder && S_ISDIR(st.st_mode)) {
        auto from = std::make_unique<Fd>(OpenFolderAt(pair.from->get(), name));
        auto to = std::make_unique<Fd>(OpenFolderAt(pair.to->get(), name));
        if (from->get() < 0 || to->get() < 0) FailErrno(shown);
        work.push_back({std::move(from), std::move(to), shown});
        continue;
      }
      if (exists && folder) Fail(rt::kFileAlreadyExists, shown + " exists and is not a folder");
      if (exists && S_ISDIR(st.st_mode)) Fail(rt::kFileAlreadyExists, shown + " is a folder");
      if (exists && !force) Fail(rt::kFileAlreadyExists, shown + " exists (use --force to replace it)");
      if (exists) RefuseIfHeld(pair.to->get(), name, shown);
      if (apply) {
        if (::renameat(pair.from->get(), name.c_str(), pair.to->get(), name.c_str()) != 0) FailErrno(shown);
        touched = true;
      }
    }
    // The new names in this folder must reach the disk as the files did.
    if (touched && ::fsync(pair.to->get()) != 0) FailErrno(pair.shown);
  }
}

void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0 || ::fsync(fd.get()) != 0) FailErrno(folder);
}

}  // namespace

TreeWalk::TreeWalk(Storage root, bool storages_first) : storages_first_(storages_first) { Enter(std::move(root)); }

void TreeWalk::Enter(Storage storage) {
  Level level;
  int16_t type = 0;
  std::u16string name;
  for (storage.NextElement(0, type, name); type != 0; storage.NextElement(1, type, name)) {
    level.children.emplace_back(type, name);
  }
  if (storages_first_) {
    std::stable_partition(level.children.begin(), level.children.end(),
                          [](const auto& c) { return c.first == STGTY_STORAGE; });
  }
  level.storage = std::move(storage);
  levels_.push_back(std::move(level));
}

bool TreeWalk::Next() {
  if (enter_) {
    enter_ = false;
    Enter(levels_.back().storage.OpenChildStorage(name_, STGM_READ | STGM_SHARE_EXCLUSIVE));
  }
  while (!levels_.empty() && levels_.back().next == levels_.back().children.size()) levels_.pop_back();
  if (levels_.empty()) return false;
  Level& level = levels_.back();
  auto& [type, name] = level.children[level.next++];
  type_ = type;
  name_ = std::move(name);
  depth_ = levels_.size();
  last_ = level.next == level.children.size();
  enter_ = type_ == STGTY_STORAGE;
  return true;
}

Stream TreeWalk::OpenStream() {
  return levels_.back().storage.OpenChildStream(name_, STGM_READ | STGM_SHARE_EXCLUSIVE);
}

uint64_t TreeWalk::StreamLength() { return OpenStream().Length(); }

void PrintTree(Storage root, bool storages_first, std::FILE* out) {
  TreeWalk walk(std::move(root), storages_first);
  std::vector<bool> lasts;  // for each level above, whether that storage was its parent's last child
  std::string line;
  while (walk.Next()) {
    lasts.resize(walk.depth() - 1);
    line.clear();
    for (size_t i = 0; i < std::min(lasts.size(), kIndentLevels); ++i) line += lasts[i] ? "    " : "│   ";
    if (lasts.size() > kIndentLevels) line += fmt::format("[{}] ", walk.depth());
    line += walk.last() ? "└── " : "├── ";
    line += Shown(walk.name());
    if (walk.type() == STGTY_STORAGE) {
      line += "/";
    } else {
      line += fmt::format("  {}", walk.StreamLength());
    }
    line += '\n';
    Put(line, out);
    lasts.push_back(walk.last());
  }
}

void ListTree(Storage root, bool storages_first, std::FILE* out) {
  TreeWalk walk(std::move(root), storages_first);
  std::vector<size_t> ends;  // where each level's part of `path` ends
  std::string path;
  while (walk.Next()) {
    ends.resize(walk.depth() - 1);
    path.resize(ends.empty() ? 0 : ends.back());
    if (!ends.empty()) path += '/';
    path += Shown(walk.name());
    const bool storage = walk.type() == STGTY_STORAGE;
    Put(fmt::format("{}\t{}\t{}\n", path, storage ? "storage" : "stream", storage ? 0 : walk.StreamLength()), out);
    ends.push_back(path.size());
  }
}

void CopyStreamToFd(Stream& stream, int fd, const std::string& label) {
  Progress progress(label, stream.Length());
  std::vector<std::byte> buf(kChunk);
  uint64_t done = 0;
  stream.SetPosition(0);
  for (;;) {
    const size_t n = stream.Read(buf);
    if (n == 0) break;
    size_t off = 0;
    while (off < n) {
      const ssize_t w = ::write(fd, buf.data() + off, n - off);
      if (w < 0) {
        if (errno == EINTR) continue;
        FailErrno("writing " + label);
      }
      off += static_cast<size_t>(w);
    }
    done += n;
    progress.Update(done);
  }
}

void ExportTree(Storage root, const std::string& dir_arg, bool force) {
  std::string dir = dir_arg;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  struct stat st {};
  bool merge = false;
  if (::lstat(dir.c_str(), &st) == 0) {
    // Never follow a link: it could lead out of the folder we were given.
    if (!S_ISDIR(st.st_mode)) Fail(rt::kFileAlreadyExists, dir + " exists and is not a folder");
    merge = true;
  } else if (errno != ENOENT) {
    FailErrno(dir);
  }
  std::string staging = merge ? dir + "/.vellora.partXXXXXX" : dir + ".partXXXXXX";
  if (::mkdtemp(staging.data()) == nullptr) FailErrno(dir);
  try {
    Fd cur(::open(staging.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (cur.get() < 0) FailErrno(staging);
    size_t depth = 0;                // of the folder `cur` is in: 0 is the staging folder
    std::vector<std::string> names;  // the disk names down to `cur`, for messages
    TreeWalk walk(std::move(root), false);
    while (walk.Next()) {
      for (; depth >= walk.depth(); --depth) {
        Step(cur, "..", dir);
        names.pop_back();
      }
      const std::string name = DiskName(walk.name());
      std::string shown = dir;
      if (depth > 1) shown += "/…";
      if (!names.empty()) {
        shown += '/';
        shown += names.back();
      }
      shown += '/';
      shown += name;
      if (walk.type() == STGTY_STORAGE) {
        if (::mkdirat(cur.get(), name.c_str(), 0777) != 0) FailErrno(shown);
        Step(cur, name, shown);
        ++depth;
        names.push_back(name);
        continue;
      }
      Fd file(::openat(cur.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (file.get() < 0) FailErrno(shown);
      Stream stream = walk.OpenStream();
      CopyStreamToFd(stream, file.get(), shown);
      if (::close(file.Release()) != 0) FailErrno(shown);
    }
    // One sync makes every file written above durable before any takes its name.
    if (::syncfs(cur.get()) != 0) FailErrno(dir);
    cur.Reset(-1);
    if (merge) {
      Merge(staging, dir, force, false);
      Merge(staging, dir, force, true);
      RemoveTree(staging);
    } else {
      if (::rename(staging.c_str(), dir.c_str()) != 0) FailErrno(dir);
      SyncFolderOf(dir);
    }
  } catch (...) {
    RemoveTree(staging);
    throw;
  }
}

}  // namespace vellora2::cli
