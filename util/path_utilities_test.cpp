#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/util/gbytes.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using testing::ErrorOf;
using testing::ScopedEnv;
using testing::ScopedPlatform;
using testing::TempDir;

// Answers the full-path question with a script and counts the questions; the
// drive mask is scripted too.
class PathPlatform : public ScriptedPlatform {
 public:
  std::optional<std::u16string> FullPath(std::u16string_view) override {
    ++full_path_calls;
    return full_path;
  }
  uint32_t LogicalDrives() override { return drives; }
  std::optional<std::u16string> full_path;
  int full_path_calls = 0;
  uint32_t drives = 0;
};

// FilePart, ExtPart and DirPart of `path`, starting from `dir_part`.
std::array<int32_t, 3> Parts(std::u16string_view path, int32_t dir_part = 0) {
  GUtility u;
  int32_t file = 0, ext = 0;
  u.GetFullPath(path, file, ext, dir_part);
  return {file, ext, dir_part};
}

TEST(PathText, NormalizeDenormalizeAndExtPosKeepTheInputsSeparator) {
  GUtility u;
  EXPECT_EQ(u.NormalizePath(u"C:\\Temp"), u"C:\\Temp\\");
  EXPECT_EQ(u.NormalizePath(u"C:\\Temp\\"), u"C:\\Temp\\");
  EXPECT_EQ(u.NormalizePath(u"/tmp/work"), u"/tmp/work/");
  EXPECT_EQ(u.NormalizePath(u""), u"\\");

  for (const auto& [before, after] :
       {std::pair{u"C:\\Temp\\", u"C:\\Temp"}, {u"C:\\", u"C:"}, {u"/tmp/", u"/tmp"}, {u"C:\\Temp", u"C:\\Temp"}}) {
    Variant v(before);
    u.DenormalizePath(v);
    EXPECT_EQ(v, Variant(after)) << ToUtf8(before);
  }
  Variant number(int32_t{12});  // nothing to remove: the subtype stays
  u.DenormalizePath(number);
  EXPECT_EQ(number.type(), VarType::Long);

  EXPECT_EQ(u.GetExtPos(u"a.b\\c"), 6);
  EXPECT_EQ(u.GetExtPos(u"a.b/c"), 6);
  EXPECT_EQ(u.GetExtPos(u"readme"), 0);
  EXPECT_EQ(u.GetExtPos(u"x.tar.gz"), 6);
  EXPECT_EQ(u.GetExtPos(std::u16string(32766, u'a')), 0);
  EXPECT_EQ(ErrorOf([&] { u.GetExtPos(std::u16string(32767, u'a')); }), rt::kOverflow);
}

TEST(FullPath, DriveNetworkAndSlashRootsSideBySide) {
  EXPECT_EQ(Parts(u"C:\\Work\\report.final.doc"), (std::array{9, 21, 3}));
  EXPECT_EQ(Parts(u"\\\\srv\\share\\a\\b.txt"), (std::array{15, 16, 12}));
  EXPECT_EQ(Parts(u"/home/u/a.tar.gz"), (std::array{9, 14, 1}));

  GUtility u;
  // Windows forms resolve as text, never above their root.
  EXPECT_EQ(u.GetFullPath(u"C:\\a\\.\\b\\..\\\\c.txt"), u"C:\\a\\c.txt");
  EXPECT_EQ(u.GetFullPath(u"c:/a/../../x/"), u"c:/x/");
  EXPECT_EQ(u.GetFullPath(u"\\\\srv\\share\\..\\x"), u"\\\\srv\\share\\x");
  // Others go to the operating system, relative to the current folder.
  const std::u16string cwd = FromUtf8(std::filesystem::current_path().string());
  EXPECT_EQ(u.GetFullPath(u"sub/../x.txt"), cwd + u"/x.txt");

  for (const char16_t sep : {u'\\', u'/'}) {
    // One path in both forms: "|" stands for the separator.
    auto in_form = [sep](std::u16string_view pattern) {
      std::u16string path = sep == u'/' ? u"" : u"C:";
      for (const char16_t c : pattern) path += c == u'|' ? sep : c;
      return path;
    };
    const std::u16string path = in_form(u"|old.dir|file");
    EXPECT_EQ(u.GetFileExt(path), u"");
    EXPECT_EQ(u.GetFileBase(path), u"file");
    EXPECT_EQ(u.GetFileDir(path), in_form(u"|old.dir|"));
    const std::u16string dotted = in_form(u"|a|b.c.d");
    EXPECT_EQ(u.GetFileExt(dotted), u".d");
    EXPECT_EQ(u.GetFileBase(dotted), u"b.c");
    EXPECT_EQ(u.GetFileBaseExt(dotted), u"b.c.d");
    EXPECT_EQ(u.GetFileFullSpec(dotted), dotted);
    EXPECT_EQ(u.GetFileDir(in_form(u"|x.txt")), in_form(u"|"));
  }
  EXPECT_EQ(u.GetFileDir(u"\\\\srv\\share\\a\\b.txt"), u"\\\\srv\\share\\a\\");
}

TEST(FullPath, EmptyArgumentsAndUnrootedAnswers) {
  ScopedPlatform<PathPlatform> platform;
  GUtility u;
  for (auto member : {&GUtility::GetFileBase, &GUtility::GetFileBaseExt, &GUtility::GetFileExt, &GUtility::GetFileDir,
                      &GUtility::GetFileFullSpec}) {
    EXPECT_EQ((u.*member)(u""), u"");
  }
  int32_t file = 7, ext = 8, dir = 9;
  EXPECT_EQ(u.GetFullPath(u"", file, ext, dir), u"");
  EXPECT_EQ((std::array{file, ext, dir}), (std::array{7, 8, 9}));
  EXPECT_EQ(platform->full_path_calls, 0);

  // No root: DirPart keeps the caller's value and the scan stops at the separator.
  platform->full_path = u"x\\y.txt";
  EXPECT_EQ(Parts(u"y.txt"), (std::array{3, 4, 0}));
  EXPECT_EQ(Parts(u"y.txt", 5), (std::array{5, 8, 5}));  // the scan ends at DirPart
  platform->full_path = u"\\x\\y";                       // a bad network root only goes to the silent hook
  EXPECT_EQ(u.GetFileBaseExt(u"y"), u"y");
  platform->full_path = u"readme";  // neither root nor separator
  EXPECT_EQ(ErrorOf([&] { u.GetFileBase(u"readme"); }), rt::kInvalidCall);
  platform->full_path.reset();  // the platform failed: nothing to parse
  EXPECT_EQ(ErrorOf([&] { u.GetFullPath(u"anything"); }), rt::kInvalidCall);
}

TEST(Search, DirsAndExeFollowTheirOrderAndMissIsEmpty) {
  TempDir dir;
  for (const char* name : {"tool.COM", "tool.EXE", "only.BAT", "script", "x.dat"}) dir.Write(name, "");
  GUtility u;
  int32_t file = 0, ext = 0, dir_part = 0;
  EXPECT_EQ(u.SearchDirs(u"x", u".dat", dir.u16(), file, ext, dir_part), dir / "x.dat");
  EXPECT_EQ(file, static_cast<int32_t>(dir.u16().size()) + 2);
  file = ext = dir_part = 5;
  EXPECT_EQ(u.SearchDirs(u"missing", u".dat", dir.u16(), file, ext, dir_part), u"");
  EXPECT_EQ((std::array{file, ext, dir_part}), (std::array{5, 5, 5}));

  const ScopedEnv path("PATH", dir.path().string());
  EXPECT_EQ(u.SearchForExe(u"tool"), dir / "tool.EXE");
  EXPECT_EQ(u.SearchForExe(u"only"), dir / "only.BAT");
  EXPECT_EQ(u.SearchForExe(u"script"), dir / "script");
  EXPECT_EQ(u.SearchForExe(u"vellora2-nowhere"), u"");
}

TEST(TempFilesAndEnvironment, EachCallCreatesAFurtherEmptyFile) {
  TempDir dir;
  const ScopedEnv tmpdir("TMPDIR", dir.path().string());
  GUtility u;
  std::u16string folder;
  const std::u16string first = u.GetTempFile(u"vel", folder);
  EXPECT_EQ(folder, dir.u16() + u"/");
  EXPECT_EQ(u.GetFileDir(first), folder);
  EXPECT_TRUE(u.GetFileBase(first).starts_with(u"vel"));
  const std::u16string second = u.GetTempFile(u"vel", folder);
  EXPECT_NE(first, second);
  for (const auto& name : {first, second}) EXPECT_EQ(std::filesystem::file_size(ToUtf8(name)), 0u);
  std::u16string missing = dir / "no/such/folder";
  EXPECT_EQ(u.GetTempFile(u"", missing), u"");

  const ScopedEnv var("VELLORA2_UTIL_TEST", "value");
  EXPECT_EQ(u.ExpandEnvStr(u"%VELLORA2_UTIL_TEST%\\a;$VELLORA2_UTIL_TEST/b"), u"value\\a;$VELLORA2_UTIL_TEST/b");
}

TEST(Drives, OneSignPerLetterFromA) {
  GBytes bytes;
  EXPECT_EQ(bytes.VBGetLogicalDrives(), u"--+" + std::u16string(23, u'-'));  // Linux's one tree is C
  ScopedPlatform<PathPlatform> platform;
  platform->drives = 0b1101;  // A, C and D
  EXPECT_EQ(bytes.VBGetLogicalDrives(), u"+-++" + std::u16string(22, u'-'));
  platform->drives = 0xFFFFFFFFu;
  EXPECT_EQ(bytes.VBGetLogicalDrives(), std::u16string(26, u'+'));
}

}  // namespace
}  // namespace vellora2
