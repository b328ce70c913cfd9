// A disk file that Export creates: new, locked against other writers while it
// is written, and removed again unless the export finishes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vellora2::elements {

class NewDiskFile {
 public:
  // Creates `path`, which must not exist yet. Failures raise the runtime's file
  // errors (58 when it exists, 76 when its folder does not, 70 when it is
  // locked, 75 when access is refused) with `source`.
  NewDiskFile(std::u16string_view path, std::u16string_view source);
  NewDiskFile(const NewDiskFile&) = delete;
  NewDiskFile& operator=(const NewDiskFile&) = delete;
  // Closes the file and, unless Close() succeeded or another open holds a
  // record lock in it, removes it.
  ~NewDiskFile();

  // Appends all of `data`; 61 when the disk is full, 57 on other write errors.
  void Write(std::span<const std::byte> data);
  // Closes the file and keeps it.
  void Close();

 private:
  [[noreturn]] void Fail(int err) const;
  bool RecordLockedByOthers() const;

  std::string path_;
  std::u16string source_;
  int fd_ = -1;
  bool kept_ = false;
};

}  // namespace vellora2::elements
