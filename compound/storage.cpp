// The public Storage: element operations on one transaction level.
#include <algorithm>
#include <span>
#include <vector>

#include "compound/errors.hpp"
#include "compound/handles.hpp"
#include "compound/level.hpp"
#include "compound/name.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2 {
namespace {

using compound::CurrentClock;
using compound::Fail;
using compound::Node;
using compound::StorageHandle;

// Splits a backslash path; empty components (a leading backslash) are skipped.
std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  size_t at = 0;
  while (at <= path.size()) {
    const size_t end = std::min(path.find(u'\\', at), path.size());
    if (end > at) parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  for (auto p : parts) compound::ValidateName(p);
  if (parts.empty()) Fail(STG_E_INVALIDNAME, "empty element name");
  return parts;
}

// The storage that holds the last component of `path`, and that component.
std::pair<Node*, std::u16string_view> Resolve(Node& from, std::u16string_view path) {
  const auto parts = SplitPath(path);
  Node* n = &from;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    auto child = n->Find(parts[i]);
    if (!child || !child->is_storage) Fail(STG_E_PATHNOTFOUND, "no storage named " + ToUtf8(parts[i]));
    n = child.get();
  }
  return {n, parts.back()};
}

std::shared_ptr<Node> Existing(Node& parent, std::u16string_view name, bool storage) {
  auto child = parent.Find(name);
  if (!child || child->is_storage != storage) {
    Fail(STG_E_FILENOTFOUND, (storage ? "no storage named " : "no stream named ") + ToUtf8(name));
  }
  if (child->open_count > 0) Fail(STG_E_ACCESSDENIED, "the element " + ToUtf8(name) + " is already open");
  return child;
}

// Makes room for a new element: fails if one exists (unless `replace`).
void ClearName(StorageHandle& h, Node& parent, std::u16string_view name, bool replace) {
  auto old = parent.Find(name);
  if (!old) return;
  if (!replace) Fail(STG_E_FILEALREADYEXISTS, "an element named " + ToUtf8(name) + " already exists");
  if (old->open_count > 0) Fail(STG_E_ACCESSDENIED, "the element " + ToUtf8(name) + " is open");
  compound::MarkDestroyed(*old);
  parent.Remove(old.get());
  h.level()->NoteChange();
}

Storage OpenChild(StorageHandle& h, const std::shared_ptr<Node>& child, const compound::Mode& m) {
  if (m.transacted) {
    auto level = std::make_shared<compound::Level>(h.level(), child);
    h.level()->Register(level);
    return Storage(std::make_shared<StorageHandle>(level, nullptr, child, m, child->name));
  }
  return Storage(std::make_shared<StorageHandle>(h.level(), child, child, m, child->name));
}

compound::Mode OpenMode(StorageHandle& h, int32_t mode, compound::OpenKind kind) {
  const auto m = compound::ParseMode(mode, kind);
  if (m.create) Fail(STG_E_INVALIDFLAG, "STGM_CREATE on an open");
  if (m.write && !h.writable()) Fail(STG_E_ACCESSDENIED, "the parent storage is read-only");
  return m;
}

void Destroy(StorageHandle& h, Node& parent, std::u16string_view name) {
  auto child = parent.Find(name);
  if (!child) Fail(STG_E_FILENOTFOUND, "no element named " + ToUtf8(name));
  // Handles still open on it (or inside it) now report STG_E_REVERTED.
  compound::MarkDestroyed(*child);
  parent.Remove(child.get());
  parent.modified = CurrentClock().Now();
  h.level()->NoteChange();
}

std::shared_ptr<Node> NewNode(std::u16string_view name, bool storage) {
  auto n = std::make_shared<Node>();
  n->name = std::u16string(name);
  n->is_storage = storage;
  if (storage) n->created = n->modified = CurrentClock().Now();
  return n;
}

// Streams that read from another document are copied now, so that this
// document never depends on the other file staying as it is: written as any
// stream is, so that in a writable document a large one goes to its file
// (extents) and a small one's pages may wait there, rather than the whole
// copy in memory. From another document, streams it holds in memory (a flat
// file seen as a storage) are copied that way too: they would otherwise stay
// in memory until the commit, long after the other document has gone.
void DetachForeign(Node& root, compound::CompoundFile& doc, bool other_document) {
  compound::Container* home = doc.container().get();
  compound::Container* spill = doc.mode().write ? home : nullptr;
  std::vector<std::byte> buf;
  compound::ForEachStream(root, [&](Node& stream) {
    const bool in_memory = other_document && spill && stream.content.HoldsChunks();
    if (!stream.content.ReadsFromOther(home) && !in_memory) return;
    const uint64_t size = stream.content.size();
    compound::Content copy;
    buf.resize(static_cast<size_t>(std::min<uint64_t>(size, uint64_t{1} << 20)));
    for (uint64_t at = 0; at < size;) {
      const auto part = std::span(buf).first(static_cast<size_t>(std::min<uint64_t>(buf.size(), size - at)));
      if (stream.content.Read(at, part) != part.size()) {
        Fail(STG_E_READFAULT, "a stream ended early while it was copied");
      }
      copy.Write(at, part, spill);
      at += part.size();
    }
    stream.content = std::move(copy);
    if (spill) stream.content.StorePages(spill->page_store());
  });
}

}  // namespace

StorageHandle& Storage::handle() const {
  if (!handle_) Raise(rt::kObjectNotSet, std::u16string(compound::kErrorSource));
  return *handle_;
}

Storage Storage::OpenStorage(std::u16string_view path, int32_t mode) {
  auto& h = handle();
  const auto m = OpenMode(h, mode, compound::OpenKind::kChildStorage);
  auto [parent, name] = Resolve(h.node(), path);
  return OpenChild(h, Existing(*parent, name, true), m);
}

Storage Storage::OpenChildStorage(std::u16string_view name, int32_t mode) {
  auto& h = handle();
  const auto m = OpenMode(h, mode, compound::OpenKind::kChildStorage);
  return OpenChild(h, Existing(h.node(), name, true), m);
}

Storage Storage::CreateStorage(std::u16string_view name, int32_t mode) {
  auto& h = handle();
  const auto m = compound::ParseMode(mode, compound::OpenKind::kChildStorage);
  h.RequireWritable();
  auto [parent, leaf] = Resolve(h.node(), name);
  ClearName(h, *parent, leaf, m.create);
  auto child = NewNode(leaf, true);
  parent->Insert(child);
  parent->modified = CurrentClock().Now();
  h.level()->NoteChange();
  return OpenChild(h, child, m);
}

Stream Storage::OpenStream(std::u16string_view name, int32_t mode) {
  auto& h = handle();
  const auto m = OpenMode(h, mode, compound::OpenKind::kChildStream);
  auto [parent, leaf] = Resolve(h.node(), name);
  return Stream(std::make_shared<compound::StreamHandle>(h.level(), Existing(*parent, leaf, false), m));
}

Stream Storage::OpenChildStream(std::u16string_view name, int32_t mode) {
  auto& h = handle();
  const auto m = OpenMode(h, mode, compound::OpenKind::kChildStream);
  return Stream(std::make_shared<compound::StreamHandle>(h.level(), Existing(h.node(), name, false), m));
}

Stream Storage::CreateStream(std::u16string_view name, int32_t mode) {
  auto& h = handle();
  const auto m = compound::ParseMode(mode, compound::OpenKind::kChildStream);
  h.RequireWritable();
  auto [parent, leaf] = Resolve(h.node(), name);
  ClearName(h, *parent, leaf, m.create);
  auto child = NewNode(leaf, false);
  parent->Insert(child);
  parent->modified = CurrentClock().Now();
  h.level()->NoteChange();
  return Stream(std::make_shared<compound::StreamHandle>(h.level(), child, m));
}

void Storage::NextElement(int32_t flag, int16_t& type, std::u16string& name) {
  auto& h = handle();
  Node& n = h.node();
  // The walk lists the children as they were when it started, so changes
  // made during it neither repeat nor skip an element.
  if (flag == 0 || h.listing_next() == 0) {
    h.listing().clear();
    for (const auto& c : n.children) h.listing().emplace_back(c->is_storage ? STGTY_STORAGE : STGTY_STREAM, c->name);
    h.listing_next() = 0;
  }
  auto& next = h.listing_next();
  if (next < h.listing().size()) {
    type = h.listing()[next].first;
    name = h.listing()[next].second;
    ++next;
  } else {
    type = 0;
    name.clear();
    next = h.listing().size() + 1;  // stays at the end until restarted
  }
}

void Storage::Commit(int32_t flags) {
  auto& h = handle();
  h.node();
  if ((flags & ~(STGC_OVERWRITE | STGC_ONLYIFCURRENT | STGC_DANGEROUSLYCOMMITMERELYTODISKCACHE | STGC_CONSOLIDATE)) !=
      0) {
    Fail(STG_E_INVALIDFLAG, "unknown commit flags");
  }
  auto& level = *h.level();
  if (h.is_level_root()) {
    if (level.parent() && !h.mode().write) return;  // a read-only snapshot has nothing to give
    level.Commit();
  } else if (!level.transacted()) {
    level.Commit();  // a direct storage of a direct root: flush to the file
  }
}

void Storage::Revert() {
  auto& h = handle();
  h.node();
  if (h.is_level_root()) h.level()->Revert();
  h.properties.Forget();  // read again from the reverted streams
}

void Storage::DestroyElement(std::u16string_view name) {
  auto& h = handle();
  h.RequireWritable();
  auto [parent, leaf] = Resolve(h.node(), name);
  Destroy(h, *parent, leaf);
}

void Storage::DestroyChild(std::u16string_view name) {
  auto& h = handle();
  h.RequireWritable();
  Destroy(h, h.node(), name);
}

void Storage::RenameElement(std::u16string_view old_name, std::u16string_view new_name) {
  auto& h = handle();
  h.RequireWritable();
  auto [parent, leaf] = Resolve(h.node(), old_name);
  compound::ValidateName(new_name);
  auto child = parent->Find(leaf);
  if (!child) Fail(STG_E_FILENOTFOUND, "no element named " + ToUtf8(leaf));
  auto clash = parent->Find(new_name);
  if (clash && clash != child) Fail(STG_E_ACCESSDENIED, "an element named " + ToUtf8(new_name) + " already exists");
  if (child->open_count > 0) Fail(STG_E_ACCESSDENIED, "the element " + ToUtf8(leaf) + " is open");
  parent->Remove(child.get());
  child->name = std::u16string(new_name);
  parent->Insert(child);
  parent->modified = CurrentClock().Now();
  h.level()->NoteChange();
}

void Storage::CopyTo(Storage& destination) {
  auto& h = handle();
  auto& d = destination.handle();
  const Node& from = h.node();
  d.RequireWritable();
  Node& to = d.node();
  auto copy = compound::CopyTree(from);
  for (const auto& c : copy->children) {
    auto old = to.Find(c->name);
    if (old && old->open_count > 0) Fail(STG_E_ACCESSDENIED, "the element " + ToUtf8(c->name) + " is open");
  }
  DetachForeign(*copy, d.level()->compound_file(), &h.level()->compound_file() != &d.level()->compound_file());
  for (auto& c : copy->children) {
    if (auto old = to.Find(c->name)) {
      compound::MarkDestroyed(*old);
      to.Remove(old.get());
    }
    to.Insert(c);
  }
  to.clsid = from.clsid;
  to.modified = CurrentClock().Now();
  d.level()->NoteChange();
}

std::u16string Storage::Name() const { return handle().name(); }

namespace {

// A document's root entry keeps no creation time and need not keep a
// modification time: a document's times are those of its file, which is also
// what other programs show for it. The root's entry moreover changes as soon
// as an open changes anything below it, committed or not. Storages inside
// keep theirs in their entries; the format has no access time for them.
compound::FileTimes TimesOf(const StorageHandle& h) {
  const Node& n = h.node();
  if (h.is_level_root() && !h.level()->parent()) {
    compound::FileTimes t = h.level()->compound_file().Times();
    if (t.created == 0) t.created = t.modified;
    return t;
  }
  const uint64_t created = n.created != 0 ? n.created : n.modified;
  return {created, n.modified, n.modified};
}

}  // namespace

Date Storage::CreationTime() const { return DateFromFileTime(TimesOf(handle()).created); }

Date Storage::ModifiedTime() const { return DateFromFileTime(TimesOf(handle()).modified); }

Date Storage::AccessTime() const { return DateFromFileTime(TimesOf(handle()).accessed); }

int16_t Storage::ElementType(std::u16string_view name) const {
  auto child = handle().node().Find(name);
  if (!child) return 0;
  return child->is_storage ? STGTY_STORAGE : STGTY_STREAM;
}

}  // namespace vellora2
