// The public StorageEngine: opening and creating documents.
#include <array>
#include <ctime>
#include <map>
#include <mutex>

#include "compound/checker.hpp"
#include "compound/errors.hpp"
#include "compound/handles.hpp"
#include "compound/header.hpp"
#include "compound/sharing.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {
namespace compound {

class EngineState {
 public:
  explicit EngineState(std::shared_ptr<FileSystem> file_system) : files(std::move(file_system)) {}
  std::shared_ptr<FileSystem> files;
  std::map<int32_t, std::shared_ptr<File>> temp_stores;
  int32_t next_temp = 1;
};

}  // namespace compound

namespace {

using compound::Fail;

Storage OpenRoot(std::shared_ptr<compound::CompoundFile> doc, const compound::Mode& m, std::u16string name) {
  auto tree = doc->LoadTree();
  auto level = std::make_shared<compound::Level>(std::move(doc), std::move(tree), m.transacted);
  return Storage(std::make_shared<compound::StorageHandle>(level, nullptr, nullptr, m, std::move(name)));
}

void ShareOrFail(compound::File& file, const compound::Mode& m, int32_t code) {
  if (!compound::AcquireShareLocks(file, m)) {
    if (code == rt::kPathFileAccessError) Raise(code, std::u16string(compound::kErrorSource));
    Fail(code, "the file is in use with a conflicting sharing mode");
  }
}

}  // namespace

StorageEngine::StorageEngine() : StorageEngine(compound::PosixFileSystem()) {}

StorageEngine::StorageEngine(std::shared_ptr<compound::FileSystem> files)
    : state_(std::make_unique<compound::EngineState>(std::move(files))) {}

StorageEngine::~StorageEngine() = default;

const std::shared_ptr<compound::FileSystem>& StorageEngine::Files() const { return state_->files; }

Storage StorageEngine::CreateStorageFile(std::u16string_view path, int32_t mode) {
  const auto m = compound::ParseMode(mode, compound::OpenKind::kRootCreate);
  const std::string p = ToUtf8(path);
  auto& files = *state_->files;
  if (m.convert && files.Exists(p)) {
    // The flat file is only read until a commit replaces it with a compound
    // file; another program's conflicting open is the runtime's error 75.
    auto file = files.Open(p, compound::OpenMode::kRead);
    compound::Mode probe = m;
    probe.write = false;
    // A program writing the file under a record lock holds it as much as a
    // conflicting open of ours does; its whole-file lock would also refuse our
    // sharing locks with a raw lock error.
    try {
      if (file->HeldByOthers(compound::File::Holders::kWriters))
        Raise(rt::kPathFileAccessError, std::u16string(compound::kErrorSource));
      ShareOrFail(*file, probe, rt::kPathFileAccessError);
    } catch (const AutomationError& e) {
      if (e.number() != STG_E_LOCKVIOLATION) throw;
      Raise(rt::kPathFileAccessError, std::u16string(compound::kErrorSource));
    }
    auto doc = std::make_shared<compound::CompoundFile>(state_->files, p, file, m);
    return OpenRoot(std::move(doc), m, std::u16string(path));
  }
  if (!m.create && !m.convert && files.Exists(p)) Fail(STG_E_FILEALREADYEXISTS, "the file exists: " + p);
  const bool fresh = !files.Exists(p);
  auto file = files.Open(p, fresh ? compound::OpenMode::kCreateNew : compound::OpenMode::kReadWrite);
  try {
    // Whoever holds the file keeps it: replacing it would lose what they write.
    if (!fresh && file->HeldByOthers(compound::File::Holders::kAny)) {
      Fail(STG_E_SHAREVIOLATION, "the file is held by another open: " + p);
    }
    ShareOrFail(*file, m, STG_E_SHAREVIOLATION);
    auto doc = std::make_shared<compound::CompoundFile>(state_->files, p, file, m);
    doc->set_container(compound::Container::Create(file, 3));
    compound::RemoveLeftovers(files, p);
    return OpenRoot(std::move(doc), m, std::u16string(path));
  } catch (...) {
    // A file this call made and could not fill would read as "not a compound
    // file" and block the next create.
    if (fresh) {
      file.reset();
      try {
        files.Remove(p);
      } catch (const std::exception&) {
        // The first failure is the one to report.
      }
    }
    throw;
  }
}

Storage StorageEngine::OpenStorageFile(std::u16string_view path, int32_t mode) {
  const auto m = compound::ParseMode(mode, compound::OpenKind::kRootOpen);
  const std::string p = ToUtf8(path);
  auto file = state_->files->Open(p, m.write ? compound::OpenMode::kReadWrite : compound::OpenMode::kRead);
  ShareOrFail(*file, m, STG_E_SHAREVIOLATION);
  auto doc = std::make_shared<compound::CompoundFile>(state_->files, p, file, m);
  doc->set_container(compound::Container::Open(file));
  if (m.write) compound::RemoveLeftovers(*state_->files, p);
  return OpenRoot(std::move(doc), m, std::u16string(path));
}

bool StorageEngine::IsStorageFile(std::u16string_view path) {
  auto file = state_->files->Open(ToUtf8(path), compound::OpenMode::kRead);
  std::array<std::byte, 8> head{};
  if (file->ReadAt(0, head) != head.size()) return false;
  for (size_t i = 0; i < head.size(); ++i) {
    if (std::to_integer<uint8_t>(head[i]) != compound::kSignature[i]) return false;
  }
  return true;
}

int32_t StorageEngine::CreateTempStore() {
  const int32_t handle = state_->next_temp++;
  state_->temp_stores[handle] = state_->files->OpenTemp();
  return handle;
}

Storage StorageEngine::CreateRootStorage(std::u16string_view name, int32_t mode, int32_t handle) {
  const auto m = compound::ParseMode(mode, compound::OpenKind::kRootCreate);
  auto it = state_->temp_stores.find(handle);
  if (it == state_->temp_stores.end()) Fail(STG_E_INVALIDHANDLE, "no such temporary store");
  auto doc = std::make_shared<compound::CompoundFile>(state_->files, std::string(), it->second, m);
  doc->set_container(compound::Container::Create(it->second, 3));
  return OpenRoot(std::move(doc), m, std::u16string(name));
}

void StorageEngine::ReleaseTempStore(int32_t handle) {
  // Storages still open on the store keep its file until they are released;
  // the file has no name, so nothing remains afterwards.
  if (state_->temp_stores.erase(handle) == 0) Fail(STG_E_INVALIDHANDLE, "no such temporary store");
}

Date StorageEngine::ConvertTime(Date stored) {
  if (stored.value == 0) return stored;  // the zero date means "never": it shows as nothing
  const double unix_time = UnixTimeFromDate(stored);
  const time_t t = static_cast<time_t>(unix_time);
  struct tm local {};
  if (!localtime_r(&t, &local)) return stored;
  return DateFromUnixTime(unix_time + static_cast<double>(local.tm_gmtoff));
}

std::vector<StorageProblem> StorageEngine::Check(std::u16string_view path) {
  auto file = state_->files->Open(ToUtf8(path), compound::OpenMode::kRead);
  std::vector<StorageProblem> out;
  for (auto& finding : compound::CheckFile(file)) {
    out.push_back({std::move(finding.text), finding.kind == compound::Finding::Kind::kNote});
  }
  for (const auto& copy : compound::FindLeftovers(*state_->files, ToUtf8(path))) {
    out.push_back({"a copy left by an interrupted save: " + copy + " (the next open for writing removes it)", true});
  }
  return out;
}

void StorageEngine::Compact(std::u16string_view path) {
  const auto m =
      compound::ParseMode(STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, compound::OpenKind::kRootOpen);
  const std::string p = ToUtf8(path);
  auto file = state_->files->Open(p, compound::OpenMode::kReadWrite);
  // The new file replaces this one: whoever holds it would go on writing
  // into a file that nobody can reach.
  if (file->HeldByOthers(compound::File::Holders::kAny)) {
    Fail(STG_E_SHAREVIOLATION, "the file is held by another open: " + p);
  }
  ShareOrFail(*file, m, STG_E_SHAREVIOLATION);
  compound::CompoundFile doc(state_->files, p, file, m);
  doc.set_container(compound::Container::Open(file));
  compound::RemoveLeftovers(*state_->files, p);
  doc.Compact();
}

CompoundFileInfo StorageEngine::Info(std::u16string_view path) {
  auto file = state_->files->Open(ToUtf8(path), compound::OpenMode::kRead);
  std::array<std::byte, 512> bytes{};
  const size_t n = file->ReadAt(0, bytes);
  const compound::Header header = compound::ParseHeader(std::span<const std::byte>(bytes.data(), n));
  CompoundFileInfo info;
  info.major_version = header.major_version;
  info.sector_size = header.sector_size();
  info.file_size = file->Size();
  // The header takes one whole sector, also when sectors are 4096 bytes long.
  info.sector_count = info.file_size > info.sector_size ? (info.file_size - 1) / info.sector_size : 0;
  info.fat_sectors = header.fat_sector_count;
  info.difat_sectors = header.difat_sector_count;
  info.minifat_sectors = header.minifat_sector_count;
  info.first_directory_sector = header.first_dir_sector;
  info.transaction_signature = header.transaction_signature;
  return info;
}

}  // namespace vellora2
