// Transaction levels. A level is one tree of elements that a group of handles
// works on. The root of a document is one level; every storage opened with
// STGM_TRANSACTED starts another, holding a snapshot of its subtree, and its
// Commit copies that snapshot back into the level above (or, for the root,
// into the file). Storages opened without STGM_TRANSACTED share their
// parent's level, so their changes are their parent's pending changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compound/container.hpp"
#include "compound/file.hpp"
#include "compound/mode.hpp"
#include "compound/node.hpp"

namespace vellora2::compound {

// One open document file (or temporary store) with its sharing locks.
class CompoundFile {
 public:
  CompoundFile(std::shared_ptr<FileSystem> files, std::string path, std::shared_ptr<File> file, Mode mode);
  ~CompoundFile();
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;

  const std::string& path() const { return path_; }
  // A temporary store: a file with no name that nobody else reads, gone
  // with the last holder.
  bool temporary() const { return path_.empty(); }
  const Mode& mode() const { return mode_; }
  // Null while a converted flat file has not been committed.
  const std::shared_ptr<Container>& container() const { return container_; }
  void set_container(std::shared_ptr<Container> c);
  // The committed tree; for a converted flat file, a root holding "CONTENTS".
  std::shared_ptr<Node> LoadTree();
  // Publishes `root`: in place when the format allows, else by writing a fresh
  // file beside the old one and renaming it over (a converted flat file, or a
  // version 3 document that grows past 2 GB and becomes version 4).
  void Publish(Node& root, const std::vector<Node*>& others = {});
  // Sets the largest size a version 3 file may reach before it is rewritten as
  // version 4 (tests lower it to exercise the switch).
  void set_version3_limit(uint64_t limit) { version3_limit_ = limit; }
  // Writes the committed tree whole into a new file and renames it over this
  // one, as Publish does when it must: the file then holds no free space.
  void Compact();
  // The times of the file the document is in now (a rewrite replaces it, and
  // with it the time it was made).
  FileTimes Times() const { return file_->Times(); }

 private:
  void Rewrite(Node& root, uint16_t major_version);


  std::shared_ptr<FileSystem> files_;
  std::string path_;  // empty for a temporary store
  std::shared_ptr<File> file_;
  std::shared_ptr<Container> container_;
  // Where a converted flat file keeps the bytes of its "CONTENTS" past the
  // first 2 MiB until it is committed (a temporary file; null: memory).
  std::shared_ptr<Container> scratch_;
  Mode mode_;
  uint64_t version3_limit_;
};

class Level {
 public:
  // The root level of a document.
  Level(std::shared_ptr<CompoundFile> doc, std::shared_ptr<Node> root, bool transacted);
  // A transacted storage inside `parent`, on `node` of the parent's tree.
  Level(std::shared_ptr<Level> parent, std::shared_ptr<Node> node);
  ~Level();
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;

  const std::shared_ptr<Node>& root() const { return root_; }
  bool transacted() const { return transacted_; }
  CompoundFile& compound_file() const;
  const std::shared_ptr<Level>& parent() const { return parent_; }
  // False once the storage this level stands for was destroyed or reverted above.
  // Inline: every stream and storage call asks.
  bool Valid() const {
    for (const Level* l = this; l; l = l->parent_.get()) {
      if (l->parent_node_ && l->parent_node_->destroyed) return false;
    }
    return true;
  }

  void Commit();
  void Revert();
  // Bytes written since the last commit. A direct root flushes on its own when
  // they pass a bound, so bulk imports do not pile up in memory.
  void NoteWrite(size_t bytes);
  // Records a change of any kind, so that a direct root knows it must flush.
  void NoteChange() { changed_ = true; }
  // Sub-levels register with the document's root level, whose commits must
  // keep what their snapshots read from.
  void Register(const std::shared_ptr<Level>& sub);

 private:
  std::shared_ptr<CompoundFile> doc_;  // root level only
  std::shared_ptr<Level> parent_;      // sub-levels only
  std::shared_ptr<Node> parent_node_;  // sub-levels: the node this level copies
  std::shared_ptr<Node> root_;
  bool transacted_;
  uint64_t pending_ = 0;
  bool changed_ = false;
  // Sub-levels: whether a commit gave the level above this level's streams.
  bool committed_ = false;
  std::vector<std::weak_ptr<Level>> subs_;
};

// Copies that a rewrite (CompoundFile::Publish) left beside `path`, named
// "PATH.~PID-N", whose writer is gone: its process has ended, or it is this
// process and no open holds the copy. A crash during a rewrite leaves them.
std::vector<std::string> FindLeftovers(FileSystem& files, const std::string& path);
// Removes them; one that cannot be removed stays, silently.
void RemoveLeftovers(FileSystem& files, const std::string& path);

}  // namespace vellora2::compound
