// vellora_bench: the benchmark scenarios over the public engine API, one
// subcommand each. It times its own work (from before the engine exists to
// after the last handle is gone) and prints one line for bench/run.py:
//   seconds=<wall time of the work> bytes=<payload bytes moved>
//
// --no-sync runs the engine over a file system whose Sync does nothing, for the
// column that compares like for like with peers that never sync.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "compound/file.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/stgm.hpp"
#include "vellora2/compound/storage_engine.hpp"

namespace {

using vellora2::Storage;
using vellora2::StorageEngine;
using vellora2::Stream;
namespace compound = vellora2::compound;

constexpr int32_t kRootRead = vellora2::STGM_READ | vellora2::STGM_SHARE_DENY_WRITE;
constexpr int32_t kRootEdit = vellora2::STGM_READWRITE | vellora2::STGM_SHARE_EXCLUSIVE | vellora2::STGM_TRANSACTED;
constexpr int32_t kRootNew = kRootEdit | vellora2::STGM_CREATE;
constexpr int32_t kChildRead = vellora2::STGM_READ | vellora2::STGM_SHARE_EXCLUSIVE;
constexpr int32_t kChildWrite = vellora2::STGM_READWRITE | vellora2::STGM_SHARE_EXCLUSIVE;

constexpr int kStorages = 100;
constexpr int kStreamsPerStorage = 100;
constexpr size_t kSmallStream = 4096;
constexpr size_t kChunk = 1u << 20;
constexpr int kBigStreams = 4;
constexpr uint64_t kBigStream = 256ull << 20;

// Passes everything to the operating system's files but never waits for the disk.
class NoSyncFile final : public compound::File {
 public:
  explicit NoSyncFile(std::shared_ptr<compound::File> inner) : inner_(std::move(inner)) {}
  size_t ReadAt(uint64_t offset, std::span<std::byte> out) override { return inner_->ReadAt(offset, out); }
  void WriteAt(uint64_t offset, std::span<const std::byte> data) override { inner_->WriteAt(offset, data); }
  void WritePartsAt(uint64_t offset, std::span<const std::span<const std::byte>> parts) override {
    inner_->WritePartsAt(offset, parts);
  }
  void Sync() override {}
  uint64_t Size() override { return inner_->Size(); }
  compound::FileTimes Times() override { return inner_->Times(); }
  void Truncate(uint64_t size) override { inner_->Truncate(size); }
  void LockShared(uint64_t offset) override { inner_->LockShared(offset); }
  bool LockedByOthers(uint64_t offset) override { return inner_->LockedByOthers(offset); }
  void Unlock(uint64_t offset) override { inner_->Unlock(offset); }
  bool HeldByOthers(Holders which) override { return inner_->HeldByOthers(which); }

 private:
  std::shared_ptr<compound::File> inner_;
};

class NoSyncFileSystem final : public compound::FileSystem {
 public:
  NoSyncFileSystem() : inner_(compound::PosixFileSystem()) {}
  std::shared_ptr<compound::File> Open(const std::string& path, compound::OpenMode mode) override {
    return std::make_shared<NoSyncFile>(inner_->Open(path, mode));
  }
  std::shared_ptr<compound::File> OpenTemp() override { return std::make_shared<NoSyncFile>(inner_->OpenTemp()); }
  bool Exists(const std::string& path) override { return inner_->Exists(path); }
  // The same atomic replacement, without syncing the folder afterwards.
  void Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) throw std::system_error(errno, std::generic_category(), "rename " + from);
  }
  void Remove(const std::string& path) override { inner_->Remove(path); }
  std::vector<std::string> List(const std::string& folder) override { return inner_->List(folder); }

 private:
  std::shared_ptr<compound::FileSystem> inner_;
};

std::unique_ptr<StorageEngine> MakeEngine(bool sync) {
  if (sync) return std::make_unique<StorageEngine>();
  return std::make_unique<StorageEngine>(std::make_shared<NoSyncFileSystem>());
}

std::u16string Numbered(char16_t prefix, int number, int digits) {
  std::u16string name(1, prefix);
  std::u16string tail;
  for (int i = 0; i < digits; ++i, number /= 10) tail.insert(tail.begin(), static_cast<char16_t>(u'0' + number % 10));
  return name + tail;
}

std::u16string Path(const std::string& utf8) { return vellora2::FromUtf8(utf8); }

[[noreturn]] void FailErrno(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

class Fd {
 public:
  Fd(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0666)) {
    if (fd_ < 0) FailErrno(path);
  }
  ~Fd() { ::close(fd_); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

size_t ReadFull(int fd, std::span<std::byte> out) {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno("read");
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void WriteFull(int fd, std::span<const std::byte> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailErrno("write");
    }
    done += static_cast<size_t>(n);
  }
}

// The copy buffer is left uninitialised, as the libgsf driver's g_malloc
// leaves its own: zeroing 1 MiB of fresh memory is a cost of the driver, not
// of the engine (4 ms on a virtual machine, 3% of an import).
class Chunk {
 public:
  std::span<std::byte> span() { return {data_.get(), kChunk}; }
  std::byte* data() { return data_.get(); }

 private:
  std::unique_ptr<std::byte[]> data_ = std::make_unique_for_overwrite<std::byte[]>(kChunk);
};

// Reads a whole stream into `buf` a chunk at a time; returns its length.
uint64_t Drain(Stream& stream, std::span<std::byte> buf) {
  uint64_t total = 0;
  for (size_t n; (n = stream.Read(buf)) > 0;) total += n;
  return total;
}

struct Args {
  bool sync = true;
  std::vector<std::string> paths;
};

// 100 storages of 100 streams of 4 KiB each; every stream has its own bytes.
uint64_t WriteMany(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->CreateStorageFile(Path(a.paths.at(0)), kRootNew);
  std::vector<std::byte> block(kSmallStream);
  uint64_t total = 0;
  for (int s = 0; s < kStorages; ++s) {
    Storage storage = root.CreateStorage(Numbered(u'S', s, 3), kChildWrite);
    for (int t = 0; t < kStreamsPerStorage; ++t) {
      std::memset(block.data(), (s * kStreamsPerStorage + t) & 0xFF, block.size());
      Stream stream = storage.CreateStream(Numbered(u'T', t, 3), kChildWrite);
      stream.Write(block);
      total += block.size();
    }
  }
  root.Commit();
  return total;
}

// A storage's children, listed before any of them is opened.
std::vector<std::pair<int16_t, std::u16string>> Children(Storage& storage) {
  int16_t type = 0;
  std::u16string name;
  std::vector<std::pair<int16_t, std::u16string>> children;
  for (storage.NextElement(0, type, name); type != 0; storage.NextElement(1, type, name)) children.emplace_back(type, name);
  return children;
}

uint64_t ReadTree(Storage& storage, std::span<std::byte> buf) {
  uint64_t total = 0;
  for (const auto& [child_type, child] : Children(storage)) {
    if (child_type == vellora2::STGTY_STORAGE) {
      Storage sub = storage.OpenStorage(child, kChildRead);
      total += ReadTree(sub, buf);
    } else {
      Stream stream = storage.OpenStream(child, kChildRead);
      total += Drain(stream, buf);
    }
  }
  return total;
}

uint64_t ReadMany(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->OpenStorageFile(Path(a.paths.at(0)), kRootRead);
  Chunk buf;
  return ReadTree(root, buf.span());
}

// import FILE DOC: the file becomes the one stream "data" of a new document.
uint64_t Import(const Args& a) {
  Fd in(a.paths.at(0), O_RDONLY);
  auto engine = MakeEngine(a.sync);
  Storage root = engine->CreateStorageFile(Path(a.paths.at(1)), kRootNew);
  Stream stream = root.CreateStream(u"data", kChildWrite);
  Chunk buf;
  uint64_t total = 0;
  for (size_t n; (n = ReadFull(in.get(), buf.span())) > 0;) {
    stream.Write(std::span<const std::byte>(buf.data(), n));
    total += n;
  }
  stream.Release();
  root.Commit();
  return total;
}

uint64_t ReadBig(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->OpenStorageFile(Path(a.paths.at(0)), kRootRead);
  Stream stream = root.OpenStream(u"data", kChildRead);
  Chunk buf;
  return Drain(stream, buf.span());
}

// export DOC FILE: the stream "data" written out as a plain file.
uint64_t Export(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->OpenStorageFile(Path(a.paths.at(0)), kRootRead);
  Stream stream = root.OpenStream(u"data", kChildRead);
  Fd out(a.paths.at(1), O_WRONLY | O_CREAT | O_TRUNC);
  Chunk buf;
  uint64_t total = 0;
  for (size_t n; (n = stream.Read(buf.span())) > 0;) {
    WriteFull(out.get(), std::span<const std::byte>(buf.data(), n));
    total += n;
  }
  return total;
}

// The 1 GiB document: four streams S0..S3 of 256 MiB, as one commit.
uint64_t MakeBig(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->CreateStorageFile(Path(a.paths.at(0)), kRootNew);
  std::vector<std::byte> buf(kChunk);
  uint64_t total = 0;
  for (int s = 0; s < kBigStreams; ++s) {
    Stream stream = root.CreateStream(Numbered(u'S', s, 1), kChildWrite);
    for (uint64_t done = 0; done < kBigStream; done += buf.size()) {
      for (size_t i = 0; i < buf.size(); i += 8) std::memcpy(buf.data() + i, &done, sizeof done);
      buf[0] = static_cast<std::byte>(s);
      stream.Write(buf);
      total += buf.size();
    }
  }
  root.Commit();
  return total;
}

// Flips one byte in the middle of S1 and commits.
uint64_t OneByte(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->OpenStorageFile(Path(a.paths.at(0)), kRootEdit);
  Stream stream = root.OpenStream(u"S1", kChildWrite);
  const uint64_t at = stream.Length() / 2;
  std::byte b{};
  stream.SetPosition(at);
  if (stream.Read(std::span(&b, 1)) != 1) throw std::runtime_error("S1 is empty");
  b = ~b;
  stream.SetPosition(at);
  stream.Write(std::span<const std::byte>(&b, 1));
  stream.Release();
  root.Commit();
  return 1;
}

uint64_t ListTree(Storage& storage) {
  uint64_t total = 0;
  for (const auto& [child_type, child] : Children(storage)) {
    if (child_type == vellora2::STGTY_STORAGE) {
      Storage sub = storage.OpenStorage(child, kChildRead);
      total += ListTree(sub);
    } else {
      total += storage.OpenStream(child, kChildRead).Length();
    }
  }
  return total;
}

// Opens a document and lists its tree with stream sizes; bytes is their sum.
uint64_t OpenList(const Args& a) {
  auto engine = MakeEngine(a.sync);
  Storage root = engine->OpenStorageFile(Path(a.paths.at(0)), kRootRead);
  return ListTree(root);
}

struct Command {
  size_t paths;
  std::function<uint64_t(const Args&)> run;
  const char* usage;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"write", {1, WriteMany, "DOC: write 100 storages x 100 streams of 4 KiB"}},
      {"read", {1, ReadMany, "DOC: open, list and read every stream"}},
      {"import", {2, Import, "FILE DOC: import FILE as the stream \"data\" and commit"}},
      {"readbig", {1, ReadBig, "DOC: read the stream \"data\""}},
      {"export", {2, Export, "DOC FILE: export the stream \"data\" to FILE"}},
      {"mkbig", {1, MakeBig, "DOC: write four streams S0..S3 of 256 MiB"}},
      {"onebyte", {1, OneByte, "DOC: change one byte of S1 and commit"}},
      {"open", {1, OpenList, "DOC: open and list the tree with sizes"}},
  };
  return commands;
}

int Usage() {
  std::fprintf(stderr, "usage: vellora_bench [--no-sync] COMMAND PATHS...\n");
  for (const auto& [name, command] : Commands()) std::fprintf(stderr, "  %-8s %s\n", name.c_str(), command.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-sync") {
      args.sync = false;
    } else if (command.empty()) {
      command = arg;
    } else {
      args.paths.push_back(arg);
    }
  }
  const auto found = Commands().find(command);
  if (found == Commands().end() || args.paths.size() != found->second.paths) return Usage();
  try {
    const auto start = std::chrono::steady_clock::now();
    const uint64_t bytes = found->second.run(args);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("seconds=%.6f bytes=%llu\n", elapsed.count(), static_cast<unsigned long long>(bytes));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vellora_bench %s: %s\n", command.c_str(), e.what());
    return 1;
  }
  return 0;
}
