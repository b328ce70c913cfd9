// elements_bench: what CFilesIO costs over the engine. Export of a 256 MiB
// stream with a host that counts PercentDone, and GetLine over a 100 MiB text
// stream, each timed in the same run against `cp` of the same bytes and against
// the engine's own bulk read of the stream (for Export, that read written to a
// disk file). Also timed: the line index of the text stream, and the least any
// GetLine must do, one UTF-16 string per line made from the text in memory,
// and the least a line index that keeps the text must do, the stream read
// into fresh memory; and lookups in that index, every line in order (against
// the least GetLine must do) and lines at random.
// Every measurement is repeated and the best run reported: on a machine shared
// with other work, other processes and the hypervisor only ever add time, and
// they add it at random (a run of the same work can take four times as long).
//
// Usage: elements_bench [--reps N] [folder]   (default 5 runs, the temporary folder)
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "document/thread_state.hpp"
#include "elements/mapped_memory.hpp"
#include "elements/widen_bytes.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/elements/cfilesio.hpp"
#include "vellora2/util/gutility.hpp"

namespace {

using namespace vellora2;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kExportBytes = uint64_t{256} << 20;
constexpr uint64_t kTextBytes = uint64_t{100} << 20;
constexpr size_t kBlock = size_t{1} << 20;
constexpr int32_t kEdit = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr double kGoal = 2.0;

// Wall time, and the processor time of this process and of the children it
// waited for (cp), both user and system. On a machine shared with other work
// the processor time is the steadier measure: a longer run is interrupted more
// often, which shows in its wall time more than in its processor time.
struct Time {
  double wall = 0;
  double cpu = 0;
};

double CpuNow() {
  rusage self{};
  rusage children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

template <typename Body>
Time Measure(Body&& body) {
  const auto start = Clock::now();
  const double cpu = CpuNow();
  body();
  return {std::chrono::duration<double>(Clock::now() - start).count(), CpuNow() - cpu};
}

double Best(const std::vector<Time>& times, double Time::*field) {
  double best = times.front().*field;
  for (const Time& t : times) best = std::min(best, t.*field);
  return best;
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
std::string Bytes(size_t n) {
  std::string out(n, '\0');
  uint32_t seed = 1;
  for (auto& c : out) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return out;
}

// Lines of 0 to 120 printable characters, ended by CR LF, up to the first line
// end at or after `n` bytes.
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
  for (size_t at = 0; at < bytes.size(); at += kBlock) {
    s.Write(std::as_bytes(std::span(bytes.data() + at, std::min(kBlock, bytes.size() - at))));
  }
}

void WriteFlat(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::perror(path.c_str());
    std::exit(1);
  }
}

// The engine's bulk read of a whole stream, written to `out` unless it is null.
uint64_t RawRead(Storage& root, std::u16string_view name, std::FILE* out) {
  Stream s = root.OpenStream(name, STGM_SHARE_EXCLUSIVE | STGM_READ);
  std::vector<std::byte> block(kBlock);
  uint64_t total = 0;
  for (size_t n; (n = s.Read(block)) > 0; total += n) {
    if (out) std::fwrite(block.data(), 1, n, out);
  }
  return total;
}

// What any line index that keeps its own copy of the text has to do at least:
// read the stream into memory of its own, fresh from the system (on huge pages
// where they are granted, as the index asks for them).
uint64_t FreshRead(Storage& root, std::u16string_view name) {
  Stream s = root.OpenStream(name, STGM_SHARE_EXCLUSIVE | STGM_READ);
  const uint64_t size = s.Length();
  const MappedMemory copy(static_cast<size_t>(size));
  uint64_t total = 0;
  for (size_t n; (n = s.Read(std::span(copy.data() + total,
                                       static_cast<size_t>(std::min<uint64_t>(kBlock, size - total))))) > 0;) {
    total += n;
  }
  return total;
}

// What any GetLine has to do at least: find the line's CR, make a UTF-16 string
// of the line's length and widen the line's bytes into it in one vector pass
// (the one GetLine uses, which also notes any byte that needs the code page),
// here straight from the text in memory.
uint64_t EveryLine(const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  uint64_t count = 0;
  for (size_t at = 0; at < text.size(); ++count) {
    const size_t end = std::min(text.find('\r', at), text.size());
    std::u16string line(end - at, u'\0');
    const bool high = WidenBytes(line.data(), bytes + at, end - at);
    asm volatile("" : : "r"(line.data()), "r"(high) : "memory");  // the string must really be made
    at = end + 2;
  }
  return count;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "elements_bench: %s\n", what);
    std::exit(1);
  }
}

struct Row {
  const char* what;
  std::vector<Time> times;
  double Cpu() const { return Best(times, &Time::cpu); }
  double Wall() const { return Best(times, &Time::wall); }
};

void Print(const Row& work, const Row& engine, const Row& cp) {
  std::printf("%-44s %8.3f %8.3f %9.2f %9.2f %9.2f %9.2f\n", work.what, work.Cpu(), work.Wall(),
              work.Cpu() / engine.Cpu(), work.Cpu() / cp.Cpu(), work.Wall() / engine.Wall(), work.Wall() / cp.Wall());
  for (const Row* r : {&engine, &cp}) std::printf("  %-42s %8.3f %8.3f\n", r->what, r->Cpu(), r->Wall());
}

}  // namespace

int main(int argc, char** argv) {
  int reps = 5;
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--reps") == 0 && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else {
      base = argv[i];
    }
  }
  const std::filesystem::path folder = base / "vellora2-elements-bench";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const auto path = [&](const char* name) { return (folder / name).string(); };
  const auto cp = [&](const char* from) {
    const std::string command = "cp " + path(from) + " " + path("cp.out");
    Check(std::system(command.c_str()) == 0, "cp failed");
  };

  auto& state = CurrentThreadState();
  state.gStorageEngine = std::make_shared<StorageEngine>();
  state.utility = std::make_shared<GUtility>();
  const std::u16string doc = FromUtf8(path("bench.qxv"));
  const std::string text = Text(kTextBytes);
  {
    const std::string big = Bytes(kExportBytes);
    WriteFlat(path("big.bin"), big);
    WriteFlat(path("text.txt"), text);
    Storage root = state.gStorageEngine->CreateStorageFile(doc, STGM_CREATE | kEdit);
    Put(root, u"big", big);
    Put(root, u"text", text);
    root.Commit();
  }
  state.gRootStorage =
      state.gStorageEngine->OpenStorageFile(doc, STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE);
  Storage& root = state.gRootStorage;
  CFilesIO files;

  Row export_work{"Export 256 MiB, host counting PercentDone", {}};
  Row export_engine{"engine read + write of a disk file", {}};
  Row export_cp{"cp", {}};
  Row lines_work{"GetLine over 100 MiB", {}};
  Row lines_engine{"engine read", {}};
  Row lines_cp{"cp", {}};
  Row least{"one string per line from memory", {}};
  Row index{"line index of the same stream (GetNumLines)", {}};
  Row fresh{"engine read into fresh memory", {}};
  Row in_order{"GetLineByNum of every line in order", {}};
  Row at_random{"GetLineByNum of 100,000 lines at random", {}};
  constexpr int32_t kRandomLookups = 100000;
  std::vector<int32_t> random_lines;
  size_t looked_up = 0;
  Counter counter;
  uint64_t lines = 0;
  int32_t indexed = 0;
  // Each comparison's runs take turns at going first; every file written is
  // removed and everything synced before the next run, so that none of them
  // pays for another's pages or writeback.
  const std::vector<std::pair<Row*, std::function<void()>>> exports{
      {&export_cp, [&] { cp("big.bin"); }},
      {&export_engine,
       [&] {
         std::FILE* out = std::fopen(path("cp.out").c_str(), "wb");
         Check(out && RawRead(root, u"big", out) == kExportBytes && std::fclose(out) == 0, "engine read of big failed");
       }},
      {&export_work,
       [&] {
         counter.count = 0;
         files.Export(u"big", FromUtf8(path("cp.out")));
       }},
  };
  const std::vector<std::pair<Row*, std::function<void()>>> reads{
      {&lines_cp, [&] { cp("text.txt"); }},
      {&lines_engine, [&] { Check(RawRead(root, u"text", nullptr) == text.size(), "engine read of text failed"); }},
      {&lines_work,
       [&] {
         lines = 0;
         files.Load(u"text");
         while (!files.EOFStream()) {
           files.GetLine();
           ++lines;
         }
         files.CloseLoadedFile();
       }},
  };
  EventConnection counting = files.Connect(&counter);
  for (int rep = 0; rep < reps; ++rep) {
    for (size_t i = 0; i < exports.size(); ++i) {
      const auto& [row, run] = exports[(i + static_cast<size_t>(rep)) % exports.size()];
      ::sync();
      row->times.push_back(Measure(run));
      Check(std::filesystem::file_size(path("cp.out")) == kExportBytes, "a copy of big is short");
      std::filesystem::remove(path("cp.out"));
    }
    for (size_t i = 0; i < reads.size(); ++i) {
      const auto& [row, run] = reads[(i + static_cast<size_t>(rep)) % reads.size()];
      ::sync();
      row->times.push_back(Measure(run));
      std::filesystem::remove(path("cp.out"));
    }
    least.times.push_back(Measure([&] { Check(EveryLine(text) == lines, "the lines from memory differ"); }));
    fresh.times.push_back(
        Measure([&] { Check(FreshRead(root, u"text") == text.size(), "engine read of text failed"); }));
    // Loading another element first discards the index, so each run builds it.
    files.Load(u"big");
    files.CloseLoadedFile();
    index.times.push_back(Measure([&] {
      files.Load(u"text");
      indexed = files.GetNumLines();
      files.CloseLoadedFile();
    }));
    // The index outlives the close.
    in_order.times.push_back(Measure([&] {
      looked_up = 0;
      for (int32_t n = 1; n <= indexed; ++n) looked_up += files.GetLineByNum(n).size();
    }));
    if (random_lines.empty()) {
      uint32_t seed = 11;
      for (int32_t i = 0; i < kRandomLookups; ++i) {
        seed = seed * 1664525u + 1013904223u;
        random_lines.push_back(static_cast<int32_t>(seed % static_cast<uint32_t>(indexed)) + 1);
      }
    }
    at_random.times.push_back(Measure([&] {
      for (const int32_t n : random_lines) looked_up += files.GetLineByNum(n).size();
    }));
  }
  counting.Disconnect();

  std::printf("best of %d runs%30s seconds          engine's read       cp     engine's read       cp\n", reps, "");
  std::printf("%44s %8s %8s %9s %9s %9s %9s\n", "", "cpu", "wall", "cpu", "cpu", "wall", "wall");
  Print(export_work, export_engine, export_cp);
  std::printf("  (%llu PercentDone, the last %d)\n", static_cast<unsigned long long>(counter.count), counter.last);
  Print(lines_work, lines_engine, lines_cp);
  std::printf("  (%llu lines)\n", static_cast<unsigned long long>(lines));
  std::printf("%-44s %8.3f %8.3f %9.2f %19.2f\n", least.what, least.Cpu(), least.Wall(),
              least.Cpu() / lines_engine.Cpu(), least.Wall() / lines_engine.Wall());
  std::printf("%-44s %8.3f %8.3f %9.2f %19.2f\n", index.what, index.Cpu(), index.Wall(),
              index.Cpu() / lines_engine.Cpu(), index.Wall() / lines_engine.Wall());
  std::printf("  (%d lines)\n", indexed);
  std::printf("%-44s %8.3f %8.3f %9.2f %19.2f\n", fresh.what, fresh.Cpu(), fresh.Wall(),
              fresh.Cpu() / lines_engine.Cpu(), fresh.Wall() / lines_engine.Wall());
  std::printf("%-44s %8.3f %8.3f   (%.2f x one string per line from memory)\n", in_order.what, in_order.Cpu(),
              in_order.Wall(), in_order.Cpu() / least.Cpu());
  std::printf("%-44s %8.3f %8.3f   (%.0f ns a line)\n", at_random.what, at_random.Cpu(), at_random.Wall(),
              at_random.Cpu() / kRandomLookups * 1e9);
  const auto goal = [](const Row& work, const Row& engine) {
    return work.Cpu() <= kGoal * engine.Cpu() ? "met" : "missed";
  };
  std::printf("goal, processor time within %.0f x the engine's read: Export %s, GetLine %s\n", kGoal,
              goal(export_work, export_engine), goal(lines_work, lines_engine));

  state.gRootStorage.Release();
  state.gStorageEngine.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
