#include "compound/fault_file.hpp"

#include <cerrno>
#include <vector>

#include "compound/errors.hpp"

namespace vellora2::compound {
namespace {

class FaultFile final : public File {
 public:
  FaultFile(std::shared_ptr<File> inner, std::shared_ptr<FaultPlan> plan) : inner_(std::move(inner)), plan_(std::move(plan)) {}

  size_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
    if (plan_->crashed) FailErrno(EIO, "crashed", false);
    return inner_->ReadAt(offset, out);
  }
  void WriteAt(uint64_t offset, std::span<const std::byte> data) override {
    if (Hit()) {
      // A torn write: part of the data reached the disk. The header (offset
      // 0) is one sector and is assumed to be written whole or not at all.
      if (plan_->torn && offset != 0 && data.size() > 1) inner_->WriteAt(offset, data.first(data.size() / 2));
      Throw(true);
    }
    inner_->WriteAt(offset, data);
  }
  // One write, so one place to fail, as the real file's single call is.
  void WritePartsAt(uint64_t offset, std::span<const std::span<const std::byte>> parts) override {
    std::vector<std::byte> joined;
    for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    WriteAt(offset, joined);
  }
  void Sync() override {
    if (Hit()) Throw(true);
    inner_->Sync();
    ++plan_->syncs;
  }
  uint64_t Size() override { return inner_->Size(); }
  void Truncate(uint64_t size) override {
    if (Hit()) Throw(true);
    inner_->Truncate(size);
  }
  void LockShared(uint64_t offset) override { inner_->LockShared(offset); }
  bool LockedByOthers(uint64_t offset) override { return inner_->LockedByOthers(offset); }
  void Unlock(uint64_t offset) override { inner_->Unlock(offset); }
  bool HeldByOthers(Holders which) override { return inner_->HeldByOthers(which); }

 private:
  bool Hit() {
    if (plan_->crashed) return true;
    if (plan_->kind == FaultPlan::Kind::kNone) return false;
    if (plan_->calls++ != plan_->at) return false;
    if (plan_->kind == FaultPlan::Kind::kCrash) plan_->crashed = true;
    return true;
  }
  [[noreturn]] void Throw(bool writing) {
    FailErrno(plan_->kind == FaultPlan::Kind::kDiskFull ? ENOSPC : EIO, "injected fault", writing);
  }

  std::shared_ptr<File> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace

std::shared_ptr<File> FaultFileSystem::Wrap(std::shared_ptr<File> file) {
  return std::make_shared<FaultFile>(std::move(file), plan_);
}

std::shared_ptr<File> FaultFileSystem::Open(const std::string& path, OpenMode mode) {
  if (plan_->crashed) FailErrno(EIO, "crashed", false);
  return Wrap(inner_->Open(path, mode));
}

std::shared_ptr<File> FaultFileSystem::OpenTemp() { return Wrap(inner_->OpenTemp()); }

void FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  if (plan_->crashed || (plan_->kind != FaultPlan::Kind::kNone && plan_->calls++ == plan_->at)) {
    if (plan_->kind == FaultPlan::Kind::kCrash) plan_->crashed = true;
    FailErrno(EIO, "injected fault", true);
  }
  inner_->Rename(from, to);
}

void FaultFileSystem::Remove(const std::string& path) {
  if (plan_->crashed) FailErrno(EIO, "crashed", true);
  inner_->Remove(path);
}

}  // namespace vellora2::compound
