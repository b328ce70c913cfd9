// A file system for fault tests: it counts every write, sync, truncate, close,
// whole-file lock and rename of the file system it wraps (memory files, or the
// disk's), and at a chosen one either "crashes" (that call and every later one
// fail, as if the machine stopped) or fails that one call with an I/O error or
// a full disk.
#pragma once

#include <memory>
#include <string>

#include "compound/file.hpp"
#include "compound/memory_file.hpp"

namespace vellora2::compound {

struct FaultPlan {
  enum class Kind { kNone, kCrash, kIoError, kDiskFull };
  Kind kind = Kind::kNone;
  long at = -1;         // the call (counting from 0) that fails
  long calls = 0;       // calls counted so far
  long syncs = 0;       // Sync calls that completed
  bool crashed = false;
  bool torn = true;     // a crashing data write leaves its first half written
  // Open, Remove and HeldByOthers count (and fail) too. The engine's own fault
  // tests leave them out; code whose every call on a file must be safe to fail,
  // such as one that removes what it made, counts them.
  bool every_call = false;
};

class FaultFileSystem final : public FileSystem {
 public:
  FaultFileSystem(std::shared_ptr<FileSystem> inner, std::shared_ptr<FaultPlan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}

  std::shared_ptr<File> Open(const std::string& path, OpenMode mode) override;
  std::shared_ptr<File> OpenTemp() override;
  bool Exists(const std::string& path) override { return inner_->Exists(path); }
  void Rename(const std::string& from, const std::string& to) override;
  // A crashed machine removes nothing either.
  void Remove(const std::string& path) override;
  std::vector<std::string> List(const std::string& folder) override { return inner_->List(folder); }

 private:
  std::shared_ptr<File> Wrap(std::shared_ptr<File> file);

  std::shared_ptr<FileSystem> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace vellora2::compound
