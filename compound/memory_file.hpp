// Files kept in memory, for tests: fast, isolated, and able to show what a crash
// would leave. Each file remembers its contents as of the last Sync, so a test
// can ask for "what the disk holds if power fails now".
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "compound/file.hpp"

namespace vellora2::compound {

class MemoryFileSystem final : public FileSystem {
 public:
  struct Data;

  MemoryFileSystem() = default;

  std::shared_ptr<File> Open(const std::string& path, OpenMode mode) override;
  std::shared_ptr<File> OpenTemp() override;
  bool Exists(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  void Remove(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder) override;

  // The bytes of a file now, or as of its last Sync (what survives a crash).
  std::vector<std::byte> Contents(const std::string& path, bool durable_only = false);
  void SetContents(const std::string& path, std::vector<std::byte> bytes);
  // Open files count, temporary ones included: leaks show up here.
  size_t OpenFileCount() const;
  size_t FileCount() const;

 private:
  std::shared_ptr<Data> Find(const std::string& path);

  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Data>> files_;
  std::shared_ptr<size_t> open_files_ = std::make_shared<size_t>(0);
};

}  // namespace vellora2::compound
