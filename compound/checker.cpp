#include "compound/checker.hpp"

#include <algorithm>
#include <string>

#include "compound/container.hpp"
#include "compound/name.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2::compound {
namespace {

class Checker {
 public:
  explicit Checker(const Container& c) : c_(c), owner_(c.fat().size()), mini_owner_(c.minifat().size()) {}

  std::vector<Finding> Run() {
    for (uint32_t s : c_.fat_sectors()) Own(s, "the FAT", kFatSect);
    for (uint32_t s : c_.difat_sectors()) Own(s, "the DIFAT", kDifSect);
    Chain(c_.dir_chain(), "the directory");
    Chain(c_.minifat_chain(), "the mini-FAT");
    Chain(c_.ministream_chain(), "the mini stream");
    const auto& entries = c_.entries();
    for (size_t id = 1; id < entries.size(); ++id) {
      const DirEntry& e = entries[id];
      if (e.type != EntryType::kStream || e.size == 0) continue;
      const std::string what = "stream " + ToUtf8(e.name);
      Guard(what, [&] {
        if (e.size < kMiniStreamCutoff) {
          MiniChain(c_.MiniChain(e.start, DivUp(e.size, kMiniSectorSize)), what);
        } else {
          Chain(c_.FatChain(e.start, DivUp(e.size, c_.sector_size())), what);
        }
      });
    }
    for (size_t s = 0; s < owner_.size(); ++s) {
      const bool used = c_.fat()[s] != kFreeSect;
      if (owner_[s].empty() && used) Problem("sector " + std::to_string(s) + " is marked used but belongs to nothing");
    }
    for (size_t m = 0; m < mini_owner_.size(); ++m) {
      if (mini_owner_[m].empty() && c_.minifat()[m] != kFreeSect) {
        Problem("mini sector " + std::to_string(m) + " is marked used but belongs to nothing");
      }
    }
    CheckDirectory();
    return findings_;
  }

 private:
  // How a sibling tree departs from the balanced red-black tree in name order
  // that our writer leaves; one note per tree says all of it.
  struct Shape {
    bool red_top = false;
    bool red_under_red = false;
    bool unbalanced = false;
    bool out_of_order = false;

    bool Sound() const { return !red_top && !red_under_red && !unbalanced && !out_of_order; }
    std::string Describe() const {
      std::vector<std::string> parts;
      if (unbalanced) parts.emplace_back("is unbalanced");
      if (out_of_order) parts.emplace_back("is out of name order");
      if (red_top) parts.emplace_back("has a red top");
      if (red_under_red) parts.emplace_back("has red entries under red ones");
      std::string text;
      for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
        text += parts[i];
      }
      return text;
    }
  };

  void Add(Finding::Kind kind, std::string text) {
    if (findings_.size() < 100) findings_.push_back({kind, std::move(text)});
  }
  void Problem(std::string text) { Add(Finding::Kind::kProblem, std::move(text)); }
  void Note(std::string text) { Add(Finding::Kind::kNote, std::move(text)); }
  template <typename F>
  void Guard(const std::string& what, F f) {
    try {
      f();
    } catch (const AutomationError& e) {
      Problem(what + ": " + ToUtf8(e.description()));
    }
  }
  void Own(uint32_t s, const std::string& what, uint32_t marker) {
    if (s >= owner_.size()) {
      Problem(what + " uses sector " + std::to_string(s) + ", which the FAT does not cover");
      return;
    }
    if (!owner_[s].empty()) Problem("sector " + std::to_string(s) + " belongs to " + owner_[s] + " and " + what);
    owner_[s] = what;
    if (marker != 0 && c_.fat()[s] != marker) Problem("sector " + std::to_string(s) + " of " + what + " is not marked as such");
  }
  void Chain(const SectorTable& chain, const std::string& what) {
    for (uint32_t s : chain) Own(s, what, 0);
    if (!chain.empty() && chain.back() < c_.fat().size() && c_.fat()[chain.back()] != kEndOfChain) {
      Problem(what + " does not end where its size says");
    }
  }
  void MiniChain(const SectorTable& chain, const std::string& what) {
    for (uint32_t m : chain) {
      if (!mini_owner_[m].empty()) Problem("mini sector " + std::to_string(m) + " belongs to " + mini_owner_[m] + " and " + what);
      mini_owner_[m] = what;
    }
    if (!chain.empty() && c_.minifat()[chain.back()] != kEndOfChain) Problem(what + " does not end where its size says");
  }

  void CheckDirectory() {
    const auto& entries = c_.entries();
    std::vector<int> reached(entries.size(), 0);
    reached[0] = 1;
    std::vector<uint32_t> storages{0};
    while (!storages.empty()) {
      const uint32_t parent = storages.back();
      storages.pop_back();
      // In-order walk with an explicit stack: names must ascend, and every path
      // from the top to a missing child must pass the same number of black nodes.
      struct Frame {
        uint32_t id;
        int blacks;
      };
      std::vector<Frame> stack;
      std::vector<const std::u16string*> names;
      Shape shape;
      int black_height = -1;
      const DirEntry* previous = nullptr;
      uint32_t cur = entries[parent].child;
      int blacks = 0;
      bool parent_red = false;
      shape.red_top = cur != kNoStream && cur < entries.size() && entries[cur].color == Color::kRed;
      auto leaf = [&](int b) {
        if (black_height < 0) black_height = b;
        if (black_height != b) shape.unbalanced = true;
      };
      size_t steps = 0;
      while (cur != kNoStream || !stack.empty()) {
        if (++steps > 4 * entries.size() + 4) break;
        while (cur != kNoStream) {
          if (cur >= entries.size() || reached[cur]++ > 0 || entries[cur].type == EntryType::kUnused ||
              entries[cur].type == EntryType::kRoot) {
            Problem("the directory links entry " + std::to_string(cur) + " wrongly or twice");
            break;
          }
          const DirEntry& e = entries[cur];
          const bool red = e.color == Color::kRed;
          if (red && parent_red) shape.red_under_red = true;
          const int b = blacks + (red ? 0 : 1);
          if (e.left == kNoStream) leaf(b);
          stack.push_back({cur, b});
          blacks = b;
          parent_red = red;
          cur = e.left;
        }
        if (stack.empty()) break;
        const Frame f = stack.back();
        stack.pop_back();
        const DirEntry& e = entries[f.id];
        if (previous && CompareNames(previous->name, e.name) > 0) shape.out_of_order = true;
        previous = &e;
        names.push_back(&e.name);
        if (e.type == EntryType::kStorage) storages.push_back(f.id);
        if (e.right == kNoStream) leaf(f.blacks);
        blacks = f.blacks;
        parent_red = e.color == Color::kRed;
        cur = e.right;
      }
      if (!shape.Sound()) Note("the tree under " + Describe(parent) + " " + shape.Describe());
      // Unlike the tree's shape, a repeated name loses data: only the first
      // entry of a name can be opened.
      std::sort(names.begin(), names.end(), [](auto* a, auto* b) { return CompareNames(*a, *b) < 0; });
      for (size_t i = 1; i < names.size(); ++i) {
        const bool repeated = CompareNames(*names[i - 1], *names[i]) == 0;
        const bool reported = i > 1 && CompareNames(*names[i - 2], *names[i - 1]) == 0;
        if (repeated && !reported) {
          Problem("the tree under " + Describe(parent) + " has more than one entry named " + ToUtf8(*names[i]));
        }
      }
    }
    for (size_t id = 1; id < entries.size(); ++id) {
      if (entries[id].type == EntryType::kUnused) continue;
      if (reached[id] == 0) Problem("entry " + Describe(id) + " is unreachable");
      CheckName(static_cast<uint32_t>(id));
    }
  }
  // Names that no path can spell: readers that take paths find another
  // element, or none, in their place.
  void CheckName(uint32_t id) {
    const std::u16string& name = c_.entries()[id].name;
    if (name.empty()) {
      Problem("entry " + std::to_string(id) + " has an empty name");
    } else if (name.find_first_of(u"\\/:!") != std::u16string::npos) {
      Problem("entry " + std::to_string(id) + " is named " + ToUtf8(name) + ", and names cannot hold \\ / : or !");
    }
  }
  std::string Describe(uint32_t id) const {
    return id == 0 ? std::string("the root") : ToUtf8(c_.entries()[id].name);
  }

  const Container& c_;
  std::vector<std::string> owner_;
  std::vector<std::string> mini_owner_;
  std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> CheckFile(std::shared_ptr<File> file) {
  try {
    auto c = Container::Open(std::move(file));
    return Checker(*c).Run();
  } catch (const AutomationError& e) {
    return {{Finding::Kind::kProblem, ToUtf8(e.description())}};
  }
}

}  // namespace vellora2::compound
