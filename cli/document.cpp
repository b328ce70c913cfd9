#include "cli/document.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <cstdlib>
#include <string_view>

#include <fmt/core.h>

#include "cli/common.hpp"
#include "cli/progress.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::cli {
namespace {

// AppVersion holds this while a candidate is probed: no document has it, and a
// document's own value (even a blank one, which reads as the library's version)
// replaces it.
constexpr std::u16string_view kNoVersion = u"\x01";

// Tells documents from other compound files while CVellora opens one.
class Recognizer final : public CVelloraEvents {
 public:
  explicit Recognizer(CVellora& doc) : doc_(doc), connection_(doc_.Connect(this)) {}

  void IsCorrectFileType(bool& blnCorrect) override { blnCorrect = doc_.AppVersion() != kNoVersion; }

 private:
  CVellora& doc_;
  EventConnection connection_;
};

// A folder of our own under $TMPDIR for streams on their way through a disk
// file, removed with what it holds.
class TempFolder {
 public:
  TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vellora.XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) FailErrno(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    ::unlink(File().c_str());
    ::rmdir(path_.c_str());
  }
  std::string File() const { return path_ + "/data"; }

 private:
  std::string path_;
};

void SpoolStandardInput(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) FailErrno(path);
  std::vector<char> buf(1u << 20);
  try {
    for (;;) {
      const ssize_t n = ::read(STDIN_FILENO, buf.data(), buf.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) FailErrno("standard input");
      if (n == 0) break;
      for (ssize_t off = 0; off < n;) {
        const ssize_t w = ::write(fd, buf.data() + off, static_cast<size_t>(n - off));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) FailErrno(path);
        off += w;
      }
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) FailErrno(path);
}

std::vector<std::u16string> Names(const Variant& list) {
  const auto* names = list.array_if<std::u16string>();
  return names ? std::vector<std::u16string>(names->begin(), names->end()) : std::vector<std::u16string>{};
}

// The type of the element named by the first `count` parts: 0 when it (or a
// storage above it) is missing.
int16_t Kind(CFilesIO& files, const std::vector<std::u16string>& parts, size_t count) {
  const std::u16string parent = JoinPath(parts, count - 1);
  std::vector<std::u16string> storages;
  std::vector<std::u16string> streams;
  try {
    storages = Names(files.EnumStorages(std::u16string_view(parent)));
    streams = Names(files.EnumStreams(std::u16string_view(parent)));
  } catch (const AutomationError& e) {
    if (e.number() != STG_E_FILENOTFOUND && e.number() != STG_E_PATHNOTFOUND) throw;
    return 0;
  }
  auto has = [&](const std::vector<std::u16string>& names) {
    return std::any_of(names.begin(), names.end(), [&](const auto& n) { return SameName(n, parts[count - 1]); });
  };
  return static_cast<int16_t>(has(storages) ? STGTY_STORAGE : has(streams) ? STGTY_STREAM : 0);
}

// A document's elements are changed through paths, which cannot spell every
// name another writer may have left; such an element is refused rather than
// have the path reach another one.
void RequireAddressable(const std::vector<std::u16string>& parts) {
  for (const auto& part : parts) {
    if (!Spellable(part))
      Fail(STG_E_INVALIDNAME, Shown(part) + ": documents can change only names that paths can spell");
  }
}

std::u16string Child(const std::u16string& storage, const std::u16string& name) {
  return storage.empty() ? name : storage + u"\\" + name;
}

// CFilesIO makes storages only on the way to a stream: a stream of a name no
// host uses is loaded under `path`, which creates every storage missing on the
// way, and deleted again. Both happen in the open document's snapshot, so the
// file never holds the stream.
void EnsureStorage(CFilesIO& files, const std::u16string& path) {
  const std::u16string placeholder = Child(path, u"\x01vellora.mkdir");
  const bool existed = files.Load(placeholder);
  files.CloseLoadedFile();
  if (!existed) files.Delete(placeholder);
}

// One stream out to a new disk file, with a bar on a terminal.
void ExportStream(CFilesIO& files, const std::u16string& element, const std::string& path, bool force) {
  WriteDiskFile(path, force, [&](const std::string& temp) {
    FilesIOProgress bar(files, path);
    files.Export(element, FromUtf8(temp));
  });
}

// Copies a stream, or a storage with all it holds, to `to` (which must not
// exist), through disk files: CFilesIO moves bytes only between the document
// and the disk.
void CopyElement(CFilesIO& files, const std::u16string& from, const std::u16string& to, int16_t kind) {
  if (kind == STGTY_STREAM) {
    TempFolder temp;
    files.Export(from, FromUtf8(temp.File()));
    files.Import(FromUtf8(temp.File()), to);
    return;
  }
  EnsureStorage(files, to);
  for (const auto& name : Names(files.EnumStreams(std::u16string_view(from)))) {
    CopyElement(files, Child(from, name), Child(to, name), STGTY_STREAM);
  }
  for (const auto& name : Names(files.EnumStorages(std::u16string_view(from)))) {
    CopyElement(files, Child(from, name), Child(to, name), STGTY_STORAGE);
  }
}

}  // namespace

bool OpenDocument(CVellora& doc, const std::string& file, bool write) {
  const std::u16string path = FromUtf8(file);
  {
    // Refused here, with the engine's own error, rather than by the document
    // object, which would say "BadFile!" in a message box.
    StorageEngine engine;
    engine.Info(path);
  }
  Recognizer recognizer(doc);
  doc.AppVersion(std::u16string(kNoVersion));
  return write ? doc.OpenFile(path) : doc.OpenFileReadOnly(path);
}

namespace document {

void Import(CVellora& doc, const std::string& disk_file, const std::vector<std::u16string>& parts,
            const Options& options) {
  RequireAddressable(parts);
  auto files = doc.GetCFilesIO();
  const std::u16string element = JoinPath(parts, parts.size());
  const int16_t kind = Kind(*files, parts, parts.size());
  if (kind == STGTY_STORAGE || (kind == STGTY_STREAM && !options.force)) {
    Fail(STG_E_FILEALREADYEXISTS,
         ToUtf8(element) + (kind == STGTY_STORAGE ? " exists as a storage" : " exists (use --force to replace it)"));
  }
  // Standard input reaches CFilesIO, which takes only disk files, through one.
  std::optional<TempFolder> spool;
  if (disk_file == "-") {
    spool.emplace();
    SpoolStandardInput(spool->File());
  }
  const std::string source = spool ? spool->File() : disk_file;
  std::u16string location = FromUtf8(source);
  // Import reads the file into the document's snapshot and the save writes it
  // out: the bytes pass twice.
  struct stat st {};
  const uint64_t size = ::stat(source.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  IoProgress bar(disk_file, size, 2);
  files->Import(location, element);
  // A file that another program holds open is only reported in a message box.
  if (!files->Dirty()) Fail(rt::kPathFileAccessError, disk_file + " is in use by another program");
  doc.SaveFile();
}

void Export(CVellora& doc, const std::vector<std::u16string>& parts, const std::string& disk_path,
            const Options& options) {
  auto files = doc.GetCFilesIO();
  const std::u16string element = JoinPath(parts, parts.size());
  const std::string shown = element.empty() ? "\\" : ToUtf8(element);
  const int16_t kind = parts.empty() ? STGTY_STORAGE : Kind(*files, parts, parts.size());
  if (kind == 0) Fail(ioElementNotFound, shown + ": Element not found.");
  if (kind == STGTY_STORAGE) {
    Fail(rt::kBadFileNameOrNumber, shown + " is a storage (use --recursive to export it into a folder)");
  }
  ExportStream(*files, element, disk_path, options.force);
}

void Remove(CVellora& doc, const std::vector<std::u16string>& parts) {
  RequireAddressable(parts);
  doc.GetCFilesIO()->Delete(JoinPath(parts, parts.size()));
  doc.SaveFile();
}

void Move(CVellora& doc, const std::vector<std::u16string>& from, const std::vector<std::u16string>& to) {
  RequireAddressable(from);
  RequireAddressable(to);
  auto files = doc.GetCFilesIO();
  const bool same_parent = from.size() == to.size() && std::equal(from.begin(), from.end() - 1, to.begin(), SameName);
  if (same_parent) {
    files->Rename(JoinPath(from, from.size()), to.back());
  } else {
    const int16_t kind = Kind(*files, from, from.size());
    if (kind == 0) Fail(STG_E_FILENOTFOUND, ToUtf8(JoinPath(from, from.size())) + " not found");
    if (Kind(*files, to, to.size()) != 0) Fail(STG_E_FILEALREADYEXISTS, ToUtf8(JoinPath(to, to.size())) + " exists");
    // Copy, then remove the original: all of it reaches the file in one save.
    CopyElement(*files, JoinPath(from, from.size()), JoinPath(to, to.size()), kind);
    files->Delete(JoinPath(from, from.size()));
  }
  doc.SaveFile();
}

void MakeStorage(CVellora& doc, const std::vector<std::u16string>& parts, const Options& options) {
  RequireAddressable(parts);
  auto files = doc.GetCFilesIO();
  const int16_t kind = Kind(*files, parts, parts.size());
  if (kind == STGTY_STREAM || (kind == STGTY_STORAGE && !options.parents)) {
    Fail(STG_E_FILEALREADYEXISTS, ToUtf8(JoinPath(parts, parts.size())) + " exists");
  }
  if (kind == 0) EnsureStorage(*files, JoinPath(parts, parts.size()));
  doc.SaveFile();
}

}  // namespace document
}  // namespace vellora2::cli
