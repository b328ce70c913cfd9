#include "compound/handles.hpp"

#include <exception>

#include "compound/errors.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

StorageHandle::StorageHandle(std::shared_ptr<Level> level, std::shared_ptr<Node> node, std::shared_ptr<Node> held,
                             Mode mode, std::u16string name)
    : level_(std::move(level)), node_(std::move(node)), held_(std::move(held)), mode_(mode), name_(std::move(name)) {
  // A transacted root opened for reading may still be changed: the changes
  // live in its private snapshot and can never be committed. Hosts rely on
  // that to update a read-only document's summary in memory.
  writable_ = mode_.write || (node_ == nullptr && level_->transacted() && level_->parent() == nullptr);
  if (held_) ++held_->open_count;
}

StorageHandle::~StorageHandle() {
  if (held_) --held_->open_count;
}

Node& StorageHandle::node() const {
  if (!level_->Valid()) Fail(STG_E_REVERTED, "the storage no longer exists");
  Node& n = node_ ? *node_ : *level_->root();
  if (n.destroyed) Fail(STG_E_REVERTED, "the storage no longer exists");
  return n;
}

void StorageHandle::RequireWritable() const {
  node();
  if (!writable_) Fail(STG_E_ACCESSDENIED, "the storage was opened read-only");
}

StreamHandle::StreamHandle(std::shared_ptr<Level> level, std::shared_ptr<Node> node, Mode mode)
    : level_(std::move(level)), node_(std::move(node)), mode_(mode) {
  ++node_->open_count;
}

StreamHandle::~StreamHandle() {
  --node_->open_count;
  if (node_->open_count > 0 || node_->destroyed || !level_->Valid()) return;
  // Nobody has the stream open now: its written pages can wait for the
  // commit in the document file rather than in memory.
  try {
    const CompoundFile& doc = level_->compound_file();
    if (doc.mode().write && doc.container()) node_->content.StorePages(doc.container()->page_store());
  } catch (const std::exception&) {
    // A full disk: the pages stay in memory, and the commit will report it.
  }
}

void StreamHandle::RequireWritable() const {
  node();
  if (!mode_.write) Fail(STG_E_ACCESSDENIED, "the stream was opened read-only");
}

void StreamHandle::RequireReadable() const {
  node();
  if (!mode_.read) Fail(STG_E_ACCESSDENIED, "the stream was opened write-only");
}

}  // namespace vellora2::compound
