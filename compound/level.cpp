#include "compound/level.hpp"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>

#include "compound/errors.hpp"
#include "compound/sharing.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

constexpr uint64_t kDirectFlushBytes = 64ull << 20;

std::mutex& RewriteMutex() {
  // Held while a rewrite creates and locks its copy, and while copies are
  // looked for, so that this process never takes its own fresh copy for a
  // leftover.
  static std::mutex mutex;
  return mutex;
}

// Whether `tail` is "PID-N" and that process is another, still running one.
// -1: not such a name; 0: ours or gone; 1: running.
int CopyOwner(const std::string& tail) {
  const size_t dash = tail.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == tail.size() || dash > 9) return -1;
  const auto digits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(std::string_view(tail).substr(0, dash)) || !digits(std::string_view(tail).substr(dash + 1))) return -1;
  const pid_t pid = static_cast<pid_t>(std::stol(tail.substr(0, dash)));
  if (pid == ::getpid() || pid <= 0) return 0;
  return ::kill(pid, 0) == 0 || errno == EPERM ? 1 : 0;
}

std::vector<std::string> LeftoversLocked(FileSystem& files, const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string prefix = path.substr(dir.size()) + ".~";
  std::vector<std::string> out;
  for (const auto& name : files.List(folder)) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (CopyOwner(name.substr(prefix.size())) != 0) continue;
    // A process in another PID namespace can look gone; its open copy is locked.
    try {
      if (OpenedByOthers(*files.Open(dir + name, OpenMode::kRead))) continue;
    } catch (const std::exception&) {
      continue;
    }
    out.push_back(dir + name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

std::vector<std::string> FindLeftovers(FileSystem& files, const std::string& path) {
  std::lock_guard lock(RewriteMutex());
  return LeftoversLocked(files, path);
}

void RemoveLeftovers(FileSystem& files, const std::string& path) {
  std::lock_guard lock(RewriteMutex());
  for (const auto& copy : LeftoversLocked(files, path)) {
    try {
      files.Remove(copy);
    } catch (const std::exception&) {
      // Only space is lost; `vellora check` goes on naming the copy.
    }
  }
}

CompoundFile::CompoundFile(std::shared_ptr<FileSystem> files, std::string path, std::shared_ptr<File> file, Mode mode)
    : files_(std::move(files)),
      path_(std::move(path)),
      file_(std::move(file)),
      mode_(mode),
      version3_limit_(path_.empty() ? UINT64_MAX : kVersion3Limit) {}

CompoundFile::~CompoundFile() {
  container_.reset();
  file_.reset();
  if (mode_.delete_on_release && !path_.empty()) {
    try {
      files_->Remove(path_);
    } catch (const std::exception&) {
      // Nothing to report to: the storage is gone and the file stays.
    }
  }
}

void CompoundFile::set_container(std::shared_ptr<Container> c) {
  // Another open may commit the file under one that does not deny writing.
  if (!mode_.deny_write && !path_.empty()) c->Watch();
  container_ = std::move(c);
}

std::shared_ptr<Node> CompoundFile::LoadTree() {
  if (container_) return container_->LoadTree();
  // A flat file seen as a storage: its bytes are read once, so that the file
  // itself is never touched until a commit replaces it. Past the first 2 MiB
  // they go to a scratch file of our own rather than into memory: files of
  // gigabytes are imported this way. Without room for one, into memory.
  auto root = std::make_shared<Node>();
  root->is_storage = true;
  root->created = root->modified = CurrentClock().Now();
  auto contents = std::make_shared<Node>();
  contents->name = u"CONTENTS";
  if (!scratch_ && file_->Size() > kChunkSize) {
    try {
      scratch_ = Container::Create(files_->OpenTemp(), 4);
    } catch (const std::exception&) {
      scratch_ = nullptr;
    }
  }
  std::vector<std::byte> buf(1 << 20);
  for (uint64_t at = 0;;) {
    const size_t n = file_->ReadAt(at, buf);
    if (n == 0) break;
    contents->content.Write(at, std::span(buf).first(n), scratch_.get());
    at += n;
  }
  root->Insert(contents);
  return root;
}

void CompoundFile::Publish(Node& root, const std::vector<Node*>& others) {
  if (!mode_.write) Fail(STG_E_ACCESSDENIED, "the document was opened read-only");
  if (!container_) {
    Rewrite(root, 3);
    return;
  }
  if (container_->header().major_version == 3 && version3_limit_ != UINT64_MAX) {
    uint64_t in_place = 0, fresh = 0;
    container_->EstimateSize(root, in_place, fresh);
    if (in_place > version3_limit_) {
      Rewrite(root, fresh > version3_limit_ ? 4 : 3);
      return;
    }
  }
  if (!container_->Commit(root, version3_limit_, others)) {
    Rewrite(root, 4);
  }
}

void CompoundFile::Compact() {
  if (!mode_.write || !container_) Fail(STG_E_ACCESSDENIED, "only a compound file opened for writing can be compacted");
  auto tree = container_->LoadTree();
  Rewrite(*tree, container_->header().major_version);
}

void CompoundFile::Rewrite(Node& root, uint16_t major_version) {
  if (path_.empty()) Fail(STG_E_INVALIDFUNCTION, "a temporary store cannot be rewritten");
  static std::atomic<unsigned> counter{0};
  const std::string temp = path_ + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  RemoveLeftovers(*files_, path_);
  std::shared_ptr<File> file;
  {
    // Locked from its first moment: the lock tells others the copy is in use.
    // Our sharing promises carry over to the new file before anyone can open it.
    std::lock_guard lock(RewriteMutex());
    file = files_->Open(temp, OpenMode::kCreateNew);
    AcquireShareLocks(*file, mode_);
  }
  try {
    // The copy is nobody's document until the rename, so the tree is its
    // first state: an empty one before it would leave its sectors free.
    auto fresh = Container::Create(file, major_version, false);
    fresh->Commit(root, UINT64_MAX);
    files_->Rename(temp, path_);
    set_container(std::move(fresh));
    file_ = std::move(file);
  } catch (...) {
    try {
      files_->Remove(temp);
    } catch (const std::exception&) {
      // The first failure is the one to report.
    }
    throw;
  }
}

Level::Level(std::shared_ptr<CompoundFile> doc, std::shared_ptr<Node> root, bool transacted)
    : doc_(std::move(doc)), root_(std::move(root)), transacted_(transacted) {}

Level::Level(std::shared_ptr<Level> parent, std::shared_ptr<Node> node)
    : parent_(std::move(parent)), parent_node_(std::move(node)), root_(CopyTree(*parent_node_)), transacted_(true) {}

Level::~Level() {
  // The streams this storage committed into the level above are held there
  // alone once this level's own copy goes: their written pages may wait in
  // the document file as any closed stream's do, rather than in memory until
  // the document's next commit.
  if (committed_ && Valid()) {
    root_.reset();
    try {
      const CompoundFile& doc = compound_file();
      if (doc.mode().write && doc.container()) {
        PageStore& store = doc.container()->page_store();
        ForEachStream(*parent_node_, [&store](Node& stream) {
          if (stream.open_count == 0) stream.content.StorePages(store);
        });
      }
    } catch (const std::exception&) {
      // A full disk: the pages stay in memory, and the next commit reports it.
    }
  }
  // A direct root writes what is pending when its last handle goes. Errors
  // cannot travel from here; callers who need them call Commit first.
  if (doc_ && !transacted_ && changed_ && doc_->mode().write && !doc_->temporary()) {
    try {
      doc_->Publish(*root_);
    } catch (const std::exception&) {
      // See above: the last explicit Commit is what the caller can rely on.
    }
  }
}

CompoundFile& Level::compound_file() const {
  const Level* l = this;
  while (l->parent_) l = l->parent_.get();
  return *l->doc_;
}

void Level::Commit() {
  if (!Valid()) Fail(STG_E_REVERTED, "the storage no longer exists");
  // A direct root over a temporary store reads its tree from memory and
  // never again from its file, which vanishes with it: a commit makes
  // nothing durable there, it only moves pending bytes out of memory, which
  // is worth its cost (the whole tree's) once much is pending. Closed
  // streams' pages go to the file without one. A host that commits after
  // every element would otherwise pay for the whole document each time.
  if (doc_ && !transacted_ && doc_->temporary() && pending_ <= kDirectFlushBytes) return;
  if (doc_) {
    std::vector<Node*> others;
    std::erase_if(subs_, [](const std::weak_ptr<Level>& w) { return w.expired(); });
    for (auto& w : subs_) {
      if (auto l = w.lock()) others.push_back(l->root_.get());
    }
    doc_->Publish(*root_, others);
  } else {
    // Into the level above: the parent's node takes this snapshot's elements.
    Node& target = *parent_node_;
    auto copy = CopyTree(*root_);
    target.children = std::move(copy->children);
    target.clsid = root_->clsid;
    target.state_bits = root_->state_bits;
    target.modified = CurrentClock().Now();
    committed_ = true;
    parent_->NoteChange();
    parent_->NoteWrite(pending_);
    if (!parent_->transacted_) parent_->Commit();
  }
  pending_ = 0;
  changed_ = false;
}

void Level::Revert() {
  if (!Valid()) Fail(STG_E_REVERTED, "the storage no longer exists");
  if (!transacted_) return;
  MarkDestroyed(*root_);
  if (doc_) {
    root_ = doc_->LoadTree();
  } else {
    root_ = CopyTree(*parent_node_);
  }
  pending_ = 0;
  changed_ = false;
}

void Level::Register(const std::shared_ptr<Level>& sub) {
  Level* top = this;
  while (top->parent_) top = top->parent_.get();
  top->subs_.push_back(sub);
}

void Level::NoteWrite(size_t bytes) {
  pending_ += bytes;
  changed_ = true;
  if (doc_ && !transacted_ && pending_ > kDirectFlushBytes && doc_->mode().write) Commit();
}

}  // namespace vellora2::compound
