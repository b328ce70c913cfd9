// libFuzzer target: arbitrary bytes opened as a compound file, walked, read,
// checked, and (when they open) changed and committed. Any crash, hang,
// sanitizer report or oversized allocation is a finding. A commit of a file
// that opened must leave a file the structural check finds sound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "compound/checker.hpp"
#include "compound/memory_file.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace {

using namespace vellora2;

constexpr int32_t kRead = STGM_READ | STGM_SHARE_EXCLUSIVE;

void Walk(const Storage& root) {
  std::vector<Storage> work{root};
  std::vector<std::byte> buf(8192);
  while (!work.empty()) {
    Storage s = work.back();
    work.pop_back();
    int16_t type = 0;
    std::u16string name;
    for (s.NextElement(0, type, name); type != 0; s.NextElement(1, type, name)) {
      if (type == STGTY_STORAGE) {
        work.push_back(s.OpenStorage(name, kRead));
        continue;
      }
      auto stream = s.OpenStream(name, kRead);
      while (stream.Read(buf) == buf.size()) {
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto fs = std::make_shared<compound::MemoryFileSystem>();
  fs->SetContents("f", std::vector<std::byte>(reinterpret_cast<const std::byte*>(data),
                                               reinterpret_cast<const std::byte*>(data) + size));
  compound::CheckFile(fs->Open("f", compound::OpenMode::kRead));
  StorageEngine engine(fs);
  try {
    auto root = engine.OpenStorageFile(u"f", STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE);
    Walk(root);
    auto s = root.CreateStream(u"fuzz", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    // About one input in 250 also writes past 2 MiB, where new bytes go to the file
    // before the commit.
    const std::vector<std::byte> bytes(size % 9000 + (size % 251 == 7 ? (2u << 20) + 4096 : 0), std::byte{0x5A});
    s.Write(bytes);
    s.Release();
    root.Commit();
  } catch (const AutomationError&) {
    return 0;
  }
  if (!compound::CheckFile(fs->Open("f", compound::OpenMode::kRead)).empty()) std::abort();
  return 0;
}
