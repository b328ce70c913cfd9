#include "compound/memory_file.hpp"

#include <algorithm>
#include <cstring>

#include "compound/errors.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

struct MemoryFileSystem::Data {
  // Stamped by the thread's clock, as a real file's by the system's.
  FileTimes times{CurrentClock().Now(), CurrentClock().Now(), CurrentClock().Now()};
  std::vector<std::byte> bytes;
  std::vector<std::byte> durable;
  // byte offset -> (holder, exclusive)
  std::multimap<uint64_t, std::pair<const void*, bool>> locks;
  size_t open_count = 0;
};

namespace {

std::mutex& OpenCountMutex() {
  static std::mutex m;
  return m;
}

class MemoryFile final : public File {
 public:
  MemoryFile(std::shared_ptr<MemoryFileSystem::Data> data, bool writable, std::shared_ptr<size_t> open_files)
      : data_(std::move(data)), writable_(writable), open_files_(std::move(open_files)) {
    std::lock_guard lock(OpenCountMutex());
    ++data_->open_count;
    ++*open_files_;
  }
  ~MemoryFile() override {
    std::lock_guard lock(OpenCountMutex());
    for (auto it = data_->locks.begin(); it != data_->locks.end();) {
      it = it->second.first == this ? data_->locks.erase(it) : std::next(it);
    }
    --data_->open_count;
    --*open_files_;
  }

  size_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
    const auto& b = data_->bytes;
    if (offset >= b.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), b.size() - offset));
    std::memcpy(out.data(), b.data() + offset, n);
    data_->times.accessed = CurrentClock().Now();
    return n;
  }
  void WriteAt(uint64_t offset, std::span<const std::byte> data) override {
    if (!writable_) Fail(STG_E_ACCESSDENIED, "file opened read-only");
    auto& b = data_->bytes;
    if (b.size() < offset + data.size()) b.resize(offset + data.size());
    if (!data.empty()) std::memcpy(b.data() + offset, data.data(), data.size());
    data_->times.modified = CurrentClock().Now();
  }
  void Sync() override { data_->durable = data_->bytes; }
  uint64_t Size() override { return data_->bytes.size(); }
  void Truncate(uint64_t size) override {
    if (!writable_) Fail(STG_E_ACCESSDENIED, "file opened read-only");
    data_->bytes.resize(size);
    data_->times.modified = CurrentClock().Now();
  }
  FileTimes Times() override { return data_->times; }
  void LockShared(uint64_t offset) override {
    std::lock_guard lock(OpenCountMutex());
    data_->locks.emplace(offset, std::make_pair(static_cast<const void*>(this), false));
  }
  bool LockedByOthers(uint64_t offset) override {
    std::lock_guard lock(OpenCountMutex());
    auto [first, last] = data_->locks.equal_range(offset);
    for (auto it = first; it != last; ++it) {
      if (it->second.first != this) return true;
    }
    return false;
  }
  // Memory files know only the sharing locks, which are all shared ones.
  bool HeldByOthers(Holders which) override {
    if (which == Holders::kWriters) return false;
    std::lock_guard lock(OpenCountMutex());
    return std::any_of(data_->locks.begin(), data_->locks.end(),
                       [this](const auto& entry) { return entry.second.first != this; });
  }
  void Unlock(uint64_t offset) override {
    std::lock_guard lock(OpenCountMutex());
    auto [first, last] = data_->locks.equal_range(offset);
    for (auto it = first; it != last;) {
      it = it->second.first == this ? data_->locks.erase(it) : std::next(it);
    }
  }

 private:
  std::shared_ptr<MemoryFileSystem::Data> data_;
  bool writable_;
  std::shared_ptr<size_t> open_files_;
};

}  // namespace

std::shared_ptr<MemoryFileSystem::Data> MemoryFileSystem::Find(const std::string& path) {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : it->second;
}

std::shared_ptr<File> MemoryFileSystem::Open(const std::string& path, OpenMode mode) {
  std::lock_guard lock(mutex_);
  auto data = Find(path);
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kReadWrite:
      if (!data) Fail(STG_E_FILENOTFOUND, "no such file: " + path);
      break;
    case OpenMode::kCreateNew:
      if (data) Fail(STG_E_FILEALREADYEXISTS, "file exists: " + path);
      [[fallthrough]];
    case OpenMode::kCreateAlways:
      if (!data) {
        data = std::make_shared<Data>();
        files_[path] = data;
      }
      data->bytes.clear();
      data->times.modified = CurrentClock().Now();
      break;
  }
  return std::make_shared<MemoryFile>(data, mode != OpenMode::kRead, open_files_);
}

std::shared_ptr<File> MemoryFileSystem::OpenTemp() { return std::make_shared<MemoryFile>(std::make_shared<Data>(), true, open_files_); }

bool MemoryFileSystem::Exists(const std::string& path) {
  std::lock_guard lock(mutex_);
  return Find(path) != nullptr;
}

void MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
  std::lock_guard lock(mutex_);
  auto data = Find(from);
  if (!data) Fail(STG_E_FILENOTFOUND, "no such file: " + from);
  // A rename is durable at once here: the file's synced bytes move with it.
  files_.erase(from);
  files_[to] = data;
}

void MemoryFileSystem::Remove(const std::string& path) {
  std::lock_guard lock(mutex_);
  files_.erase(path);
}

std::vector<std::string> MemoryFileSystem::List(const std::string& folder) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& [path, data] : files_) {
    const size_t slash = path.rfind('/');
    const std::string in = slash == std::string::npos ? "." : path.substr(0, slash);
    if (in == folder) out.push_back(slash == std::string::npos ? path : path.substr(slash + 1));
  }
  return out;
}

std::vector<std::byte> MemoryFileSystem::Contents(const std::string& path, bool durable_only) {
  std::lock_guard lock(mutex_);
  auto data = Find(path);
  if (!data) return {};
  return durable_only ? data->durable : data->bytes;
}

void MemoryFileSystem::SetContents(const std::string& path, std::vector<std::byte> bytes) {
  std::lock_guard lock(mutex_);
  auto data = Find(path);
  if (!data) {
    data = std::make_shared<Data>();
    files_[path] = data;
  }
  data->bytes = std::move(bytes);
  data->durable = data->bytes;
}

size_t MemoryFileSystem::OpenFileCount() const {
  std::lock_guard lock(OpenCountMutex());
  return *open_files_;
}

size_t MemoryFileSystem::FileCount() const {
  std::lock_guard lock(mutex_);
  return files_.size();
}

}  // namespace vellora2::compound
