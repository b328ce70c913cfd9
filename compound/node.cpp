#include "compound/node.hpp"

#include <algorithm>
#include <utility>

#include "compound/name.hpp"

namespace vellora2::compound {
namespace {

auto LowerBound(const std::vector<std::shared_ptr<Node>>& children, std::u16string_view name) {
  return std::lower_bound(
      children.begin(), children.end(), name,
      [](const std::shared_ptr<Node>& n, std::u16string_view v) { return CompareNames(n->name, v) < 0; });
}

}  // namespace

Node::~Node() {
  std::vector<std::shared_ptr<Node>> work = std::move(children);
  while (!work.empty()) {
    std::shared_ptr<Node> n = std::move(work.back());
    work.pop_back();
    // Only the last owner takes the children; they die with it otherwise.
    if (n.use_count() == 1) {
      for (auto& c : n->children) work.push_back(std::move(c));
      n->children.clear();
    }
  }
}

std::shared_ptr<Node> Node::Find(std::u16string_view child_name) const {
  auto it = LowerBound(children, child_name);
  return it != children.end() && CompareNames((*it)->name, child_name) == 0 ? *it : nullptr;
}

void Node::Insert(std::shared_ptr<Node> child) {
  auto it = LowerBound(children, child->name);
  children.insert(it, std::move(child));
}

void Node::Remove(const Node* child) {
  std::erase_if(children, [child](const std::shared_ptr<Node>& n) { return n.get() == child; });
}

std::shared_ptr<Node> CopyTree(const Node& root) {
  auto copy_one = [](const Node& n) {
    auto c = std::make_shared<Node>();
    c->name = n.name;
    c->is_storage = n.is_storage;
    c->clsid = n.clsid;
    c->state_bits = n.state_bits;
    c->created = n.created;
    c->modified = n.modified;
    c->content = n.content;
    return c;
  };
  auto result = copy_one(root);
  std::vector<std::pair<const Node*, Node*>> work{{&root, result.get()}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    to->children.reserve(from->children.size());
    for (const auto& child : from->children) {
      to->children.push_back(copy_one(*child));
      work.emplace_back(child.get(), to->children.back().get());
    }
  }
  return result;
}

void MarkDestroyed(Node& root) {
  std::vector<Node*> work{&root};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    n->destroyed = true;
    for (auto& c : n->children) work.push_back(c.get());
  }
}

void ForEachStream(Node& root, const std::function<void(Node&)>& visit) {
  std::vector<Node*> work{&root};
  while (!work.empty()) {
    Node* n = work.back();
    work.pop_back();
    for (auto& c : n->children) {
      if (c->is_storage) {
        work.push_back(c.get());
      } else {
        visit(*c);
      }
    }
  }
}

std::vector<DirEntry> DirectoryOf(Node& root, std::vector<Node*>& nodes) {
  std::vector<DirEntry> entries;
  nodes.clear();
  // Sized once: a tree of many small streams would otherwise hold the
  // entries twice while the vectors grow.
  size_t count = 1;
  for (std::vector<const Node*> work{&root}; !work.empty();) {
    const Node* n = work.back();
    work.pop_back();
    count += n->children.size();
    for (const auto& child : n->children) {
      if (child->is_storage) work.push_back(child.get());
    }
  }
  entries.reserve(count);
  nodes.reserve(count);
  auto add = [&](Node* n, EntryType type) {
    DirEntry e;
    e.name = n->name;
    e.type = type;
    e.clsid = n->clsid;
    e.state_bits = n->state_bits;
    if (type != EntryType::kStream) {
      e.created = type == EntryType::kRoot ? 0 : n->created;
      e.modified = n->modified;
    }
    e.start = type == EntryType::kStream ? kEndOfChain : 0;
    entries.push_back(e);
    nodes.push_back(n);
  };
  add(&root, EntryType::kRoot);
  entries[0].name = u"Root Entry";
  for (size_t at = 0; at < entries.size(); ++at) {
    Node* n = nodes[at];
    if (!n->is_storage) continue;
    std::vector<uint32_t> members;
    for (auto& child : n->children) {
      members.push_back(static_cast<uint32_t>(entries.size()));
      add(child.get(), child->is_storage ? EntryType::kStorage : EntryType::kStream);
    }
    const uint32_t top = BuildSiblingTree(entries, members);
    entries[at].child = top;
  }
  return entries;
}

}  // namespace vellora2::compound
