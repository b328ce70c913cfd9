// The real file system: sharing modes between processes through OFD locks, and
// files that vanish.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "compound/foreign_lock.hpp"
#include "compound/level.hpp"
#include "compound/test_support.hpp"
#include "vellora2/automation/date.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/clock.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::Pattern;
using testing::WriteAll;

constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
constexpr int32_t kRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr int32_t kReader = STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED;

// What the reads of a reader that another process's commits overtake gave.
struct Tally {
  long snapshot = 0;  // the bytes of the reader's snapshot
  long refused = 0;   // STG_E_REVERTED
  long other = 0;     // anything else: wrong bytes or another error
  long reads() const { return snapshot + refused + other; }
};

// Runs `writer` in a child process and `read` here over and over until the
// child ends. Nothing of the file may be open when this is called: a forked
// child shares open file descriptions, and with them their locks.
Tally ReadWhileAnotherProcessCommits(const std::function<void()>& writer, const std::function<void(Tally&)>& read) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(ErrorOf(writer) == 0 ? 0 : 1);
  Tally tally;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) read(tally);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed";
  return tally;
}

void Count(Tally& tally, const AutomationError& e) { (e.number() == STG_E_REVERTED ? tally.refused : tally.other)++; }

std::vector<std::byte> Bytes(const std::string& text) {
  std::vector<std::byte> out(text.size());
  std::memcpy(out.data(), text.data(), text.size());
  return out;
}

class PosixFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("vellora2-posix-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::u16string Path(const char* name) { return FromUtf8((dir_ / name).string()); }

  // Runs `body` in a child process and returns the STG_E number it failed
  // with (0 on success), so locks are tested across processes.
  int32_t InChild(const std::function<void()>& body) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      const int32_t code = ErrorOf(body);
      [[maybe_unused]] const ssize_t n = ::write(fds[1], &code, sizeof code);
      ::_exit(0);
    }
    ::close(fds[1]);
    int32_t code = -1;
    EXPECT_EQ(::read(fds[0], &code, sizeof code), static_cast<ssize_t>(sizeof code));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return code;
  }

  std::filesystem::path dir_;
  StorageEngine engine_;
};

// More parts than one system call takes, empty ones among them, each part
// of its own length: the file must hold them back to back.
TEST_F(PosixFileTest, GatheredWritesLandInOrder) {
  auto file = PosixFileSystem()->Open((dir_ / "parts").string(), OpenMode::kCreateNew);
  std::vector<std::vector<std::byte>> chunks(2500);
  std::vector<std::byte> expected(100, std::byte{0});
  for (uint32_t i = 0; i < chunks.size(); ++i) {
    chunks[i] = Pattern(i % 7 == 0 ? 0 : i % 97 + 1, i);
    expected.insert(expected.end(), chunks[i].begin(), chunks[i].end());
  }
  const std::vector<std::span<const std::byte>> parts(chunks.begin(), chunks.end());
  file->WritePartsAt(100, parts);
  std::vector<std::byte> back(expected.size() + 10);
  ASSERT_EQ(file->ReadAt(0, back), expected.size());
  back.resize(expected.size());
  EXPECT_EQ(back, expected);
}

// A saved document shows when its file was written and read, not when it
// was opened or what the open has changed since.
TEST_F(PosixFileTest, ADocumentsTimesAreItsFiles) {
  const std::u16string path = Path("dated.qxv");
  {
    Storage root = engine_.CreateStorageFile(path, kRoot | STGM_CREATE);
    root.CreateStorage(u"Sub", kRW);
    root.Commit();
  }
  // 2020-01-02 03:04:05 and 2021-06-07 08:09:10 UTC.
  constexpr time_t kWritten = 1577934245;
  constexpr time_t kRead = 1623053350;
  const std::array<timespec, 2> times{timespec{kRead, 0}, timespec{kWritten, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, ToUtf8(path).c_str(), times.data(), 0), 0);
  const uint64_t written = FileTimeFromUnixTime(kWritten, 0);
  const uint64_t read = FileTimeFromUnixTime(kRead, 0);
  const auto file = PosixFileSystem()->Open(ToUtf8(path), OpenMode::kRead);
  EXPECT_EQ(file->Times().modified, written);
  EXPECT_EQ(file->Times().accessed, read);

  Storage root = engine_.OpenStorageFile(path, kRoot);
  root.CreateStream(u"pending", kRW);
  root.OpenStorage(u"Sub", kRW).CreateStream(u"s", kRW);
  EXPECT_EQ(root.ModifiedTime(), DateFromFileTime(written));
  EXPECT_GE(root.AccessTime().value, DateFromFileTime(read).value);
  // The file system's birth time (today) where it keeps one, else the last write.
  const Date created = root.CreationTime();
  EXPECT_TRUE(created == DateFromFileTime(written) || created.value > DateFromFileTime(read).value) << created.value;
  root.Commit();
  EXPECT_GT(root.ModifiedTime().value, DateFromFileTime(read).value);
  EXPECT_EQ(root.ModifiedTime(), DateFromFileTime(file->Times().modified));
}

TEST_F(PosixFileTest, SharingModesHoldBetweenProcesses) {
  const auto path = Path("shared.cfb");
  auto writer = engine_.CreateStorageFile(path, kRoot);
  writer.CreateStream(u"s", STGM_READWRITE | STGM_SHARE_EXCLUSIVE).Write(Pattern(10, 1));
  writer.Commit();
  const auto open = [&](int32_t mode) { return InChild([&] { StorageEngine().OpenStorageFile(path, mode); }); };
  EXPECT_EQ(open(kRoot), STG_E_SHAREVIOLATION);  // a second writer
  EXPECT_EQ(open(STGM_READ | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED), STG_E_SHAREVIOLATION);
  EXPECT_EQ(open(STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED), 0);
  // Inside this process the same rules hold between two opens.
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(path, kRoot); }), STG_E_SHAREVIOLATION);
  // A flat file another process has open for writing cannot be converted: error 75.
  const auto flat = Path("flat.txt");
  {
    std::FILE* f = std::fopen(ToUtf8(flat).c_str(), "wb");
    std::fputs("plain text", f);
    std::fclose(f);
  }
  auto holder = engine_.CreateStorageFile(flat, STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_EXCLUSIVE | STGM_READWRITE);
  EXPECT_EQ(InChild([&] {
              StorageEngine().CreateStorageFile(flat, STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE);
            }),
            rt::kPathFileAccessError);
  writer.Release();
  EXPECT_EQ(open(kRoot), 0);
  EXPECT_TRUE(engine_.IsStorageFile(path));
  EXPECT_FALSE(engine_.IsStorageFile(flat));
  EXPECT_EQ(ErrorOf([&] { engine_.IsStorageFile(Path("missing")); }), STG_E_FILENOTFOUND);
  EXPECT_EQ(ErrorOf([&] { engine_.OpenStorageFile(Path("no/such/dir.cfb"), kRoot); }), STG_E_PATHNOTFOUND);
}

// Another program's record locks, on any part of the file, keep it from being
// replaced; a reader's locks do not keep it from being converted, which only reads.
TEST_F(PosixFileTest, OtherProgramsLocksHoldTheirFiles) {
  const auto path = Path("held.cfb");
  engine_.CreateStorageFile(path, kRoot).Commit();
  const auto flat = Path("flat.txt");
  {
    std::FILE* f = std::fopen(ToUtf8(flat).c_str(), "wb");
    std::fputs("plain text", f);
    std::fclose(f);
  }
  const auto convert = [&] {
    engine_.CreateStorageFile(flat, STGM_CONVERT | STGM_TRANSACTED | STGM_SHARE_DENY_NONE | STGM_READWRITE);
  };
  {
    vellora2::testing::ForeignLock reader(ToUtf8(path), F_RDLCK, 0, 1);
    ASSERT_TRUE(reader.locked());
    EXPECT_EQ(ErrorOf([&] { engine_.CreateStorageFile(path, kRoot | STGM_CREATE); }), STG_E_SHAREVIOLATION);
    EXPECT_TRUE(engine_.IsStorageFile(path));
    EXPECT_EQ(ErrorOf([&] { RefuseIfHeld(*PosixFileSystem(), ToUtf8(path), u"test"); }), rt::kPathFileAccessError);
    vellora2::testing::ForeignLock flat_reader(ToUtf8(flat), F_RDLCK, 0, 4);
    ASSERT_TRUE(flat_reader.locked());
    EXPECT_EQ(ErrorOf(convert), 0);
  }
  for (const off_t length : {off_t{0}, off_t{4}}) {
    vellora2::testing::ForeignLock writer(ToUtf8(flat), F_WRLCK, 0, length);
    ASSERT_TRUE(writer.locked());
    EXPECT_EQ(ErrorOf(convert), rt::kPathFileAccessError) << "lock length " << length;
  }
  // Nobody holds them any more.
  EXPECT_EQ(ErrorOf([&] { RefuseIfHeld(*PosixFileSystem(), ToUtf8(path), u"test"); }), 0);
  EXPECT_EQ(ErrorOf([&] { engine_.CreateStorageFile(path, kRoot | STGM_CREATE); }), 0);
  EXPECT_EQ(ErrorOf(convert), 0);
}

// A whole-file lock keeps other whole-file lockers out for as long as it is
// held, and asking who else holds the file does not give it up.
TEST_F(PosixFileTest, WholeFileLocksHoldUntilClose) {
  auto files = PosixFileSystem();
  const std::string path = ToUtf8(Path("whole"));
  auto mine = files->Open(path, OpenMode::kCreateNew);
  auto other = files->Open(path, OpenMode::kRead);
  ASSERT_TRUE(mine->TryLockWhole());
  EXPECT_FALSE(mine->HeldByOthers(File::Holders::kAny));
  EXPECT_TRUE(other->HeldByOthers(File::Holders::kWriters));
  EXPECT_FALSE(other->TryLockWhole());
  mine->Close();
  EXPECT_TRUE(other->TryLockWhole());
  EXPECT_FALSE(other->HeldByOthers(File::Holders::kAny));
}

TEST_F(PosixFileTest, DirectRootsAndTempStores) {
  const auto path = Path("direct.cfb");
  {
    auto root = engine_.CreateStorageFile(path, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
    auto sub = root.CreateStorage(u"T", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED);
    sub.CreateStream(u"x", STGM_READWRITE | STGM_SHARE_EXCLUSIVE).Write(Pattern(5000, 2));
    sub.Commit();  // into a direct root: on disk now
    EXPECT_EQ(InChild([&] {
                auto r = StorageEngine().OpenStorageFile(path, STGM_READ | STGM_SHARE_DENY_NONE | STGM_TRANSACTED);
                if (r.OpenStorage(u"T", STGM_READ | STGM_SHARE_EXCLUSIVE).ElementType(u"x") != STGTY_STREAM) std::abort();
              }),
              STG_E_SHAREVIOLATION);  // the direct writer denies everyone
    root.CreateStream(u"late", STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
  }
  // Released without Commit: a direct root writes what it holds.
  auto root = engine_.OpenStorageFile(path, STGM_READ | STGM_SHARE_DENY_WRITE);
  EXPECT_EQ(root.ElementType(u"late"), STGTY_STREAM);
  EXPECT_EQ(root.OpenStorage(u"T", STGM_READ | STGM_SHARE_EXCLUSIVE).ElementType(u"x"), STGTY_STREAM);
  EXPECT_EQ(engine_.Check(path).size(), 0u);

  // Temporary stores go to $TMPDIR; pointed at our own folder, it must stay as it is.
  const auto temp_dir = dir_ / "tmp";
  std::filesystem::create_directories(temp_dir);
  const char* old_tmpdir = std::getenv("TMPDIR");
  const std::string saved = old_tmpdir ? old_tmpdir : "";
  ::setenv("TMPDIR", temp_dir.c_str(), 1);
  const int32_t handle = engine_.CreateTempStore();
  old_tmpdir ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
  auto temp = engine_.CreateRootStorage(u"scratch", kRoot, handle);
  temp.CreateStream(u"t", STGM_READWRITE | STGM_SHARE_EXCLUSIVE).Write(Pattern(100000, 3));
  temp.Commit();
  EXPECT_TRUE(std::filesystem::is_empty(temp_dir));  // the store has no name in any folder
  engine_.ReleaseTempStore(handle);
}

// The real disk, except that the process kills itself when a rewrite is about
// to rename its finished copy over the document.
class KilledAtRename final : public FileSystem {
 public:
  std::shared_ptr<File> Open(const std::string& path, OpenMode mode) override { return disk_->Open(path, mode); }
  std::shared_ptr<File> OpenTemp() override { return disk_->OpenTemp(); }
  bool Exists(const std::string& path) override { return disk_->Exists(path); }
  void Rename(const std::string&, const std::string&) override { ::raise(SIGKILL); }
  void Remove(const std::string& path) override { disk_->Remove(path); }
  std::vector<std::string> List(const std::string& folder) override { return disk_->List(folder); }

 private:
  std::shared_ptr<FileSystem> disk_ = PosixFileSystem();
};

TEST_F(PosixFileTest, CopiesOfAKilledRewriteGoAtTheNextOpenForWriting) {
  const std::string path = (dir_ / "killed.cfb").string();
  {
    auto root = engine_.CreateStorageFile(FromUtf8(path), kRoot);
    WriteAll(root.CreateStream(u"old", kRW), Pattern(5000, 1));
    root.Commit();
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Growing past a (lowered) version 3 limit makes the commit a rewrite.
    auto files = std::make_shared<KilledAtRename>();
    auto file = files->Open(path, OpenMode::kReadWrite);
    Mode mode;
    mode.write = mode.transacted = mode.deny_write = true;
    auto doc = std::make_shared<CompoundFile>(files, path, file, mode);
    doc->set_container(Container::Open(file));
    doc->set_version3_limit(uint64_t{64} * 1024);
    auto tree = doc->LoadTree();
    auto big = std::make_shared<Node>();
    big->name = u"big";
    big->content.Write(0, Pattern(100000, 2));
    tree->Insert(big);
    doc->Publish(*tree);
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  std::vector<std::string> copies;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    if (entry.path().filename().string().starts_with("killed.cfb.~" + std::to_string(pid) + "-")) {
      copies.push_back(entry.path().string());
    }
  }
  ASSERT_EQ(copies.size(), 1u);
  // Copies of a running process (pid 1 always runs) and other names stay.
  const std::string running = path + ".~1-0";
  const std::string unrelated = path + ".~notes";
  for (const auto& p : {running, unrelated}) std::fclose(std::fopen(p.c_str(), "wb"));

  const auto found = engine_.Check(FromUtf8(path));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].note);
  EXPECT_NE(found[0].text.find(copies[0]), std::string::npos) << found[0].text;
  engine_.OpenStorageFile(FromUtf8(path), kReader).Release();
  EXPECT_TRUE(std::filesystem::exists(copies[0]));  // reading changes nothing
  auto root = engine_.OpenStorageFile(FromUtf8(path), kRoot);
  EXPECT_FALSE(std::filesystem::exists(copies[0]));
  EXPECT_TRUE(std::filesystem::exists(running));
  EXPECT_TRUE(std::filesystem::exists(unrelated));
  EXPECT_EQ(root.ElementType(u"old"), STGTY_STREAM);
  EXPECT_EQ(root.ElementType(u"big"), 0);
  EXPECT_TRUE(engine_.Check(FromUtf8(path)).empty());
}

// A reader keeps reading a large stream while another process commits new
// contents into it again and again, each commit reusing sectors the one
// before freed: every read gives the reader's snapshot or STG_E_REVERTED.
TEST_F(PosixFileTest, ReadersOvertakenByCommitsGetTheirSnapshotOrAnError) {
  const auto path = Path("overtaken.cfb");
  constexpr size_t kBig = size_t{3} << 20;
  constexpr size_t kPiece = size_t{64} * 1024;
  auto write_generation = [](Storage& root, uint32_t gen) {
    WriteAll(root.OpenStream(u"big", kRW), Pattern(kBig, gen));
    WriteAll(root.OpenStream(u"gen", kRW), Bytes(std::to_string(gen)));
    root.Commit();
  };
  {
    auto root = engine_.CreateStorageFile(path, kRoot);
    root.CreateStream(u"big", kRW);
    root.CreateStream(u"gen", kRW);
    write_generation(root, 0);
  }
  std::map<uint32_t, std::vector<std::byte>> generations;
  const Tally tally = ReadWhileAnotherProcessCommits(
      [&] {
        auto root = StorageEngine().OpenStorageFile(path, kRoot);
        for (uint32_t gen = 1; gen <= 25; ++gen) write_generation(root, gen);
      },
      [&](Tally& t) {
        try {
          auto root = StorageEngine().OpenStorageFile(path, kReader);
          auto gen_stream = root.OpenStream(u"gen", STGM_READ | STGM_SHARE_EXCLUSIVE);
          std::string gen_text(static_cast<size_t>(gen_stream.Length()), ' ');
          gen_stream.Read(std::as_writable_bytes(std::span(gen_text)));
          const uint32_t gen = static_cast<uint32_t>(std::stoul(gen_text));
          auto& expected = generations[gen];
          if (expected.empty()) expected = Pattern(kBig, gen);
          auto big = root.OpenStream(u"big", STGM_READ | STGM_SHARE_EXCLUSIVE);
          std::vector<std::byte> piece(kPiece);
          for (int pass = 0; pass < 4; ++pass) {
            for (size_t at = 0; at < kBig; at += kPiece) {
              big.SetPosition(at);
              if (big.Read(piece) != kPiece ||
                  !std::equal(piece.begin(), piece.end(), expected.begin() + static_cast<ptrdiff_t>(at))) {
                ++t.other;
                return;
              }
              ++t.snapshot;
            }
          }
        } catch (const AutomationError& e) {
          Count(t, e);
        } catch (const std::exception&) {
          ++t.other;
        }
      });
  std::printf("%ld reads: %ld snapshot, %ld refused, %ld other\n", tally.reads(), tally.snapshot, tally.refused,
              tally.other);
  EXPECT_EQ(tally.other, 0);
  EXPECT_GT(tally.snapshot, 0);
  EXPECT_GT(tally.refused, 0);  // the commits did overtake the reader
}

// The same for listings: each open lists a whole generation of names, and
// each stream it lists holds its own name, or the open or a read is refused.
TEST_F(PosixFileTest, ListingsOvertakenByCommitsShowOneGeneration) {
  const auto path = Path("listed.cfb");
  constexpr int kPerGeneration = 40;
  auto name_of = [](uint32_t gen, int k) { return "g" + std::to_string(gen) + "-" + std::to_string(k); };
  auto contents_of = [](const std::string& name) {
    std::string text;
    while (text.size() < 300) text += name + ";";
    return Bytes(text);
  };
  auto write_generation = [&](Storage& root, uint32_t gen) {
    for (int k = 0; k < kPerGeneration; ++k) {
      if (gen > 0) root.DestroyElement(FromUtf8(name_of(gen - 1, k)));
      WriteAll(root.CreateStream(FromUtf8(name_of(gen, k)), kRW), contents_of(name_of(gen, k)));
    }
    root.Commit();
  };
  {
    auto root = engine_.CreateStorageFile(path, kRoot);
    write_generation(root, 0);
  }
  const Tally tally = ReadWhileAnotherProcessCommits(
      [&] {
        auto root = StorageEngine().OpenStorageFile(path, kRoot);
        for (uint32_t gen = 1; gen <= 150; ++gen) write_generation(root, gen);
      },
      [&](Tally& t) {
        try {
          auto root = StorageEngine().OpenStorageFile(path, kReader);
          std::vector<std::string> names;
          int16_t type = 0;
          std::u16string name;
          for (root.NextElement(0, type, name); type != 0; root.NextElement(1, type, name)) {
            names.push_back(ToUtf8(name));
          }
          const std::string gen = names.empty() ? "" : names[0].substr(0, names[0].find('-') + 1);
          bool whole = names.size() == kPerGeneration;
          for (const auto& n : names) {
            auto s = root.OpenStream(FromUtf8(n), STGM_READ | STGM_SHARE_EXCLUSIVE);
            std::vector<std::byte> got(static_cast<size_t>(s.Length()));
            s.Read(got);
            whole = whole && n.compare(0, gen.size(), gen) == 0 && got == contents_of(n);
          }
          (whole ? t.snapshot : t.other)++;
        } catch (const AutomationError& e) {
          Count(t, e);
        } catch (const std::exception&) {
          ++t.other;
        }
      });
  std::printf("%ld listings: %ld snapshot, %ld refused, %ld other\n", tally.reads(), tally.snapshot, tally.refused,
              tally.other);
  EXPECT_EQ(tally.other, 0);
  EXPECT_GT(tally.snapshot, 0);
  EXPECT_GT(tally.refused, 0);
}

}  // namespace
}  // namespace vellora2::compound
