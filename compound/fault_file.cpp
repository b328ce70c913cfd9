#include "compound/fault_file.hpp"

#include <cerrno>
#include <vector>

#include "compound/errors.hpp"

namespace vellora2::compound {
namespace {

// Whether the call being made is the one to fail (or comes after a crash).
bool Hit(FaultPlan& plan) {
  if (plan.crashed) return true;
  if (plan.kind == FaultPlan::Kind::kNone) return false;
  if (plan.calls++ != plan.at) return false;
  if (plan.kind == FaultPlan::Kind::kCrash) plan.crashed = true;
  return true;
}

[[noreturn]] void Throw(const FaultPlan& plan, bool writing) {
  FailErrno(plan.kind == FaultPlan::Kind::kDiskFull ? ENOSPC : EIO, "injected fault", writing);
}

class FaultFile final : public File {
 public:
  FaultFile(std::shared_ptr<File> inner, std::shared_ptr<FaultPlan> plan) : inner_(std::move(inner)), plan_(std::move(plan)) {}

  size_t ReadAt(uint64_t offset, std::span<std::byte> out) override {
    if (plan_->crashed) FailErrno(EIO, "crashed", false);
    return inner_->ReadAt(offset, out);
  }
  void WriteAt(uint64_t offset, std::span<const std::byte> data) override {
    if (Hit(*plan_)) {
      // A torn write: part of the data reached the disk. The header (offset
      // 0) is one sector and is assumed to be written whole or not at all.
      if (plan_->torn && offset != 0 && data.size() > 1) inner_->WriteAt(offset, data.first(data.size() / 2));
      Throw(*plan_, true);
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
    if (Hit(*plan_)) Throw(*plan_, true);
    inner_->Sync();
    ++plan_->syncs;
  }
  uint64_t Size() override { return inner_->Size(); }
  FileTimes Times() override { return inner_->Times(); }
  void Truncate(uint64_t size) override {
    if (Hit(*plan_)) Throw(*plan_, true);
    inner_->Truncate(size);
  }
  void LockShared(uint64_t offset) override { inner_->LockShared(offset); }
  bool LockedByOthers(uint64_t offset) override { return inner_->LockedByOthers(offset); }
  void Unlock(uint64_t offset) override { inner_->Unlock(offset); }
  bool HeldByOthers(Holders which) override {
    if (plan_->every_call && Hit(*plan_)) Throw(*plan_, false);
    return inner_->HeldByOthers(which);
  }
  bool TryLockWhole() override {
    if (Hit(*plan_)) Throw(*plan_, false);
    return inner_->TryLockWhole();
  }
  // A failed close has closed the file all the same.
  void Close() override {
    const bool hit = Hit(*plan_);
    inner_->Close();
    if (hit) Throw(*plan_, true);
  }

 private:
  std::shared_ptr<File> inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace

std::shared_ptr<File> FaultFileSystem::Wrap(std::shared_ptr<File> file) {
  return std::make_shared<FaultFile>(std::move(file), plan_);
}

std::shared_ptr<File> FaultFileSystem::Open(const std::string& path, OpenMode mode) {
  if (plan_->crashed) FailErrno(EIO, "crashed", false);
  if (plan_->every_call && Hit(*plan_)) Throw(*plan_, mode != OpenMode::kRead);
  return Wrap(inner_->Open(path, mode));
}

std::shared_ptr<File> FaultFileSystem::OpenTemp() { return Wrap(inner_->OpenTemp()); }

void FaultFileSystem::Rename(const std::string& from, const std::string& to) {
  if (Hit(*plan_)) FailErrno(EIO, "injected fault", true);
  inner_->Rename(from, to);
}

void FaultFileSystem::Remove(const std::string& path) {
  if (plan_->crashed) FailErrno(EIO, "crashed", true);
  if (plan_->every_call && Hit(*plan_)) Throw(*plan_, true);
  inner_->Remove(path);
}

}  // namespace vellora2::compound
