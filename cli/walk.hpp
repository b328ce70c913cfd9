// Walks of a whole element tree for the tool: listing it and exporting it into
// a folder. Files from other writers may nest storages a hundred thousand deep,
// so nothing here recurses on the machine stack, and nothing costs more per
// element than a bounded amount of output or one step of the walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "vellora2/compound/storage_engine.hpp"

namespace vellora2::cli {

// Every element below a storage, depth first, each storage's children in
// directory order (or its storages before its streams). A storage is entered
// as soon as it has been reported: its children come next.
class TreeWalk {
 public:
  TreeWalk(Storage root, bool storages_first);

  // Moves to the next element; false at the end.
  bool Next();
  int16_t type() const { return type_; }
  const std::u16string& name() const { return name_; }
  // 1 for the children of the root.
  size_t depth() const { return depth_; }
  // Whether it is the last child of its storage.
  bool last() const { return last_; }
  // The stream's size in bytes (streams only).
  uint64_t StreamLength();
  Stream OpenStream();

 private:
  struct Level {
    Storage storage;
    std::vector<std::pair<int16_t, std::u16string>> children;
    size_t next = 0;
  };
  void Enter(Storage storage);

  bool storages_first_;
  std::vector<Level> levels_;
  bool enter_ = false;
  int16_t type_ = 0;
  std::u16string name_;
  size_t depth_ = 0;
  bool last_ = false;
};

// The tree as lines with branch glyphs, streams with their size. Indentation
// stops at a fixed depth; deeper lines carry their level as "[N]" instead, so
// that the output grows with the number of elements, not with their depth.
void PrintTree(Storage root, bool storages_first, std::FILE* out);
// One line per element for scripts: path (names as Shown, joined with "/"),
// a tab, "storage" or "stream", a tab, and the size in bytes (0 for storages).
void ListTree(Storage root, bool storages_first, std::FILE* out);

// Copies a stream to the open file `fd`, with a progress bar on a terminal.
void CopyStreamToFd(Stream& stream, int fd, const std::string& label);

// Writes `root` and all it holds into the folder `dir`, one file per stream
// and one folder per storage, named by DiskName. Everything is written in a
// private folder beside the target (or inside it, when it exists), made durable
// with one sync, and then put in place; a failure leaves nothing behind.
// Existing files are an error unless `force`.
void ExportTree(Storage root, const std::string& dir, bool force);

}  // namespace vellora2::cli
