#include "compound/salvage.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "compound/directory.hpp"
#include "compound/errors.hpp"
#include "compound/format.hpp"
#include "compound/header.hpp"
#include "compound/name.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2::compound {
namespace {

// A table entry that could not be read: its table sector is missing, outside
// the file or holds something else. The format reserves this value and no
// writer puts it in a table, so it cannot be mistaken for a link.
constexpr uint32_t kUnknown = 0xFFFFFFFB;
// Asks Follow for a chain that ends at its end-of-chain mark, however long.
constexpr uint64_t kOpenEnded = UINT64_MAX;
constexpr size_t kMaxProblems = 200;
constexpr const char* kPastTheEnd = "points past the end of the file";

bool IsMarker(uint32_t v) { return v == kDifSect || v == kFatSect || v == kEndOfChain || v == kFreeSect; }

// A table sector (FAT or mini-FAT) that was overwritten shows itself: many
// links out of range, or many links to sectors that other links of it name
// already, which no set of chains can have. Zeros (every link to sector 0)
// and random bytes are both caught; a few bad links are left to the chain
// walks, which catch each where it matters. `limit` is what the header
// promises rather than what the file holds, so that the chains a cut file
// leaves running past its end do not count.
bool LooksLikeTable(std::vector<uint32_t> values, uint64_t limit) {
  constexpr size_t kTolerated = 8;
  size_t outside = 0;
  size_t links = 0;
  for (uint32_t v : values) {
    if (IsMarker(v)) continue;
    ++links;
    if (v >= limit) ++outside;
  }
  if (outside > kTolerated && outside * 2 > links) return false;
  std::erase_if(values, IsMarker);
  std::sort(values.begin(), values.end());
  size_t repeated = 0;
  for (size_t i = 1; i < values.size(); ++i) repeated += values[i] == values[i - 1] ? 1 : 0;
  return repeated <= kTolerated;
}

// Classifies a 128-byte directory slot: a plausible entry, an unused slot, or
// bytes that are no entry (an overwritten sector).
enum class Slot : uint8_t { kUnused, kEntry, kGarbage };

Slot Classify(std::span<const std::byte> b) {
  const uint8_t type = std::to_integer<uint8_t>(b[0x42]);
  if (type == 0) return Slot::kUnused;
  if (type != 1 && type != 2 && type != 5) return Slot::kGarbage;
  const uint16_t name_bytes = Get16(b, 0x40);
  if (name_bytes > 64 || name_bytes % 2 != 0 || std::to_integer<uint8_t>(b[0x43]) > 1) return Slot::kGarbage;
  for (size_t at : {0x44, 0x48, 0x4C}) {
    const uint32_t link = Get32(b, at);
    if (link != kNoStream && link > kMaxRegSid) return Slot::kGarbage;
  }
  return Slot::kEntry;
}

std::u16string Upper(std::u16string_view name) {
  std::u16string out(name);
  for (auto& c : out) c = UpperUnit(c);
  return out;
}

// A name the engine accepts: the separators and the characters it refuses
// become "_", an empty name is named after its entry, a long one is cut.
std::u16string ValidName(std::u16string name, uint32_t id) {
  for (auto& c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!') c = u'_';
  }
  if (name.empty()) name = FromUtf8("entry " + std::to_string(id));
  if (name.size() > kMaxNameChars) name.resize(kMaxNameChars);
  return name;
}

// The result of following one chain.
struct Walk {
  std::vector<uint32_t> chain;
  bool complete = false;  // as long as asked, or (open-ended) closed by the end mark
  std::string stop;       // why it stopped early
};

class Salvager {
 public:
  explicit Salvager(std::shared_ptr<File> file) : file_(std::move(file)), state_(std::make_shared<SalvageState>()) {
    state_->file = file_;
  }

  std::shared_ptr<SalvageState> Run() {
    ReadHeader();
    ReadFat();
    ReadDirectory();
    ReadMini();
    WalkStreams();
    BuildTree();
    return state_;
  }

 private:
  struct Names {
    std::set<std::u16string> used;  // upper-cased
    std::map<std::u16string, int> next_suffix;
  };

  void Problem(std::string text) {
    auto& problems = state_->problems;
    if (problems.size() < kMaxProblems) {
      problems.push_back(std::move(text));
    } else if (problems.size() == kMaxProblems) {
      problems.emplace_back("(more problems not listed)");
    }
  }
  uint64_t Offset(uint32_t sector) const { return (uint64_t{sector} + 1) * ssz_; }
  // Bytes of `length` at `offset` that the file holds.
  uint64_t Present(uint64_t offset, uint64_t length) const {
    return offset >= size_ ? 0 : std::min(length, size_ - offset);
  }
  // Reads a whole sector; bytes past the end of the file are not there, and
  // the count says how many are.
  size_t ReadSector(uint32_t sector, std::vector<std::byte>& buf) {
    buf.assign(ssz_, std::byte{0});
    return file_->ReadAt(Offset(sector), buf);
  }

  void ReadHeader() {
    size_ = file_->Size();
    std::vector<std::byte> bytes(kHeaderSize);
    const size_t got = file_->ReadAt(0, bytes);
    if (got < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), bytes.begin(),
                    [](uint8_t a, std::byte b) { return a == std::to_integer<uint8_t>(b); })) {
      Fail(STG_E_FILEALREADYEXISTS, "the file is not a compound file");
    }
    if (got < kHeaderSize) Problem("the file ends inside its header");
    try {
      header_ = ParseHeader(bytes);
    } catch (const AutomationError& e) {
      Problem("the header is damaged (" + ToUtf8(e.description()) + "); the rest of it is used");
      // Put the fixed fields right and keep the ones that locate things.
      const bool v4 = Get16(bytes, 0x1E) == 12 || (Get16(bytes, 0x1E) != 9 && Get16(bytes, 0x1A) == 4);
      Put16(bytes, 0x1A, v4 ? 4 : 3);
      Put16(bytes, 0x1C, 0xFFFE);
      Put16(bytes, 0x1E, v4 ? 12 : 9);
      Put16(bytes, 0x20, 6);
      Put32(bytes, 0x38, kMiniStreamCutoff);
      if (Get32(bytes, 0x30) > kMaxRegSect) Put32(bytes, 0x30, kMaxRegSect);
      header_ = ParseHeader(bytes);
    }
    ssz_ = header_.sector_size();
    sectors_ = size_ > ssz_ ? DivUp(size_ - ssz_, ssz_) : 0;
    sectors_ = std::min<uint64_t>(sectors_, uint64_t{kMaxRegSect} + 1);
    stamps_.assign(sectors_, 0);
    claims_.assign(sectors_, 0);
    agreed_.assign(sectors_, 0);
    // Sound chains use each sector once; past a few times the file's sectors
    // only a hostile file can ask for more, and memory must not follow it.
    budget_ = 4 * sectors_ + 4096;
  }

  // Where the FAT lives: the header's 109 slots, then the DIFAT chain. The
  // header's counts are not trusted: the file's length says how many FAT
  // sectors there must be. Slots the DIFAT cannot give (it breaks off, or
  // points outside the file) are filled from the sectors the FAT read so far
  // marks as FAT sectors, in order, as writers lay them out.
  void ReadFat() {
    const uint32_t per = ssz_ / 4;
    const uint64_t needed = DivUp(sectors_, per);
    fat_list_.assign(needed, kUnknown);
    for (uint64_t j = 0; j < std::min<uint64_t>(needed, kHeaderDifatSlots); ++j) {
      if (header_.difat[j] < sectors_) fat_list_[j] = header_.difat[j];
    }
    std::vector<std::byte> buf;
    uint32_t next = header_.first_difat_sector;
    std::vector<bool> seen(sectors_, false);
    for (uint64_t j = kHeaderDifatSlots; j < needed;) {
      if (next == kEndOfChain || next == kFreeSect) break;
      if (next >= sectors_ || seen[next] || ReadSector(next, buf) < ssz_) {
        Problem("the DIFAT chain breaks off at its sector " + std::to_string(difat_sectors_.size()) +
                "; the FAT sectors it should list are looked for by their marks");
        break;
      }
      seen[next] = true;
      difat_sectors_.push_back(next);
      Claim(next, true);
      for (uint32_t i = 0; i + 1 < per && j < needed; ++i, ++j) {
        const uint32_t v = Get32(buf, size_t{4} * i);
        if (v < sectors_) fat_list_[j] = v;
      }
      next = Get32(buf, size_t{4} * (per - 1));
    }

    fat_.assign(sectors_, kUnknown);
    for (uint64_t j = 0; j < needed; ++j) LoadFatSector(j, buf);
    if (std::find(fat_list_.begin(), fat_list_.end(), kUnknown) != fat_list_.end()) {
      std::vector<bool> listed(sectors_, false);
      for (uint32_t s : fat_list_) {
        if (s != kUnknown) listed[s] = true;
      }
      // Sectors the FAT read so far marks as FAT sectors, and sectors it
      // does not cover that hold nothing but a valid table with a link in
      // it: writers put the last FAT sectors at the end, where only they
      // themselves describe the file.
      std::vector<uint32_t> candidates;
      for (uint32_t s = 0; s < sectors_; ++s) {
        if (!listed[s] && (fat_[s] == kFatSect || (fat_[s] == kUnknown && HoldsTable(s, buf)))) candidates.push_back(s);
      }
      auto next_candidate = candidates.begin();
      for (uint64_t j = 0; j < needed && next_candidate != candidates.end(); ++j) {
        if (fat_list_[j] != kUnknown) continue;
        fat_list_[j] = *next_candidate++;
        LoadFatSector(j, buf);
      }
    }
    for (uint32_t s : fat_list_) {
      if (s != kUnknown) Claim(s, true);
    }
  }

  bool HoldsTable(uint32_t s, std::vector<std::byte>& buf) {
    if (ReadSector(s, buf) < ssz_) return false;
    bool linked = false;
    std::vector<uint32_t> values(ssz_ / 4);
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = Get32(buf, 4 * i);
      if (values[i] != kFreeSect && values[i] >= sectors_ && !IsMarker(values[i])) return false;
      linked = linked || values[i] != kFreeSect;
    }
    std::sort(values.begin(), values.end());
    std::erase_if(values, IsMarker);
    return linked && std::adjacent_find(values.begin(), values.end()) == values.end();
  }

  void LoadFatSector(uint64_t j, std::vector<std::byte>& buf) {
    const uint32_t s = fat_list_[j];
    if (s == kUnknown) return;
    const uint32_t per = ssz_ / 4;
    const size_t got = ReadSector(s, buf);
    std::vector<uint32_t> values;
    for (size_t i = 0; (i + 1) * 4 <= got && j * per + i < sectors_; ++i) values.push_back(Get32(buf, 4 * i));
    const uint64_t promised = std::min<uint64_t>(uint64_t{header_.fat_sector_count} * per, kMaxRegSect);
    if (!LooksLikeTable(values, std::max(sectors_, promised))) {
      Problem("FAT sector " + std::to_string(j) + " (sector " + std::to_string(s) +
              ") holds no table; the links it held are lost");
      return;
    }
    std::copy(values.begin(), values.end(), fat_.begin() + static_cast<ptrdiff_t>(j * per));
  }

  // Counts who uses a sector. Tables, the directory and chains that are as
  // long as their sizes say agree with the file; a damaged chain does not.
  void Claim(uint32_t s, bool agrees) {
    if (claims_[s] < 255) ++claims_[s];
    if (agrees && agreed_[s] < 255) ++agreed_[s];
  }

  // Follows `table` from `start` for `want` links, never past `limit`, never
  // twice through one sector, never past the budget: no input makes it spin.
  Walk Follow(const std::vector<uint32_t>& table, uint64_t limit, std::vector<uint32_t>& stamps, uint32_t start,
              uint64_t want) {
    Walk w;
    ++walk_id_;
    const bool open = want == kOpenEnded;
    uint32_t s = start;
    while (open || w.chain.size() < want) {
      if (s == kEndOfChain && open) {
        w.complete = true;
        break;
      }
      if (s == kEndOfChain) {
        w.stop = "ends before its size";
      } else if (s == kUnknown) {
        w.stop = "runs through a damaged or missing table sector";
      } else if (s > kMaxRegSect) {
        w.stop = "runs into a sector marked free or as a table";
      } else if (s >= limit) {
        w.stop = kPastTheEnd;
      } else if (stamps[s] == walk_id_) {
        w.stop = "loops";
      } else if (links_ >= budget_) {
        w.stop = "shares too many sectors with other chains";
      }
      if (!w.stop.empty()) break;
      stamps[s] = walk_id_;
      w.chain.push_back(s);
      ++links_;
      s = table[s];
    }
    if (!open && w.chain.size() == want) w.complete = true;
    return w;
  }

  void ReadDirectory() {
    Walk w = Follow(fat_, sectors_, stamps_, header_.first_dir_sector, kOpenEnded);
    if (!w.complete) {
      Problem("the directory chain " + w.stop + " after " + std::to_string(w.chain.size()) +
              " sectors; entries past it are lost");
      state_->entries_lost = true;
    }
    const uint32_t per = ssz_ / kDirEntrySize;
    std::vector<std::byte> buf;
    size_t garbage = 0;
    for (uint32_t s : w.chain) {
      Claim(s, true);
      const size_t got = ReadSector(s, buf);
      for (uint32_t k = 0; k < per; ++k) {
        const auto slot = std::span<const std::byte>(buf).subspan(size_t{k} * kDirEntrySize, kDirEntrySize);
        const Slot kind = size_t{k + 1} * kDirEntrySize <= got ? Classify(slot) : Slot::kGarbage;
        slots_.push_back(kind);
        entries_.push_back(kind == Slot::kEntry ? ParseDirEntry(slot, header_.major_version) : DirEntry{});
        if (kind == Slot::kGarbage) ++garbage;
      }
    }
    if (garbage > 0) {
      Problem(std::to_string(garbage) + " directory slots hold no entry (overwritten or cut off)");
      state_->entries_lost = true;
    }
    if (!entries_.empty() && slots_[0] == Slot::kEntry && entries_[0].type == EntryType::kRoot) {
      has_root_ = true;
    } else {
      Problem("the root entry is lost: every element is unlinked, and small streams are lost with the mini stream");
      state_->entries_lost = true;
    }
    for (size_t id = 1; id < entries_.size(); ++id) {
      if (slots_[id] == Slot::kEntry && entries_[id].type == EntryType::kRoot) slots_[id] = Slot::kGarbage;
    }
  }

  // The mini stream (the root's chain) and the mini-FAT (a chain of its own)
  // hold the streams shorter than 4096 bytes.
  void ReadMini() {
    if (!has_root_) return;
    const DirEntry& root = entries_[0];
    const uint64_t mini_size = std::min<uint64_t>(root.size, sectors_ * ssz_);
    const Walk ms = Follow(fat_, sectors_, stamps_, root.start, DivUp(mini_size, ssz_));
    if (ms.chain.size() * ssz_ < root.size) {
      Problem("the mini stream " + (ms.stop.empty() ? std::string("is larger than the file") : ms.stop) + " after " +
              std::to_string(ms.chain.size()) + " sectors; small streams past it are lost");
    }
    for (uint32_t s : ms.chain) Claim(s, true);
    ministream_ = ms.chain;
    const uint64_t units =
        std::min<uint64_t>(DivUp(mini_size, kMiniSectorSize), ms.chain.size() * (ssz_ / kMiniSectorSize));
    minifat_.assign(units, kUnknown);
    mini_stamps_.assign(units, 0);
    mini_claims_.assign(units, 0);
    mini_agreed_.assign(units, 0);
    budget_ += 4 * units;

    const Walk mf = Follow(fat_, sectors_, stamps_, header_.first_minifat_sector, kOpenEnded);
    if (!mf.complete) Problem("the mini-FAT chain " + mf.stop + "; links of small streams past it are lost");
    const uint32_t per = ssz_ / 4;
    std::vector<std::byte> buf;
    for (size_t j = 0; j < mf.chain.size(); ++j) {
      Claim(mf.chain[j], true);
      const size_t got = ReadSector(mf.chain[j], buf);
      std::vector<uint32_t> values;
      for (size_t i = 0; (i + 1) * 4 <= got && j * per + i < units; ++i) values.push_back(Get32(buf, 4 * i));
      if (!LooksLikeTable(values, std::max(units, DivUp(root.size, kMiniSectorSize)))) {
        Problem("mini-FAT sector " + std::to_string(j) + " holds no table; the links it held are lost");
        continue;
      }
      std::copy(values.begin(), values.end(), minifat_.begin() + static_cast<ptrdiff_t>(j * per));
    }
  }

  uint64_t MiniOffset(uint32_t m) const {
    const uint64_t at = uint64_t{m} * kMiniSectorSize;
    return Offset(ministream_[at / ssz_]) + at % ssz_;
  }

  void WalkStreams() {
    walks_.resize(entries_.size());
    for (size_t id = 1; id < entries_.size(); ++id) {
      const DirEntry& e = entries_[id];
      if (slots_[id] != Slot::kEntry || e.type != EntryType::kStream || e.size == 0) continue;
      if (e.size < kMiniStreamCutoff) {
        walks_[id] = Follow(minifat_, minifat_.size(), mini_stamps_, e.start, DivUp(e.size, kMiniSectorSize));
        if (!has_root_) {
          walks_[id].stop = "was in the mini stream, which is lost with the root entry";
        } else if (walks_[id].stop == kPastTheEnd) {
          walks_[id].stop = "points past the end of the mini stream";
        }
        for (uint32_t m : walks_[id].chain) {
          if (mini_claims_[m] < 255) ++mini_claims_[m];
          if (walks_[id].complete && mini_agreed_[m] < 255) ++mini_agreed_[m];
        }
      } else {
        walks_[id] = Follow(fat_, sectors_, stamps_, e.start, DivUp(e.size, ssz_));
        for (uint32_t s : walks_[id].chain) Claim(s, walks_[id].complete);
      }
    }
  }

  // Which bytes of stream `id` can be trusted: its chain up to the first
  // sector it shares (a chain as long as its size keeps a sector that only
  // damaged chains share with it) and up to the end of the file.
  void Recover(uint32_t id, SalvagedElement& out, SalvageState::Source& source) {
    const DirEntry& e = entries_[id];
    const Walk& w = walks_[id];
    const bool mini = e.size < kMiniStreamCutoff;
    const auto& claims = mini ? mini_claims_ : claims_;
    const auto& agreed = mini ? mini_agreed_ : agreed_;
    source.unit = mini ? kMiniSectorSize : ssz_;
    out.size = e.size;
    std::string reason = w.stop.empty() ? "" : "its chain " + w.stop;
    for (size_t i = 0; i < w.chain.size(); ++i) {
      const uint32_t u = w.chain[i];
      if ((w.complete ? agreed[u] : claims[u]) > 1) {
        reason = "its chain shares a sector with another element";
        break;
      }
      const uint64_t offset = mini ? MiniOffset(u) : Offset(u);
      const uint64_t need = std::min<uint64_t>(source.unit, e.size - i * source.unit);
      const uint64_t present = Present(offset, need);
      source.offsets.push_back(offset);
      out.recovered += present;
      if (present < need) {
        reason = "the file ends inside it";
        break;
      }
    }
    if (out.recovered == e.size) {
      out.verdict = SalvageVerdict::kWhole;
      return;
    }
    out.verdict = out.recovered == 0 ? SalvageVerdict::kLost : SalvageVerdict::kPartial;
    out.reason = reason.empty() ? "its chain is shorter than its size" : reason;
  }

  // The root storage, which has no element of its own.
  static constexpr size_t kTop = SIZE_MAX;
  // Storages below this depth have what they hold placed under "Unlinked":
  // paths stay short, so memory follows the number of entries and not the
  // square of a hostile file's depth.
  static constexpr size_t kMaxDepth = 32;

  struct Pending {
    uint32_t top;   // the top of a sibling tree
    size_t parent;  // element index of the storage it belongs to, or kTop
    size_t depth;
    bool linked;
  };

  // The tree from the root where its links hold; then every entry no link
  // reached, with what hangs below it, under "Unlinked".
  void BuildTree() {
    seen_.assign(entries_.size(), false);
    if (has_root_) {
      seen_[0] = true;
      work_.push_back({entries_[0].child, kTop, 0, true});
      Place();
    }
    bool reported = false;
    for (uint32_t id = 1; id < entries_.size(); ++id) {
      if (seen_[id] || slots_[id] != Slot::kEntry) continue;
      const size_t unlinked = Unlinked();
      if (!reported) Problem("the directory tree no longer reaches some entries; they are placed under Unlinked");
      reported = true;
      work_.push_back({id, unlinked, 1, false});
      Place();
    }
  }

  size_t Unlinked() {
    if (unlinked_ == kTop) {
      unlinked_ = state_->elements.size();
      AddElement(Unique(names_[kTop], u"Unlinked"), true, false);
    }
    return unlinked_;
  }

  void Place() {
    std::vector<uint32_t> stack;
    while (!work_.empty()) {
      const Pending p = work_.back();
      work_.pop_back();
      stack.assign(1, p.top);
      while (!stack.empty()) {
        const uint32_t id = stack.back();
        stack.pop_back();
        if (id == kNoStream) continue;
        if (id >= entries_.size() || slots_[id] != Slot::kEntry) {
          Problem("a directory link leads to entry " + std::to_string(id) + ", which is lost");
          state_->entries_lost = true;
          continue;
        }
        if (seen_[id]) {
          Problem("the directory links entry " + std::to_string(id) + " twice");
          continue;
        }
        seen_[id] = true;
        const DirEntry& e = entries_[id];
        stack.push_back(e.left);
        stack.push_back(e.right);
        const std::u16string name = Unique(names_[p.parent], ValidName(e.name, id));
        const std::u16string path = p.parent == kTop ? name : state_->elements[p.parent].path + u"\\" + name;
        const bool storage = e.type == EntryType::kStorage;
        const size_t index = state_->elements.size();
        SalvageState::Source& source = AddElement(path, storage, p.linked);
        if (storage && p.depth + 1 < kMaxDepth) {
          work_.push_back({e.child, index, p.depth + 1, p.linked});
        } else if (storage) {
          if (!too_deep_)
            Problem("the tree is deeper than " + std::to_string(kMaxDepth) +
                    " levels; what lies deeper is placed under Unlinked");
          too_deep_ = true;
          work_.push_back({e.child, Unlinked(), 1, false});
        } else if (e.size > 0) {
          Recover(id, state_->elements.back(), source);
        }
      }
    }
  }

  SalvageState::Source& AddElement(const std::u16string& path, bool storage, bool linked) {
    SalvagedElement element;
    element.path = path;
    element.is_storage = storage;
    element.linked = linked;
    state_->elements.push_back(std::move(element));
    return state_->sources.emplace_back();
  }

  static std::u16string Unique(Names& names, const std::u16string& name) {
    const std::u16string key = Upper(name);
    if (names.used.insert(key).second) return name;
    for (int& k = names.next_suffix.try_emplace(key, 2).first->second;; ++k) {
      const std::u16string suffix = FromUtf8(" (" + std::to_string(k) + ")");
      std::u16string candidate = name.substr(0, kMaxNameChars - suffix.size()) + suffix;
      if (names.used.insert(Upper(candidate)).second) return candidate;
    }
  }

  std::shared_ptr<File> file_;
  std::shared_ptr<SalvageState> state_;
  uint64_t size_ = 0;
  Header header_;
  uint32_t ssz_ = 512;
  uint64_t sectors_ = 0;
  std::vector<uint32_t> fat_list_;
  std::vector<uint32_t> difat_sectors_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> minifat_;
  std::vector<uint32_t> ministream_;
  std::vector<Slot> slots_;
  std::vector<DirEntry> entries_;
  bool has_root_ = false;
  std::vector<Walk> walks_;
  std::vector<uint32_t> stamps_, mini_stamps_;
  std::vector<uint8_t> claims_, agreed_, mini_claims_, mini_agreed_;
  uint32_t walk_id_ = 0;
  uint64_t links_ = 0;
  uint64_t budget_ = 0;
  std::vector<bool> seen_;
  std::vector<Pending> work_;
  std::map<size_t, Names> names_;  // by the element index of their storage
  size_t unlinked_ = kTop;
  bool too_deep_ = false;
};

const char* VerdictText(SalvageVerdict v) {
  switch (v) {
    case SalvageVerdict::kWhole:
      return "whole";
    case SalvageVerdict::kPartial:
      return "partial";
    case SalvageVerdict::kLost:
      return "lost";
  }
  return "";
}

// A path as a report line shows it: control characters (the property-set
// streams start with one) as \ooo.
std::string Shown(std::u16string_view path) {
  std::string out;
  for (char16_t c : path) {
    if (c < 0x20) {
      out += '\\';
      out += static_cast<char>('0' + (c >> 6));
      out += static_cast<char>('0' + ((c >> 3) & 7));
      out += static_cast<char>('0' + (c & 7));
    } else {
      out += ToUtf8(std::u16string_view(&c, 1));
    }
  }
  return out;
}

}  // namespace

SalvagedFile SalvageFile(std::shared_ptr<File> file) { return SalvagedFile(Salvager(std::move(file)).Run()); }

}  // namespace vellora2::compound

namespace vellora2 {

SalvagedFile::SalvagedFile(std::shared_ptr<const compound::SalvageState> state) : state_(std::move(state)) {}

SalvagedFile SalvagedFile::Open(std::u16string_view path) {
  return compound::SalvageFile(compound::PosixFileSystem()->Open(ToUtf8(path), compound::OpenMode::kRead));
}

const std::vector<SalvagedElement>& SalvagedFile::Elements() const { return state_->elements; }

const std::vector<std::string>& SalvagedFile::Problems() const { return state_->problems; }

bool SalvagedFile::Whole() const {
  return !state_->entries_lost && std::all_of(state_->elements.begin(), state_->elements.end(), [](const auto& e) {
    return e.verdict == SalvageVerdict::kWhole && e.linked;
  });
}

size_t SalvagedFile::Read(size_t element, uint64_t offset, std::span<std::byte> out) const {
  const SalvagedElement& e = state_->elements.at(element);
  const auto& source = state_->sources.at(element);
  if (offset >= e.recovered) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), e.recovered - offset));
  size_t done = 0;
  while (done < n) {
    const uint64_t pos = offset + done;
    const size_t index = static_cast<size_t>(pos / source.unit);
    // Units that follow each other in the file go in one read.
    size_t units = 1;
    while (index + units < source.offsets.size() &&
           source.offsets[index + units] == source.offsets[index] + uint64_t{units} * source.unit &&
           uint64_t{units} * source.unit < n - done + pos % source.unit) {
      ++units;
    }
    const size_t run =
        static_cast<size_t>(std::min<uint64_t>(n - done, uint64_t{units} * source.unit - pos % source.unit));
    const auto part = out.subspan(done, run);
    const size_t got = state_->file->ReadAt(source.offsets[index] + pos % source.unit, part);
    // The file shrank since it was salvaged: what is gone reads as zeros.
    std::fill(part.begin() + static_cast<ptrdiff_t>(got), part.end(), std::byte{0});
    done += run;
  }
  return n;
}

void SalvagedFile::CopyTo(Storage& destination) const {
  constexpr int32_t kMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE;
  std::map<std::u16string, Storage> storages;
  std::vector<std::byte> buf(size_t{1} << 20);
  const auto& elements = state_->elements;
  for (size_t i = 0; i < elements.size(); ++i) {
    const SalvagedElement& e = elements[i];
    const size_t cut = e.path.rfind(u'\\');
    Storage& parent = cut == std::u16string::npos ? destination : storages.at(e.path.substr(0, cut));
    const std::u16string name = cut == std::u16string::npos ? e.path : e.path.substr(cut + 1);
    if (e.is_storage) {
      storages[e.path] = parent.CreateStorage(name, kMode);
      continue;
    }
    Stream stream = parent.CreateStream(name, kMode);
    for (uint64_t at = 0;;) {
      const size_t n = Read(i, at, buf);
      if (n == 0) break;
      stream.Write(std::span<const std::byte>(buf.data(), n));
      at += n;
    }
  }
}

void SalvagedFile::WriteCompoundFile(std::u16string_view path) const {
  StorageEngine engine;
  Storage root = engine.CreateStorageFile(path, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED);
  CopyTo(root);
  root.Commit();
}

std::string SalvagedFile::Report() const {
  std::string out;
  size_t counts[3] = {0, 0, 0};
  for (const SalvagedElement& e : state_->elements) {
    if (e.is_storage) {
      out += "storage  " + compound::Shown(e.path) + (e.linked ? "" : " (unlinked)") + "\n";
      continue;
    }
    ++counts[static_cast<int>(e.verdict)];
    out += std::string(compound::VerdictText(e.verdict)) + "  " + std::to_string(e.recovered) + " of " +
           std::to_string(e.size) + " bytes  " + compound::Shown(e.path) + (e.linked ? "" : " (unlinked)");
    if (!e.reason.empty()) out += ": " + e.reason;
    out += "\n";
  }
  out += std::to_string(counts[0] + counts[1] + counts[2]) + " streams: " + std::to_string(counts[0]) + " whole, " +
         std::to_string(counts[1]) + " partial, " + std::to_string(counts[2]) + " lost\n";
  if (state_->entries_lost) out += "some directory entries are lost: streams may be missing from this list\n";
  for (const std::string& p : state_->problems) out += "problem: " + p + "\n";
  return out;
}

}  // namespace vellora2
