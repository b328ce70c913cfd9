// Helpers shared by the engine's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "compound/checker.hpp"
#include "compound/memory_file.hpp"
#include "compound/page_store.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace vellora2::compound::testing {

// Every finding of the structural check, notes marked as such: files our
// writer leaves have none.
inline std::vector<std::string> Findings(std::shared_ptr<File> file) {
  std::vector<std::string> out;
  for (auto& f : CheckFile(std::move(file))) out.push_back((f.kind == Finding::Kind::kNote ? "note: " : "") + f.text);
  return out;
}

// Deterministic bytes that differ by seed and position, so a misplaced sector shows.
inline std::vector<std::byte> Pattern(size_t n, uint32_t seed) {
  std::vector<std::byte> out(n);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::byte>(x & 0xFF);
  }
  return out;
}

inline void WriteAll(Stream s, const std::vector<std::byte>& bytes) {
  s.SetPosition(0);
  s.Write(bytes);
  s.SetSize(bytes.size());
}

inline std::vector<std::byte> ReadAll(Stream& s) {
  std::vector<std::byte> out(s.Length());
  s.SetPosition(0);
  EXPECT_EQ(s.Read(out), out.size());
  return out;
}

// Lowers (or raises) the bound of written pages kept in memory for as long
// as it lives, so that a test meets stored pages without writing megabytes.
class PagesKeptInMemoryForTest {
 public:
  explicit PagesKeptInMemoryForTest(size_t pages) { SetPagesKeptInMemory(pages); }
  PagesKeptInMemoryForTest(const PagesKeptInMemoryForTest&) = delete;
  PagesKeptInMemoryForTest& operator=(const PagesKeptInMemoryForTest&) = delete;
  ~PagesKeptInMemoryForTest() { SetPagesKeptInMemory(kept_); }

 private:
  size_t kept_ = PagesKeptInMemory();
};

// The STG_E number `body` fails with, or 0 when it succeeds.
inline int32_t ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace vellora2::compound::testing

namespace vellora2::compound::testing {

// A whole document as plain data: element path (backslash-separated, "" for the
// root's own entry skipped) to its bytes; storages map to the marker "<dir>".
using Snapshot = std::map<std::u16string, std::vector<std::byte>>;

inline Snapshot TakeSnapshot(Storage root) {
  static const std::vector<std::byte> kDir = {std::byte{'<'}, std::byte{'d'}, std::byte{'>'}};
  Snapshot out;
  std::vector<std::pair<Storage, std::u16string>> work{{root, u""}};
  while (!work.empty()) {
    auto [s, prefix] = work.back();
    work.pop_back();
    int16_t type = 0;
    std::u16string name;
    for (s.NextElement(0, type, name); type != 0; s.NextElement(1, type, name)) {
      const std::u16string path = prefix + name;
      if (type == STGTY_STORAGE) {
        out[path] = kDir;
        work.emplace_back(s.OpenChildStorage(name, STGM_READ | STGM_SHARE_EXCLUSIVE), path + u"\\");
      } else {
        auto stream = s.OpenChildStream(name, STGM_READ | STGM_SHARE_EXCLUSIVE);
        out[path] = ReadAll(stream);
      }
    }
  }
  return out;
}

}  // namespace vellora2::compound::testing
