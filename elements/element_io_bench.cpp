// How much CFilesIO costs over the engine: Export of a large stream with a host
// that counts PercentDone, and GetLine over a large text stream, each timed
// against `cp` of the same bytes and against the engine's own bulk read, in one
// run. Usage: elements_bench [folder] (default: the temporary folder).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "document/thread_state.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/util/gutility.hpp"

namespace {

using namespace vellora2;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kExportBytes = uint64_t{256} << 20;
constexpr uint64_t kTextBytes = uint64_t{100} << 20;
constexpr int32_t kEdit = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

template <typename Body>
double Seconds(Body&& body) {
  const auto start = Clock::now();
  body();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Counter : CFilesIOEvents {
  void PercentDone(int16_t& x) override {
    ++count;
    last = x;
  }
  uint64_t count = 0;
  int16_t last = 0;
};

// Deterministic bytes that do not compress into nothing.
std::string Bytes(size_t n, uint32_t seed) {
  std::string out(n, '\0');
  for (auto& c : out) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return out;
}

// Lines of 0 to 120 printable characters, ended by CR LF.
std::string Text(size_t n) {
  std::string out;
  out.reserve(n + 128);
  uint32_t seed = 7;
  while (out.size() < n) {
    seed = seed * 1664525u + 1013904223u;
    const size_t len = (seed >> 16) % 121;
    for (size_t i = 0; i < len; ++i) out.push_back(static_cast<char>('a' + (i + seed) % 26));
    out += "\r\n";
  }
  return out;
}

void Put(Storage& root, std::u16string_view name, const std::string& bytes) {
  Stream s = root.CreateStream(name, STGM_CREATE | kEdit);
  for (size_t at = 0; at < bytes.size(); at += 1 << 20) {
    const size_t n = std::min<size_t>(1 << 20, bytes.size() - at);
    s.Write(std::as_bytes(std::span(bytes.data() + at, n)));
  }
}

// The engine's bulk read of a whole stream, optionally written to a disk file.
uint64_t RawRead(Storage& root, std::u16string_view name, std::FILE* out) {
  Stream s = root.OpenStream(name, STGM_SHARE_EXCLUSIVE | STGM_READ);
  std::vector<std::byte> block(1 << 20);
  uint64_t total = 0;
  for (size_t n; (n = s.Read(block)) > 0; total += n) {
    if (out) std::fwrite(block.data(), 1, n, out);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder =
      std::filesystem::path(argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string()) / "vellora2-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto path = [&](const char* name) { return (folder / name).string(); };

  auto& state = CurrentThreadState();
  state.gStorageEngine = std::make_shared<StorageEngine>();
  state.utility = std::make_shared<GUtility>();
  const std::u16string doc = FromUtf8(path("bench.qxv"));
  {
    Storage root = state.gStorageEngine->CreateStorageFile(doc, STGM_CREATE | kEdit);
    Put(root, u"big", Bytes(kExportBytes, 1));
    Put(root, u"text", Text(kTextBytes));
    root.Commit();
  }
  state.gRootStorage = state.gStorageEngine->OpenStorageFile(doc, STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE);
  Storage& root = state.gRootStorage;

  // The physical limit: the same number of bytes copied by cp.
  {
    std::FILE* f = std::fopen(path("flat.bin").c_str(), "wb");
    const std::string bytes = Bytes(kExportBytes, 1);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  const std::string cp = "cp " + path("flat.bin") + " " + path("cp.bin");
  const double t_cp = Seconds([&] {
    if (std::system(cp.c_str()) != 0) std::perror("cp");
  });
  const double t_raw = Seconds([&] {
    std::FILE* out = std::fopen(path("raw.bin").c_str(), "wb");
    RawRead(root, u"big", out);
    std::fclose(out);
  });
  CFilesIO files;
  Counter counter;
  files.Connect(&counter);
  const double t_export = Seconds([&] { files.Export(u"big", FromUtf8(path("export.bin"))); });
  files.Disconnect(&counter);

  const double t_raw_text = Seconds([&] { RawRead(root, u"text", nullptr); });
  uint64_t lines = 0;
  const double t_getline = Seconds([&] {
    files.Load(u"text");
    while (!files.EOFStream()) {
      files.GetLine();
      ++lines;
    }
    files.CloseLoadedFile();
  });
  const double t_load = Seconds([&] {
    files.Load(u"text");
    files.CloseLoadedFile();
  });
  int32_t indexed = 0;
  const double t_index = Seconds([&] {
    files.Load(u"text");
    indexed = files.GetNumLines();
    files.CloseLoadedFile();
  });

  std::printf("export %llu MiB: %.3f s (%llu PercentDone, last %d)\n", static_cast<unsigned long long>(kExportBytes >> 20),
              t_export, static_cast<unsigned long long>(counter.count), counter.last);
  std::printf("  cp %.3f s, engine read+write %.3f s; export/cp %.2f, export/engine %.2f\n", t_cp, t_raw,
              t_export / t_cp, t_export / t_raw);
  std::printf("GetLine %llu MiB: %.3f s (%llu lines), engine read %.3f s; GetLine/engine %.2f\n",
              static_cast<unsigned long long>(kTextBytes >> 20), t_getline, static_cast<unsigned long long>(lines),
              t_raw_text, t_getline / t_raw_text);
  std::printf("Load and CloseLoadedFile alone: %.3f s\n", t_load);
  std::printf("line index: %.3f s (%d lines); index/engine %.2f\n", t_index, indexed, t_index / t_raw_text);

  state.gRootStorage.Release();
  state.gStorageEngine.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
