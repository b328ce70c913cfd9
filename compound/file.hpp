// The one narrow door through which the engine touches files. Everything the
// engine does to a disk goes through these two classes, so a test can keep files
// in memory, drop unsynced writes, fail a call with EIO or ENOSPC, or stop a
// commit at any write and prove that the file is still whole.
//
// Every method throws vellora2::AutomationError (an STG_E code) on failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellora2::compound {

// When a file was made, last written and last read, as FILETIMEs (100 ns
// ticks since 1601-01-01 UTC); 0 where the file system does not say.
struct FileTimes {
  uint64_t created = 0;
  uint64_t modified = 0;
  uint64_t accessed = 0;
};

// One open file. Each object is its own open file description: locks taken
// through one object conflict with locks taken through any other, in this
// process or another, as OFD locks do.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  virtual ~File() = default;

  // Reads up to out.size() bytes at `offset`. Returns the count read, which is
  // smaller only at the end of the file.
  virtual size_t ReadAt(uint64_t offset, std::span<std::byte> out) = 0;
  // Writes all of `data` at `offset`, growing the file as needed. On failure a
  // prefix of the data may have been written. Written data may be lost by a
  // crash until Sync returns.
  virtual void WriteAt(uint64_t offset, std::span<const std::byte> data) = 0;
  // Writes the parts one after the other from `offset`, as WriteAt would
  // write them joined; a file may do it in one call, without joining them.
  virtual void WritePartsAt(uint64_t offset, std::span<const std::span<const std::byte>> parts) {
    for (const auto& part : parts) {
      WriteAt(offset, part);
      offset += part.size();
    }
  }
  // Returns once everything written before the call is durable.
  virtual void Sync() = 0;
  virtual uint64_t Size() = 0;
  // Cuts or extends (with zeros) the file to `size` bytes.
  virtual void Truncate(uint64_t size) = 0;
  // The times the file system keeps for the file. The format keeps none for
  // a document as a whole: a root storage's times are its file's.
  virtual FileTimes Times() = 0;
  // Takes a shared advisory lock on one byte (works on read-only files too).
  // Never waits: nobody takes exclusive locks on these bytes.
  virtual void LockShared(uint64_t offset) = 0;
  // True when another open file description holds a lock on the byte.
  virtual bool LockedByOthers(uint64_t offset) = 0;
  virtual void Unlock(uint64_t offset) = 0;
  // True when another open of the file holds it: a record lock anywhere in it
  // (this library's sharing locks or any program's fcntl locks, in this
  // process or another) or a flock(2) lock. With kWriters only the locks of a
  // writer count (write locks, exclusive flocks). This object's own locks never
  // count. A file that is held must not be removed or replaced: the holder
  // would go on writing into a file nobody can reach.
  enum class Holders { kAny, kWriters };
  virtual bool HeldByOthers(Holders which) = 0;
  // Takes an exclusive flock(2) lock on the whole file without waiting, as
  // programs that write whole files take one: false when another open holds a
  // flock lock on it. Files no other program can open have nobody to exclude.
  virtual bool TryLockWhole() { return true; }
  // Closes the file now, with the error the system reports about its last
  // writes (network file systems may report only then). After it the object
  // may only be destroyed. Files with nothing to report do nothing.
  virtual void Close() {}
};

enum class OpenMode {
  kRead,          // existing file, read only
  kReadWrite,     // existing file
  kCreateNew,     // new file; STG_E_FILEALREADYEXISTS when it exists
  kCreateAlways,  // new or truncated file
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // `path` is UTF-8. A missing file is STG_E_FILENOTFOUND, a missing folder
  // STG_E_PATHNOTFOUND.
  virtual std::shared_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  // An anonymous file that vanishes when its last holder closes it, even if the
  // process dies: nothing is left behind.
  virtual std::shared_ptr<File> OpenTemp() = 0;
  virtual bool Exists(const std::string& path) = 0;
  // Replaces `to` by `from` atomically and durably (the folder is synced too).
  virtual void Rename(const std::string& from, const std::string& to) = 0;
  virtual void Remove(const std::string& path) = 0;
  // The names in folder `folder` ("." for the current one); none when it
  // cannot be read.
  virtual std::vector<std::string> List(const std::string& folder) = 0;
};

// The operating system's files (pread/pwrite, fdatasync, OFD locks).
std::shared_ptr<FileSystem> PosixFileSystem();

// Whether the file at `path` (UTF-8) in `files` may be removed or replaced:
// error 75 (path/file access error) with `source` when another open holds it
// (see File::HeldByOthers), or when it cannot be opened to find out.
void RefuseIfHeld(FileSystem& files, const std::string& path, std::u16string_view source);

}  // namespace vellora2::compound
