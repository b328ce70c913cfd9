// Salvage: the streams of a damaged compound file, read without trusting it.
//
// Opening refuses a damaged file, as it must. Salvage is for the person whose
// document was cut short by a crash or a bad disk: it reads every table and
// directory sector it can, follows each stream's chain as far as it holds, and
// says for every stream whether it came back whole, in part (the bytes before
// the first bad link) or not at all. A hostile file stays harmless: every walk
// is bounded, nothing is read outside the file, and memory stays a small
// multiple of the file's size. docs/salvage.md describes what is used and when.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellora2 {

class Storage;

namespace compound {
struct SalvageState;
}  // namespace compound

enum class SalvageVerdict {
  kWhole,    // every byte its size promises, from sectors in range and owned once
  kPartial,  // the bytes before the first bad link
  kLost,     // nothing could be read
};

struct SalvagedElement {
  // Backslash-separated path in the recovered tree. Names are made valid
  // (a forbidden character becomes "_", an empty name "entry N") and unique
  // within their storage (" (2)" and so on).
  std::u16string path;
  bool is_storage = false;
  // False for entries the directory holds but its tree no longer reaches;
  // they are placed under the storage "Unlinked" at the top.
  bool linked = true;
  SalvageVerdict verdict = SalvageVerdict::kWhole;
  uint64_t size = 0;       // what the directory entry says
  uint64_t recovered = 0;  // bytes that came back, from the start of the stream
  std::string reason;      // why the stream is not whole; empty when it is
};

class SalvagedFile {
 public:
  explicit SalvagedFile(std::shared_ptr<const compound::SalvageState> state);

  // Reads the file at `path` without trusting it. Fails (AutomationError, an
  // STG_E code) only when the file cannot be read or does not start with the
  // compound-file signature; any other damage is reported, not thrown.
  static SalvagedFile Open(std::u16string_view path);

  // Storages before what they hold.
  const std::vector<SalvagedElement>& Elements() const;
  // Damage found in the header, tables and directory, in words.
  const std::vector<std::string>& Problems() const;
  // True when every stream came back whole and in its place, and no
  // directory entry was lost.
  bool Whole() const;
  // Recovered bytes of stream `element` (an index into Elements()) from
  // `offset`; returns the count, short at the end of what was recovered.
  size_t Read(size_t element, uint64_t offset, std::span<std::byte> out) const;
  // Creates the recovered tree under `destination`: every storage, every
  // stream with the bytes that came back (a lost stream is created empty).
  void CopyTo(Storage& destination) const;
  // The recovered tree as a new compound file at `path`, which must not
  // exist (STG_E_FILEALREADYEXISTS).
  void WriteCompoundFile(std::u16string_view path) const;
  // One line per element with its verdict and bytes, then the problems.
  std::string Report() const;

 private:
  std::shared_ptr<const compound::SalvageState> state_;
};

}  // namespace vellora2
