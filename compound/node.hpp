// The element tree one transaction level works on. A storage keeps its children
// sorted by CompareNames (directory order); a stream keeps its Content.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compound/content.hpp"
#include "compound/directory.hpp"

namespace vellora2::compound {

struct Node {
  std::u16string name;
  bool is_storage = false;
  ClassId clsid{};
  uint32_t state_bits = 0;
  uint64_t created = 0;
  uint64_t modified = 0;
  std::vector<std::shared_ptr<Node>> children;  // storages only, in name order
  Content content;                              // streams only

  // Handles open on this node in its level, and whether it was destroyed
  // (handles on a destroyed node report STG_E_REVERTED).
  int open_count = 0;
  bool destroyed = false;

  Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  // Frees the subtree with a list rather than by recursion: trees from other
  // writers nest storages a hundred thousand deep.
  ~Node();

  // The child of that name, or null.
  std::shared_ptr<Node> Find(std::u16string_view child_name) const;
  // Inserts keeping name order; the name must be new.
  void Insert(std::shared_ptr<Node> child);
  void Remove(const Node* child);
};

// A deep copy (iterative, any depth): the snapshot a transacted storage takes.
// Contents share their pages until written.
std::shared_ptr<Node> CopyTree(const Node& root);
// Marks a subtree destroyed, so open handles in it stop working.
void MarkDestroyed(Node& root);
// Calls `visit` for every stream below `root` (iterative, any depth).
void ForEachStream(Node& root, const std::function<void(Node&)>& visit);
// The directory entries of the tree under `root`, and in `nodes` the node of
// each. Entries are numbered breadth-first, children of one storage
// consecutively in name order, so that an unchanged tree gets the same
// numbers and the same directory bytes. Streams have no place (start) or size
// yet and carry no times.
std::vector<DirEntry> DirectoryOf(Node& root, std::vector<Node*>& nodes);

}  // namespace vellora2::compound
