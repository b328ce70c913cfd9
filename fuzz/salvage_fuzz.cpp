// libFuzzer target: arbitrary bytes salvaged, every recovered stream read and
// the recovered tree written into a new document. Any crash, hang, sanitizer
// report or oversized allocation is a finding, and so is a result that
// contradicts itself: more bytes than a stream's size, a whole stream that is
// short, a read that gives other than what was recovered, or a recovered tree
// that the structural check does not find sound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "compound/checker.hpp"
#include "compound/memory_file.hpp"
#include "compound/salvage.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/compound/storage_engine.hpp"

using namespace vellora2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto fs = std::make_shared<compound::MemoryFileSystem>();
  fs->SetContents("f", std::vector<std::byte>(reinterpret_cast<const std::byte*>(data),
                                              reinterpret_cast<const std::byte*>(data) + size));
  try {
    const SalvagedFile salvaged = compound::SalvageFile(fs->Open("f", compound::OpenMode::kRead));
    std::vector<std::byte> buf(4096);
    uint64_t total = 0;
    for (size_t i = 0; i < salvaged.Elements().size(); ++i) {
      const SalvagedElement& e = salvaged.Elements()[i];
      if (e.recovered > e.size || (e.verdict == SalvageVerdict::kWhole) != (e.recovered == e.size)) std::abort();
      uint64_t read = 0;
      for (size_t n; (n = salvaged.Read(i, read, buf)) > 0;) read += n;
      if (read != e.recovered) std::abort();
      total += read;
    }
    // Each sector is given to one stream at most.
    if (total > size) std::abort();
    StorageEngine engine(fs);
    auto out = engine.CreateStorageFile(u"out", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED);
    salvaged.CopyTo(out);
    out.Commit();
    out.Release();
    for (const auto& finding : compound::CheckFile(fs->Open("out", compound::OpenMode::kRead))) {
      if (finding.kind == compound::Finding::Kind::kProblem) std::abort();
    }
    salvaged.Report();
  } catch (const AutomationError& e) {
    // Only what is no compound file at all is refused.
    if (e.number() != STG_E_FILEALREADYEXISTS) std::abort();
  }
  return 0;
}
