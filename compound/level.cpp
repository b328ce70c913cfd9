#include "compound/level.hpp"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>

#include "compound/errors.hpp"
#include "compound/sharing.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {
namespace {

constexpr uint64_t kDirectFlushBytes = 64ull << 20;

}  // namespace

uint64_t Now() {
  // FILETIME counts 100 ns ticks from 1601-01-01, 11644473600 s before 1970.
  const auto since_1970 = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since_1970).count() / 100) +
         116444736000000000ull;
}

Document::Document(std::shared_ptr<FileSystem> files, std::string path, std::shared_ptr<File> file, Mode mode)
    : files_(std::move(files)), path_(std::move(path)), file_(std::move(file)), mode_(mode),
      version3_limit_(path_.empty() ? UINT64_MAX : kVersion3Limit) {}

Document::~Document() {
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

std::shared_ptr<Node> Document::LoadTree() {
  if (container_) return container_->LoadTree();
  // A flat file seen as a storage: its bytes are read once, so that the file
  // itself is never touched until a commit replaces it.
  auto root = std::make_shared<Node>();
  root->is_storage = true;
  root->created = root->modified = Now();
  auto contents = std::make_shared<Node>();
  contents->name = u"CONTENTS";
  std::vector<std::byte> buf(1 << 20);
  for (uint64_t at = 0;;) {
    const size_t n = file_->ReadAt(at, buf);
    if (n == 0) break;
    contents->content.Write(at, std::span(buf).first(n));
    at += n;
  }
  root->Insert(contents);
  return root;
}

void Document::Publish(Node& root, const std::vector<Node*>& others) {
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

void Document::Rewrite(Node& root, uint16_t major_version) {
  if (path_.empty()) Fail(STG_E_INVALIDFUNCTION, "a temporary store cannot be rewritten");
  static std::atomic<unsigned> counter{0};
  const std::string temp = path_ + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  auto file = files_->Open(temp, OpenMode::kCreateNew);
  try {
    auto fresh = Container::Create(file, major_version);
    fresh->Commit(root, UINT64_MAX);
    // Our sharing promises carry over to the new file before anyone can open it.
    AcquireShareLocks(*file, mode_);
    files_->Rename(temp, path_);
    container_ = std::move(fresh);
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

Level::Level(std::shared_ptr<Document> doc, std::shared_ptr<Node> root, bool transacted)
    : doc_(std::move(doc)), root_(std::move(root)), transacted_(transacted) {}

Level::Level(std::shared_ptr<Level> parent, std::shared_ptr<Node> node)
    : parent_(std::move(parent)), parent_node_(std::move(node)), root_(CopyTree(*parent_node_)), transacted_(true) {}

Level::~Level() {
  // A direct root writes what is pending when its last handle goes. Errors
  // cannot travel from here; callers who need them call Commit first.
  if (doc_ && !transacted_ && changed_ && doc_->mode().write) {
    try {
      doc_->Publish(*root_);
    } catch (const std::exception&) {
      // See above: the last explicit Commit is what the caller can rely on.
    }
  }
}

Document& Level::document() const {
  const Level* l = this;
  while (l->parent_) l = l->parent_.get();
  return *l->doc_;
}

void Level::Commit() {
  if (!Valid()) Fail(STG_E_REVERTED, "the storage no longer exists");
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
    target.modified = Now();
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
