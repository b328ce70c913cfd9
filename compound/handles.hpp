// What a public Storage or Stream handle points at: an element of one
// transaction level, with the mode it was opened in. Releasing the last handle
// closes the element (and lets it be opened again).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compound/errors.hpp"
#include "compound/level.hpp"
#include "compound/mode.hpp"
#include "compound/node.hpp"
#include "compound/property_set/document_properties.hpp"
#include "vellora2/compound/stgm.hpp"

namespace vellora2::compound {

class StorageHandle {
 public:
  // `node` null: the handle stands for the level's own root (a root storage or
  // a transacted sub-storage). `held` is the node whose open count this handle
  // keeps (null for roots of documents).
  StorageHandle(std::shared_ptr<Level> level, std::shared_ptr<Node> node, std::shared_ptr<Node> held, Mode mode,
                std::u16string name);
  ~StorageHandle();
  StorageHandle(const StorageHandle&) = delete;
  StorageHandle& operator=(const StorageHandle&) = delete;

  // The element, after checking it still exists (STG_E_REVERTED otherwise).
  Node& node() const;
  // Fails with STG_E_ACCESSDENIED unless changes may be made through this handle.
  void RequireWritable() const;
  bool writable() const { return writable_; }
  bool is_level_root() const { return node_ == nullptr; }
  const std::shared_ptr<Level>& level() const { return level_; }
  const Mode& mode() const { return mode_; }
  const std::u16string& name() const { return name_; }
  std::vector<std::pair<int16_t, std::u16string>>& listing() { return listing_; }
  size_t& listing_next() { return listing_next_; }

  // The property sets as the storage's property operations have read and changed them.
  DocumentProperties properties;

 private:
  std::shared_ptr<Level> level_;
  std::shared_ptr<Node> node_;
  std::shared_ptr<Node> held_;
  Mode mode_;
  bool writable_;
  std::u16string name_;
  std::vector<std::pair<int16_t, std::u16string>> listing_;
  size_t listing_next_ = 0;
};

class StreamHandle {
 public:
  StreamHandle(std::shared_ptr<Level> level, std::shared_ptr<Node> node, Mode mode);
  ~StreamHandle();
  StreamHandle(const StreamHandle&) = delete;
  StreamHandle& operator=(const StreamHandle&) = delete;

  // Inline, as every stream call starts here.
  Node& node() const {
    if (!level_->Valid() || node_->destroyed) [[unlikely]] Fail(STG_E_REVERTED, "the stream no longer exists");
    return *node_;
  }
  Content& content() const { return node().content; }
  void RequireWritable() const;
  void RequireReadable() const;
  Level& level() const { return *level_; }

  uint64_t position = 0;
  std::vector<std::byte> mapped;  // the bytes MapRange handed out

 private:
  std::shared_ptr<Level> level_;
  std::shared_ptr<Node> node_;
  Mode mode_;
};

}  // namespace vellora2::compound
