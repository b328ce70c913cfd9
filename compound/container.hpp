// A compound file as it was last committed: header, FAT, mini-FAT and directory
// in memory (a small multiple of the directory and tables), stream bytes read
// from the file on demand. Everything read is checked: sector numbers in range,
// chains without loops and long enough for their sizes, directory links inside
// the directory and each entry reached once. A violation is STG_E_DOCFILECORRUPT.
//
// Commit (commit.cpp) publishes a new tree copy-on-write: it writes only into
// sectors this state does not use, syncs, then writes the header and syncs
// again, so a crash leaves either this state or the new one.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "compound/content.hpp"
#include "compound/directory.hpp"
#include "compound/fat_overlay.hpp"
#include "compound/file.hpp"
#include "compound/header.hpp"
#include "compound/node.hpp"
#include "compound/page_store.hpp"
#include "compound/sector_table.hpp"

namespace vellora2::compound {

// Everything a committed state of the file consists of. A container holds one;
// a commit builds the next one beside it and hands it over whole (Install), so
// nothing else ever edits it.
struct CommittedState {
  Header header;
  // The header as this state was read from or written to the file. Every
  // commit changes it (the transaction signature counts up).
  std::array<std::byte, kHeaderSize> header_bytes{};
  uint64_t file_sectors = 0;
  SectorTable fat;
  SectorTable fat_sectors;
  SectorTable difat_sectors;
  SectorTable minifat;
  SectorTable minifat_chain;
  SectorTable dir_chain;
  SectorTable ministream_chain;
  std::vector<std::byte> dir_raw;
  std::vector<std::byte> minifat_raw;
  std::vector<DirEntry> entries;
  // Free sectors below file_sectors, and FAT or DIFAT sectors that the FAT
  // itself leaves unmarked (other writers do): neither may be taken by a
  // commit unless it is in `free`.
  SectorTable free;
  SectorTable reserved;
  // Whether every used sector belongs to exactly one chain or table; a commit
  // can then edit this state's FAT instead of rebuilding it. Unknown (empty)
  // until the first commit asks; true after every commit of ours.
  std::optional<bool> clean;
};

class Container : public std::enable_shared_from_this<Container> {
 public:
  explicit Container(std::shared_ptr<File> file) : file_(std::move(file)), page_store_(*this) {}
  Container(const Container&) = delete;
  Container& operator=(const Container&) = delete;

  // Reads and checks the file's header, tables and directory.
  static std::shared_ptr<Container> Open(std::shared_ptr<File> file);
  // Writes an empty document (a root and nothing else) into `file`; with
  // `write_empty` false, writes nothing: the first commit then fills a file
  // that nobody may open before it ends (a rewrite's copy).
  static std::shared_ptr<Container> Create(std::shared_ptr<File> file, uint16_t major_version, bool write_empty = true);

  // The element tree; stream contents read from this container until changed.
  std::shared_ptr<Node> LoadTree();
  // Reads bytes of a stream of this container (short reads fail: sizes were checked).
  void ReadStream(const Base& base, uint64_t offset, std::span<std::byte> out);
  // Publishes `root` as the new committed state. `limit` is the largest file a
  // version 3 document may grow to; past it the caller must rewrite as version 4
  // (this returns false and changes nothing).
  //
  // `others` are trees of transacted storages still open below the root: their
  // streams may read from sectors this commit frees, so any stream of theirs
  // whose sectors do not carry over unchanged is read into memory first.
  bool Commit(Node& root, uint64_t limit = kVersion3Limit, const std::vector<Node*>& others = {});
  // An upper bound of the file size a commit of `root` would produce, and the
  // size a fresh file holding it would have.
  void EstimateSize(const Node& root, uint64_t& in_place, uint64_t& fresh) const;

  // Makes `next`, whose header a commit has just written and synced, the
  // committed state. Its FAT is `fat` laid over this state's, made in place
  // (`next.fat` is not used): copying a FAT of megabytes would cost more than
  // most commits. `adopted` are the live extents the commit linked into the
  // new state; `kept` the first sectors of big streams it carried over
  // unchanged, whose cached chains stay valid.
  void Install(CommittedState next, FatOverlay& fat, const std::vector<Extent*>& adopted,
               const std::set<uint32_t>& kept);
  // Cuts the file after what the committed state and the live extents use.
  void CutTail();
  // Whether every used sector of the committed state belongs to exactly one
  // chain or table (one walk over every chain, once per state).
  bool Clean();

  const CommittedState& state() const { return state_; }
  const Header& header() const { return state_.header; }
  File& file() { return *file_; }
  std::shared_ptr<File> shared_file() const { return file_; }
  uint32_t sector_size() const { return state_.header.sector_size(); }
  const SectorTable& fat() const { return state_.fat; }
  const SectorTable& minifat() const { return state_.minifat; }
  const SectorTable& fat_sectors() const { return state_.fat_sectors; }
  const SectorTable& difat_sectors() const { return state_.difat_sectors; }
  const SectorTable& dir_chain() const { return state_.dir_chain; }
  const SectorTable& minifat_chain() const { return state_.minifat_chain; }
  const SectorTable& ministream_chain() const { return state_.ministream_chain; }
  const std::vector<DirEntry>& entries() const { return state_.entries; }
  uint64_t file_sectors() const { return state_.file_sectors; }

  // A new extent (content.hpp) past everything the committed state and the
  // live extents use; null when sector numbers run out there.
  std::shared_ptr<Extent> TakeExtent();
  // Called by an extent that no commit adopted, when its last holder goes.
  void GiveBack(uint32_t first);
  // After a failed write into the live extent at `first`, of which `filled`
  // bytes hold data: cuts the file back to them when that extent is the last
  // thing in it, so a full disk leaves no tail a failed write grew.
  void CutBack(uint32_t first, uint64_t filled);
  uint64_t ExtentSectors() const { return kChunkSize / sector_size(); }
  // One past the last sector of the live extent that holds sector `s`, or 0.
  uint64_t ExtentEnd(uint64_t s) const;
  // Written pages of streams nobody has open, kept in this file until a commit.
  PageStore& page_store() { return page_store_; }
  // One past the last sector of any live extent, or 0.
  uint64_t ExtentsEnd() const { return extents_.empty() ? 0 : *extents_.rbegin() + ExtentSectors(); }

  // Makes every later read from the file prove that no other writer has
  // committed since this state was read (for opens that let others write);
  // once one has, reads and commits fail with STG_E_REVERTED.
  void Watch() { watch_ = true; }
  bool watching() const { return watch_; }
  // Fails with STG_E_REVERTED when the file's header is no longer the one this
  // state was read from (checked only when watching).
  void CheckCurrent();

  // The chain from `start`, exactly `count` long (a longer chain is cut, as
  // lenient readers do; a shorter one, a loop or a bad number is corrupt).
  SectorTable FatChain(uint32_t start, uint64_t count) const;
  SectorTable MiniChain(uint32_t start, uint64_t count) const;
  // A chain of unknown length (directory, mini-FAT): to its end, loops refused.
  SectorTable OpenChain(uint32_t start) const;
  // FatChain or MiniChain, kept for later reads (a bounded cache).
  std::shared_ptr<const SectorTable> CachedChain(uint32_t start, uint64_t count, bool mini);

 private:
  void ReadSectors(const SectorTable& chain, std::vector<std::byte>& out);
  void ReadSectors(const SectorTable& chain, std::span<std::byte> out);
  void LoadTables();
  // Whether the file's header differs from `seen` now.
  bool HeaderMoved(const std::array<std::byte, kHeaderSize>& seen);
  void ReadStreamBytes(const Base& base, uint64_t offset, std::span<std::byte> out);
  // Sectors inside the file that no chain or table of this state uses, ascending.
  void FindFreeSectors();

  std::shared_ptr<File> file_;
  CommittedState state_;
  bool watch_ = false;
  bool overtaken_ = false;
  std::map<std::pair<uint32_t, bool>, std::shared_ptr<const SectorTable>> chains_;
  uint64_t cached_links_ = 0;
  // First sectors of the live extents: neither committed nor free.
  std::set<uint32_t> extents_;
  uint64_t extent_hint_ = 0;
  PageStore page_store_;
};

}  // namespace vellora2::compound
