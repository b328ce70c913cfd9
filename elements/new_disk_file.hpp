// A disk file that Export creates: new, locked against other writers while it
// is written, and removed again unless the export finishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "compound/file.hpp"

namespace vellora2::elements {

class NewDiskFile {
 public:
  // Creates `path` in `files`; it must not exist yet. Failures raise the
  // runtime's file errors (58 when it exists, 76 when its folder does not, 70
  // when it is locked, 75 when access is refused, 61 when the disk is full, 57
  // on other I/O errors) with `source`.
  NewDiskFile(std::shared_ptr<compound::FileSystem> files, std::u16string_view path, std::u16string_view source);
  NewDiskFile(const NewDiskFile&) = delete;
  NewDiskFile& operator=(const NewDiskFile&) = delete;
  // Closes the file and, unless Close() succeeded or another open holds a
  // lock in it, removes it.
  ~NewDiskFile();

  // Appends all of `data`; 61 when the disk is full, 57 on other write errors.
  void Write(std::span<const std::byte> data);
  // Closes the file and keeps it; 61 or 57 when the system reports a failed
  // write only now.
  void Close();

 private:
  // Removes the file unless it is kept or another open holds it.
  void Discard() noexcept;

  std::shared_ptr<compound::FileSystem> files_;
  std::string path_;
  std::u16string source_;
  std::shared_ptr<compound::File> file_;
  uint64_t size_ = 0;
  bool kept_ = false;
};

}  // namespace vellora2::elements
