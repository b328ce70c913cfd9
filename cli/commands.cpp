#include "cli/commands.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <string>
#include <vector>

#include <fmt/core.h>

#include "cli/common.hpp"
#include "cli/document.hpp"
#include "cli/progress.hpp"
#include "cli/walk.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/storage_engine.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/forms/properties_text.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2::cli {
namespace {

constexpr size_t kChunk = 1u << 20;

// A compound file from another writer, worked on through the engine directly.
struct EngineFile {
  StorageEngine engine;
  Storage root;
  EngineFile(const std::string& file, bool write) {
    root = engine.OpenStorageFile(FromUtf8(file), write ? kRootWrite : kRootRead);
  }
};

// Walks from `root` down the storages of `parts`, creating missing ones when asked.
Storage Descend(Storage root, const std::vector<std::u16string>& parts, size_t count, bool write, bool create) {
  Storage current = std::move(root);
  for (size_t i = 0; i < count; ++i) {
    const int16_t type = current.ElementType(parts[i]);
    if (type == 0 && create) {
      CheckNewName(parts[i]);
      current = current.CreateStorage(parts[i], kChildWrite);
    } else if (type == STGTY_STREAM) {
      Fail(STG_E_FILENOTFOUND, fmt::format("{} is a stream, not a storage", Shown(parts[i])));
    } else {
      current = current.OpenChildStorage(parts[i], write ? kChildWrite : kChildRead);
    }
  }
  return current;
}

void ExportStream(Stream& stream, const std::string& path, bool force) {
  WriteDiskFile(path, force, [&](const std::string& temp) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) FailErrno(path);
    try {
      CopyStreamToFd(stream, fd, path);
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) FailErrno(path);
  });
}

void CopyStream(Stream& from, Stream& to) {
  std::vector<std::byte> buf(kChunk);
  from.SetPosition(0);
  to.SetSize(0);
  for (size_t n; (n = from.Read(buf)) > 0;) to.Write(std::span<const std::byte>(buf.data(), n));
}

// A disk file open for reading; anything but a regular file is refused.
class DiskFile {
 public:
  // "-" is standard input, whatever it is; its size is known only for a file.
  explicit DiskFile(const std::string& path)
      : fd_(path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC)), owned_(path != "-") {
    if (fd_ < 0) FailErrno(path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || (owned_ && !S_ISREG(st.st_mode))) {
      if (owned_) ::close(fd_);
      Fail(rt::kBadFileNameOrNumber, path + " is not a regular file");
    }
    size_ = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;
  ~DiskFile() {
    if (owned_) ::close(fd_);
  }

  int fd() const { return fd_; }
  uint64_t size() const { return size_; }

 private:
  int fd_;
  bool owned_;
  uint64_t size_ = 0;
};

void ImportFrom(EngineFile& file, DiskFile& disk, const std::string& disk_file,
                const std::vector<std::u16string>& parts, const std::string& element, const Options& options) {
  Storage parent = Descend(file.root, parts, parts.size() - 1, true, true);
  const int16_t type = parent.ElementType(parts.back());
  // A stream never replaces a storage, whatever it holds.
  if (type == STGTY_STORAGE) Fail(STG_E_FILEALREADYEXISTS, element + " exists as a storage");
  if (type != 0 && !options.force) Fail(STG_E_FILEALREADYEXISTS, element + " exists (use --force to replace it)");
  CheckNewName(parts.back());
  Stream stream = parent.CreateStream(parts.back(), kChildWrite | STGM_CREATE);
  Progress progress(disk_file, disk.size());
  std::vector<std::byte> buf(kChunk);
  uint64_t done = 0;
  for (;;) {
    const ssize_t n = ::read(disk.fd(), buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno(disk_file);
    }
    if (n == 0) break;
    stream.Write(std::span<const std::byte>(buf.data(), static_cast<size_t>(n)));
    done += static_cast<uint64_t>(n);
    progress.Update(done);
  }
  stream.Release();
  parent.Release();
  file.root.Commit();
}

// True when `inner` names an element inside `outer`.
bool Within(const std::vector<std::u16string>& inner, const std::vector<std::u16string>& outer) {
  return inner.size() > outer.size() && std::equal(outer.begin(), outer.end(), inner.begin(), SameName);
}

}  // namespace

void Create(const std::string& file, const Options& options) {
  if (options.plain) {
    StorageEngine engine;
    int32_t mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED;
    if (options.force) mode |= STGM_CREATE;
    Storage root = engine.CreateStorageFile(FromUtf8(file), mode);
    root.Commit();
    return;
  }
  struct stat st {};
  if (!options.force && ::lstat(file.c_str(), &st) == 0) {
    Fail(STG_E_FILEALREADYEXISTS, file + " exists (use --force to replace it)");
  }
  CVellora doc;
  doc.NewFile();
  doc.SaveToPath(FromUtf8(file));
  doc.CloseFile();
}

void Tree(const std::string& file, bool list, std::FILE* out) {
  // A document lists each storage's storages before its streams, the order
  // its CFilesIO gives them; the walk itself reads through the engine, which
  // reaches every name, and needs no path per element.
  bool is_document = false;
  if (CVellora doc; OpenDocument(doc, file, false)) is_document = true;
  EngineFile engine_file(file, false);
  if (list) return ListTree(engine_file.root, is_document, out);
  Put(ShownText(file) + "\n", out);
  PrintTree(engine_file.root, is_document, out);
}

void Import(const std::string& file, const std::string& disk_file, const std::string& element, const Options& options) {
  const auto parts = ElementPath(element);
  DiskFile disk(disk_file);
  if (CVellora doc; OpenDocument(doc, file, true)) return document::Import(doc, disk_file, parts, options);
  EngineFile engine_file(file, true);
  ImportFrom(engine_file, disk, disk_file, parts, element, options);
}

void Export(const std::string& file, const std::string& element, const std::string& disk_path, const Options& options) {
  if (disk_path == "-" && !options.recursive) return Cat(file, element, stdout);
  const auto parts = SplitPath(element);
  // A whole storage, and any element whose name a document's paths cannot
  // spell, is read through the engine in documents too.
  if (!options.recursive && Addressable(parts)) {
    if (CVellora doc; OpenDocument(doc, file, false)) return document::Export(doc, parts, disk_path, options);
  }
  EngineFile engine_file(file, false);
  const std::string shown = parts.empty() ? "\\" : element;
  if (parts.empty() || options.recursive) {
    if (!options.recursive) Fail(rt::kBadFileNameOrNumber, "exporting a storage needs --recursive");
    if (!parts.empty()) {
      Storage parent = Descend(engine_file.root, parts, parts.size() - 1, false, false);
      const int16_t type = parent.ElementType(parts.back());
      if (type == STGTY_STREAM) Fail(STG_E_FILENOTFOUND, shown + " is a stream, not a storage");
    }
    Storage storage = Descend(engine_file.root, parts, parts.size(), false, false);
    ExportTree(storage, disk_path, options.force);
    return;
  }
  Storage parent = Descend(engine_file.root, parts, parts.size() - 1, false, false);
  if (parent.ElementType(parts.back()) == STGTY_STORAGE) {
    Fail(rt::kBadFileNameOrNumber, element + " is a storage (use --recursive to export it into a folder)");
  }
  Stream stream = parent.OpenChildStream(parts.back(), kChildRead);
  ExportStream(stream, disk_path, options.force);
}

void Cat(const std::string& file, const std::string& element, std::FILE* out) {
  const auto parts = ElementPath(element);
  // Read through the engine for documents too: the same bytes, with no copy on disk.
  bool is_document = false;
  if (CVellora doc; OpenDocument(doc, file, false)) is_document = true;
  EngineFile engine_file(file, false);
  Stream stream;
  try {
    Storage parent = Descend(engine_file.root, parts, parts.size() - 1, false, false);
    stream = parent.OpenChildStream(parts.back(), kChildRead);
  } catch (const AutomationError& e) {
    // A document reports a missing element in its own words, as its CFilesIO would.
    if (!is_document || (e.number() != STG_E_FILENOTFOUND && e.number() != STG_E_PATHNOTFOUND)) throw;
    Fail(ioElementNotFound, element + ": Element not found.");
  }
  std::fflush(out);
  // No progress bar: the bytes themselves go to the terminal.
  const uint64_t total = stream.Length();
  std::vector<std::byte> buf(kChunk);
  for (uint64_t done = 0; done < total;) {
    const size_t n = stream.Read(buf);
    if (n == 0) break;
    if (std::fwrite(buf.data(), 1, n, out) != n) FailErrno("standard output");
    done += n;
  }
  std::fflush(out);
}

void Remove(const std::string& file, const std::string& element) {
  const auto parts = ElementPath(element);
  if (CVellora doc; OpenDocument(doc, file, true)) return document::Remove(doc, parts);
  EngineFile engine_file(file, true);
  Storage parent = Descend(engine_file.root, parts, parts.size() - 1, true, false);
  parent.DestroyChild(parts.back());
  parent.Release();
  engine_file.root.Commit();
}

void Move(const std::string& file, const std::string& from, const std::string& to) {
  const auto src = ElementPath(from);
  const auto dst = ElementPath(to);
  if (Within(dst, src)) Fail(STG_E_INVALIDFUNCTION, "cannot move " + from + " into itself");
  if (CVellora doc; OpenDocument(doc, file, true)) return document::Move(doc, src, dst);
  CheckNewName(dst.back());
  EngineFile engine_file(file, true);
  // A name the engine would read as a path is moved by copying, which opens it by name.
  const bool same_parent = src.size() == dst.size() && Spellable(src.back()) &&
                           std::equal(src.begin(), src.end() - 1, dst.begin(), SameName);
  Storage src_parent = Descend(engine_file.root, src, src.size() - 1, true, false);
  if (same_parent) {
    src_parent.RenameElement(src.back(), dst.back());
  } else {
    // Across storages: copy, then remove the original, all in one commit.
    Storage dst_parent = Descend(engine_file.root, dst, dst.size() - 1, true, true);
    if (dst_parent.ElementType(dst.back()) != 0) Fail(STG_E_FILEALREADYEXISTS, to + " exists");
    if (src_parent.ElementType(src.back()) == STGTY_STORAGE) {
      Storage from_storage = src_parent.OpenChildStorage(src.back(), kChildWrite);
      Storage to_storage = dst_parent.CreateStorage(dst.back(), kChildWrite);
      from_storage.CopyTo(to_storage);
    } else {
      Stream from_stream = src_parent.OpenChildStream(src.back(), kChildWrite);
      Stream to_stream = dst_parent.CreateStream(dst.back(), kChildWrite);
      CopyStream(from_stream, to_stream);
    }
    src_parent.DestroyChild(src.back());
  }
  src_parent.Release();
  engine_file.root.Commit();
}

void MakeStorage(const std::string& file, const std::string& element, const Options& options) {
  const auto parts = ElementPath(element);
  if (CVellora doc; OpenDocument(doc, file, true)) return document::MakeStorage(doc, parts, options);
  EngineFile engine_file(file, true);
  Storage parent = Descend(engine_file.root, parts, parts.size() - 1, true, true);
  const int16_t type = parent.ElementType(parts.back());
  if (type == STGTY_STREAM || (type == STGTY_STORAGE && !options.parents)) {
    Fail(STG_E_FILEALREADYEXISTS, element + " exists");
  }
  if (type == 0) {
    CheckNewName(parts.back());
    parent.CreateStorage(parts.back(), kChildWrite);
  }
  parent.Release();
  engine_file.root.Commit();
}

void Info(const std::string& file, std::FILE* out) {
  StorageEngine engine;
  const CompoundFileInfo info = engine.Info(FromUtf8(file));
  fmt::print(out, "file:              {}\n", file);
  fmt::print(out, "format version:    {} ({}-byte sectors)\n", info.major_version, info.sector_size);
  fmt::print(out, "file size:         {} bytes, {} sectors after the header\n", info.file_size, info.sector_count);
  fmt::print(out, "FAT sectors:       {}\n", info.fat_sectors);
  fmt::print(out, "DIFAT sectors:     {}\n", info.difat_sectors);
  fmt::print(out, "mini FAT sectors:  {}\n", info.minifat_sectors);
  fmt::print(out, "directory starts:  sector {}\n", info.first_directory_sector);
  fmt::print(out, "transaction:       {}\n", info.transaction_signature);
}

void Lines(const std::string& file, const std::string& element, int32_t number, std::FILE* out) {
  const std::u16string path = FromUtf8(file);
  {
    // Refused here rather than by the document object, which would ask the user.
    StorageEngine engine;
    engine.Info(path);
  }
  CVellora doc;
  if (!doc.OpenFileReadOnly(path)) Fail(rt::kFileNotFound, file + " could not be opened");
  auto files = doc.GetCFilesIO();
  const auto parts = ElementPath(element);
  if (!Addressable(parts)) Fail(STG_E_INVALIDNAME, element + ": lines reads only names that paths can spell");
  std::u16string name = JoinPath(parts, parts.size());
  if (!files->Load(name)) Fail(ioElementNotFound, element + ": Element not found.");
  if (number > 0) {
    if (const int32_t count = files->GetNumLines(); number > count) {
      Fail(rt::kSubscriptOutOfRange,
           fmt::format("{}: there is no line {}, it has {} line{}", element, number, count, count == 1 ? "" : "s"));
    }
    fmt::print(out, "{}\n", ToUtf8(files->GetLineByNum(number)));
  } else {
    while (!files->EOFStream()) fmt::print(out, "{}\n", ToUtf8(files->GetLine()));
  }
  files->CloseLoadedFile();
  doc.Dirty(false);
}

int Check(const std::string& file, std::FILE* out) {
  StorageEngine engine;
  // Notes describe layouts that read correctly; only problems fail the check.
  int problems = 0;
  try {
    // A file that is no compound file at all is an error, not a list of
    // problems; a damaged header is a problem salvage can work around.
    engine.Info(FromUtf8(file));
    for (const auto& p : engine.Check(FromUtf8(file))) {
      Put(ShownText(fmt::format("{}: {}{}", file, p.note ? "note: " : "", p.text)) + "\n", out);
      if (!p.note) ++problems;
    }
  } catch (const AutomationError& e) {
    if (e.number() != STG_E_INVALIDHEADER) throw;
    Put(ShownText(fmt::format("{}: {}", file, ToUtf8(e.description()))) + "\n", out);
    ++problems;
  }
  if (problems == 0) {
    Put(ShownText(fmt::format("{}: no problems found", file)) + "\n", out);
  } else {
    Put(ShownText(fmt::format("{}: damaged; `vellora salvage {} OUT` recovers what can still be read", file, file)) + "\n", out);
  }
  return problems;
}

void Compact(const std::string& file, std::FILE* out) {
  StorageEngine engine;
  const std::u16string path = FromUtf8(file);
  const uint64_t before = engine.Info(path).file_size;
  engine.Compact(path);
  fmt::print(out, "{}: {} bytes, {} before\n", file, engine.Info(path).file_size, before);
}

void Properties(const std::string& file, std::FILE* out) {
  CVellora doc;
  if (!doc.OpenFile(FromUtf8(file))) Fail(rt::kFileNotFound, file + ": not a document that can be opened");
  if (!CanShowPropertiesWindow()) {
    fmt::print(out, "{}", ToUtf8(PropertiesText(doc)));
    return;
  }
  // A parent window makes the window modal, so the tool waits for it.
  doc.DialogBoxParentHwnd(1);
  doc.EditProperties();
  // OK with changes left the document dirty; closing the tool must not lose them.
  if (doc.Dirty()) doc.SaveFile();
}

}  // namespace vellora2::cli
