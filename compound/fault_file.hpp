// A file system for fault tests: it counts every write, sync, truncate and
// rename, and at a chosen one either "crashes" (that call and every later one
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
};

class FaultFileSystem final : public FileSystem {
 public:
  FaultFileSystem(std::shared_ptr<MemoryFileSystem> inner, std::shared_ptr<FaultPlan> plan)
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

  std::shared_ptr<MemoryFileSystem> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace vellora2::compound
