// The real file system: sharing modes between processes through OFD locks, and
// files that vanish.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "compound/foreign_lock.hpp"
#include "compound/test_support.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2::compound {
namespace {

using testing::ErrorOf;
using testing::Pattern;

constexpr int32_t kRoot = STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READWRITE;

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
    EXPECT_EQ(ErrorOf([&] { RefuseIfHeld(ToUtf8(path), u"test"); }), rt::kPathFileAccessError);
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
  EXPECT_EQ(ErrorOf([&] { RefuseIfHeld(ToUtf8(path), u"test"); }), 0);
  EXPECT_EQ(ErrorOf([&] { engine_.CreateStorageFile(path, kRoot | STGM_CREATE); }), 0);
  EXPECT_EQ(ErrorOf(convert), 0);
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

}  // namespace
}  // namespace vellora2::compound
