// The structured-storage engine: compound files seen as a tree of storages
// (folders) and streams (files), with the operations of the platform's engine.
//
// Object model. The platform's objects were reference-counted handles, and so
// are these: `Storage` and `Stream` are cheap values that share one open element.
// Copying a handle copies the reference; the element is released when the last
// handle to it goes away (or `Release()` is called on every copy). A
// default-constructed handle is "Nothing": using it raises error 91. The
// objects of one document belong to one thread at a time, as the platform's
// apartment-threaded objects did.
//
// Failures throw vellora2::AutomationError whose number is an STG_E code (see
// stgm.hpp) and whose source is "Vellora2.Storage".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vellora2/automation/date.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2 {

namespace compound {
class FileSystem;
class StorageHandle;
class StreamHandle;
class EngineState;
}  // namespace compound

class Stream {
 public:
  Stream() = default;
  explicit Stream(std::shared_ptr<compound::StreamHandle> handle) : handle_(std::move(handle)) {}

  explicit operator bool() const { return handle_ != nullptr; }
  void Release() { handle_.reset(); }

  std::u16string Name() const;
  // Length in bytes as a Long; error 6 (overflow) past 2 GB, where Length() still works.
  int32_t Size() const;
  // 1 when the current position is at or past the end, else 0.
  int32_t AtEnd() const;
  // Streams have no transaction of their own; this checks the handle and returns.
  void Commit(int32_t flags = STGC_DEFAULT);
  // origin 0: from the start, 1: from the current position. A position before
  // 0 (or another origin) raises STG_E_INVALIDFUNCTION, as the platform's
  // streams do. Returns the new position.
  int32_t Seek(int32_t offset, int32_t origin);
  // Reads at `position` (-1: the current one) as many bytes as the subtype of
  // `value` takes, and stores them in it: Byte and a one-character String 1,
  // Integer and Boolean 2, Long and Single 4, Double and Date 8, little-endian; a
  // longer String reads one byte per character. Reading past the end raises
  // STG_E_READFAULT and leaves value and position unchanged.
  void ReadValue(int32_t position, Variant& value);
  // Writes `value` at `position` (-1: the current one) as ReadValue reads it; a
  // String is one byte per character (Windows-1252), no length, no terminator.
  void WriteValue(int32_t position, const Variant& value);
  // The address of a copy of bytes first..last (inclusive) that stays valid until
  // the next MapRange on this stream (or its release), or 0 when the range is
  // outside the stream. MapRange(0, 1) gives the copy back and returns 0.
  std::uintptr_t MapRange(int32_t first, int32_t last);

  // Byte-level access for the library's own bulk I/O.
  uint64_t Length() const;
  uint64_t Position() const;
  void SetPosition(uint64_t position);
  // Reads at the current position and advances; returns the count, short only at the end.
  size_t Read(std::span<std::byte> out);
  // Writes at the current position (growing the stream) and advances.
  void Write(std::span<const std::byte> data);
  // Grows with zeros or truncates.
  void SetSize(uint64_t size);

  friend bool operator==(const Stream& a, const Stream& b) { return a.handle_ == b.handle_; }

 private:
  compound::StreamHandle& handle() const;
  std::shared_ptr<compound::StreamHandle> handle_;
};

class Storage {
 public:
  Storage() = default;
  explicit Storage(std::shared_ptr<compound::StorageHandle> handle) : handle_(std::move(handle)) {}

  explicit operator bool() const { return handle_ != nullptr; }
  void Release() { handle_.reset(); }

  // Paths are backslash-separated, relative to this storage; a leading backslash
  // is allowed. Children are opened with STGM_SHARE_EXCLUSIVE; an element that is
  // already open gives STG_E_ACCESSDENIED.
  Storage OpenStorage(std::u16string_view path, int32_t mode);
  Storage CreateStorage(std::u16string_view name, int32_t mode);
  Stream OpenStream(std::u16string_view name, int32_t mode);
  // STGM_CREATE replaces an existing stream (or storage) of that name.
  Stream CreateStream(std::u16string_view name, int32_t mode);

  // A direct child by its name exactly as NextElement reports it, never read as
  // a path. Other writers leave names that no path can spell (empty, or holding
  // a backslash, "/", ":" or "!"); these still reach them, and the name "x\\y"
  // reaches the child of that name, not "y" inside "x".
  Storage OpenChildStorage(std::u16string_view name, int32_t mode);
  Stream OpenChildStream(std::u16string_view name, int32_t mode);
  void DestroyChild(std::u16string_view name);

  // flag 0 restarts the walk, 1 continues it. Each direct child is reported once,
  // in directory order: type 1 (storage) or 2 (stream) with its name; type 0 and
  // an empty name at the end.
  void NextElement(int32_t flag, int16_t& type, std::u16string& name);

  // Transacted storages publish (Commit) or drop (Revert) everything changed since
  // the last Commit; on a direct storage Commit flushes and Revert does nothing.
  void Commit(int32_t flags = STGC_DEFAULT);
  void Revert();
  void DestroyElement(std::u16string_view name);
  void RenameElement(std::u16string_view old_name, std::u16string_view new_name);
  // Copies every element (uncommitted changes included) into `destination`,
  // replacing elements of the same name.
  void CopyTo(Storage& destination);

  // The element name; for a root, the path it was opened with. Two handles on
  // one storage have equal names.
  std::u16string Name() const;
  // A root storage's times are its file's; a storage inside one has the
  // creation and modification times of its entry, and no access time of its
  // own: AccessTime is then its modification time.
  Date CreationTime() const;
  Date ModifiedTime() const;
  Date AccessTime() const;

  // Convenience for the library: the type of a direct child (0 when absent).
  int16_t ElementType(std::u16string_view name) const;

  // ---- Property sets (compound/property_set/storage_properties.cpp; decisions in docs/property-sets.md) ----
  // The summary information, the document summary information and the
  // user-defined properties of this storage. Each set is read from its stream on
  // first use or by Read... (False: no such set, it reads as empty: "", the zero
  // date, 0, no user properties); changes reach the stream only by Write....
  // A damaged set raises STG_E_DOCFILECORRUPT.
  std::u16string Title() const;
  void Title(std::u16string_view value);
  std::u16string Subject() const;
  void Subject(std::u16string_view value);
  std::u16string Author() const;
  void Author(std::u16string_view value);
  std::u16string Keywords() const;
  void Keywords(std::u16string_view value);
  std::u16string Comments() const;
  void Comments(std::u16string_view value);
  std::u16string ApplicationName() const;
  void ApplicationName(std::u16string_view value);
  std::u16string Company() const;
  void Company(std::u16string_view value);
  std::u16string RevisionNumber() const;
  void RevisionNumber(std::u16string_view value);
  // Stored (UTC) times; the zero date for a time never set.
  Date LastPrinted() const;
  void LastPrinted(Date value);
  Date Created() const;
  void Created(Date value);
  Date LastSaved() const;
  void LastSaved(Date value);
  // Total edit time in whole minutes; a negative value raises error 5.
  int32_t EditTime() const;
  void EditTime(int32_t minutes);
  // "Now" is compound::CurrentClock(), replaceable per thread.
  void StampCreated();
  void StampSaved();
  // Stop adds the time since Start (or the last Stop) and counts on from now.
  void StartEditClock();
  void StopEditClock();
  // A decimal revision number counts up by one; anything else becomes "1".
  void AdvanceRevision();
  bool ReadSummaryInfo();
  void WriteSummaryInfo();
  bool ReadDocSummaryInfo();
  void WriteDocSummaryInfo();
  bool ReadUserProperties();
  void WriteUserProperties();
  // By 0-based position; out of range, Name and Value give "" and Empty, and
  // SetUserProperty raises error 9. AddUserProperty replaces a property of the
  // same name (case-insensitive) in place and returns its position.
  int32_t UserPropertyCount() const;
  std::u16string UserPropertyName(int32_t index) const;
  Variant UserPropertyValue(int32_t index) const;
  void SetUserProperty(int32_t index, std::u16string_view name, const Variant& value);
  int32_t AddUserProperty(std::u16string_view name, const Variant& value);

  friend bool operator==(const Storage& a, const Storage& b) { return a.handle_ == b.handle_; }

 private:
  compound::StorageHandle& handle() const;
  std::shared_ptr<compound::StorageHandle> handle_;
};

// One finding of the structural check, in words ("sector 12 is in two chains").
// A note is no damage: the file reads correctly, but is not laid out as this
// library writes it (a sibling tree out of balance or out of name order, as
// other writers leave them).
struct StorageProblem {
  std::string text;
  bool note = false;
};

// What a compound file's header says, for tools that show it.
struct CompoundFileInfo {
  uint16_t major_version = 0;  // 3 (512-byte sectors) or 4 (4096-byte sectors)
  uint32_t sector_size = 0;
  uint64_t file_size = 0;
  uint64_t sector_count = 0;  // sectors after the header
  uint32_t fat_sectors = 0;
  uint32_t difat_sectors = 0;
  uint32_t minifat_sectors = 0;
  uint32_t first_directory_sector = 0;
  uint32_t transaction_signature = 0;
};

class StorageEngine {
 public:
  // Disk files through the operating system.
  StorageEngine();
  // Disk files through another file system (tests use an in-memory one).
  explicit StorageEngine(std::shared_ptr<compound::FileSystem> files);
  ~StorageEngine();
  StorageEngine(const StorageEngine&) = delete;
  StorageEngine& operator=(const StorageEngine&) = delete;

  // The file system the engine's files go through. The library's other disk
  // files (exports, a save's target) go through it too, so that a test's file
  // system sees all of them.
  const std::shared_ptr<compound::FileSystem>& Files() const;

  // A new compound file. Without STGM_CREATE an existing file gives
  // STG_E_FILEALREADYEXISTS. With STGM_CONVERT an existing flat file is seen as a
  // storage whose one stream "CONTENTS" holds its bytes; the file changes only on Commit.
  Storage CreateStorageFile(std::u16string_view path, int32_t mode);
  Storage OpenStorageFile(std::u16string_view path, int32_t mode);
  // True when the file starts with the compound-file signature.
  bool IsStorageFile(std::u16string_view path);

  // Temporary backing stores: anonymous files that vanish when released (or at exit).
  int32_t CreateTempStore();
  Storage CreateRootStorage(std::u16string_view name, int32_t mode, int32_t handle);
  void ReleaseTempStore(int32_t handle);

  // Stored times are UTC; this gives the local time a user should see.
  Date ConvertTime(Date stored);

  // Structural check of a file on disk: every sector owned once, chains closed,
  // free list consistent, directory a valid tree. The file is sound when every
  // finding is a note, and as this library writes it when there is none.
  std::vector<StorageProblem> Check(std::u16string_view path);
  // The header facts of a file on disk; STG_E_INVALIDHEADER and the like when it
  // is not a compound file.
  CompoundFileInfo Info(std::u16string_view path);
  // Rewrites a file on disk into its smallest form (no free sectors, every
  // stream in one run) with the safety of a commit: a crash leaves the old
  // file or the new one. Needs the file to itself (STG_E_SHAREVIOLATION while
  // another open holds it).
  void Compact(std::u16string_view path);

 private:
  std::unique_ptr<compound::EngineState> state_;
};

}  // namespace vellora2
