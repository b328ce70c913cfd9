#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/scripted_platform.hpp"
#include "util/file_test_support.hpp"
#include "vellora2/util/gbytes.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

using testing::ScopedEnv;
using testing::ScopedPlatform;
using testing::TempDir;

template <typename F>
int32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// Answers the full-path question with a scripted path and counts the questions.
class FullPathPlatform : public ScriptedPlatform {
 public:
  std::optional<std::u16string> FullPath(std::u16string_view) override {
    ++calls;
    return answer;
  }
  std::optional<std::u16string> answer;
  int calls = 0;
};

TEST(PathText, NormalizeDenormalizeAndExtPosKeepTheInputsSeparator) {
  GUtility u;
  EXPECT_EQ(u.NormalizePath(u"C:\\Temp"), u"C:\\Temp\\");
  EXPECT_EQ(u.NormalizePath(u"C:\\Temp\\"), u"C:\\Temp\\");
  EXPECT_EQ(u.NormalizePath(u"/tmp/work"), u"/tmp/work/");
  EXPECT_EQ(u.NormalizePath(u"/tmp/"), u"/tmp/");
  EXPECT_EQ(u.NormalizePath(u""), u"\\");

  Variant v(u"C:\\Temp\\");
  u.DenormalizePath(v);
  EXPECT_EQ(v, Variant(u"C:\\Temp"));
  u.DenormalizePath(v);  // only a trailing separator goes
  EXPECT_EQ(v, Variant(u"C:\\Temp"));
  v = Variant(u"C:\\");
  u.DenormalizePath(v);
  EXPECT_EQ(v, Variant(u"C:"));
  v = Variant(u"/tmp/");
  u.DenormalizePath(v);
  EXPECT_EQ(v, Variant(u"/tmp"));
  v = Variant(int32_t{12});  // nothing to remove: the subtype stays
  u.DenormalizePath(v);
  EXPECT_EQ(v.type(), VarType::Long);

  EXPECT_EQ(u.GetExtPos(u"a.b\\c"), 6);
  EXPECT_EQ(u.GetExtPos(u"a.b/c"), 6);
  EXPECT_EQ(u.GetExtPos(u"readme"), 0);
  EXPECT_EQ(u.GetExtPos(u"x.txt"), 2);
  EXPECT_EQ(u.GetExtPos(u"x.tar.gz"), 6);
  EXPECT_EQ(u.GetExtPos(u""), 0);
  EXPECT_EQ(u.GetExtPos(std::u16string(32766, u'a')), 0);
  EXPECT_EQ(ErrorOf([&] { u.GetExtPos(std::u16string(32767, u'a')); }), rt::kOverflow);
}

TEST(FullPath, PositionsOfDriveNetworkAndSlashRootedPaths) {
  GUtility u;
  int32_t file = 0, ext = 0, dir = 0;
  EXPECT_EQ(u.GetFullPath(u"C:\\Work\\report.final.doc", file, ext, dir), u"C:\\Work\\report.final.doc");
  EXPECT_EQ(dir, 3);
  EXPECT_EQ(ext, 21);
  EXPECT_EQ(file, 9);

  file = ext = dir = 0;
  EXPECT_EQ(u.GetFullPath(u"\\\\srv\\share\\a\\b.txt", file, ext, dir), u"\\\\srv\\share\\a\\b.txt");
  EXPECT_EQ(dir, 12);
  EXPECT_EQ(file, 15);
  EXPECT_EQ(ext, 16);
  EXPECT_EQ(u.GetFileDir(u"\\\\srv\\share\\a\\b.txt"), u"\\\\srv\\share\\a\\");

  file = ext = dir = 0;
  EXPECT_EQ(u.GetFullPath(u"/home/u/a.tar.gz", file, ext, dir), u"/home/u/a.tar.gz");
  EXPECT_EQ(dir, 1);
  EXPECT_EQ(file, 9);
  EXPECT_EQ(ext, 14);

  // Windows forms are resolved as text; the root is never climbed past.
  EXPECT_EQ(u.GetFullPath(u"C:\\a\\.\\b\\..\\\\c.txt"), u"C:\\a\\c.txt");
  EXPECT_EQ(u.GetFullPath(u"c:/a/../../x/"), u"c:/x/");
  EXPECT_EQ(u.GetFullPath(u"\\\\srv\\share\\..\\x"), u"\\\\srv\\share\\x");
  // Other paths go to the operating system, relative to the current folder.
  const std::u16string cwd = FromUtf8(std::filesystem::current_path().string());
  EXPECT_EQ(u.GetFullPath(u"sub/../x.txt"), cwd + u"/x.txt");

  file = 7, ext = 8, dir = 9;
  EXPECT_EQ(u.GetFullPath(u"", file, ext, dir), u"");
  EXPECT_EQ(file * 100 + ext * 10 + dir, 789);
}

TEST(FullPath, FileNamePartsTakeNoDotsFromFolders) {
  GUtility u;
  for (const char16_t sep : {u'\\', u'/'}) {
    // The same path in both forms: "|" stands for the separator.
    auto in_form = [sep](std::u16string_view pattern) {
      std::u16string path = sep == u'/' ? u"" : u"C:";
      for (const char16_t c : pattern) path += c == u'|' ? sep : c;
      return path;
    };
    const std::u16string path = in_form(u"|old.dir|file");
    EXPECT_EQ(u.GetFileExt(path), u"");
    EXPECT_EQ(u.GetFileBase(path), u"file");
    EXPECT_EQ(u.GetFileBaseExt(path), u"file");
    EXPECT_EQ(u.GetFileDir(path), in_form(u"|old.dir|"));

    const std::u16string dotted = in_form(u"|a|b.c.d");
    EXPECT_EQ(u.GetFileExt(dotted), u".d");
    EXPECT_EQ(u.GetFileBase(dotted), u"b.c");
    EXPECT_EQ(u.GetFileBaseExt(dotted), u"b.c.d");
    EXPECT_EQ(u.GetFileFullSpec(dotted), dotted);
    EXPECT_EQ(u.GetFileDir(in_form(u"|x.txt")), in_form(u"|"));
  }
}

TEST(FullPath, ScriptedAnswersReachTheParsersEdges) {
  ScopedPlatform<FullPathPlatform> platform;
  GUtility u;
  for (auto member : {&GUtility::GetFileBase, &GUtility::GetFileBaseExt, &GUtility::GetFileExt, &GUtility::GetFileDir,
                      &GUtility::GetFileFullSpec}) {
    EXPECT_EQ((u.*member)(u""), u"");
  }
  EXPECT_EQ(platform->calls, 0);

  // No root recognised: DirPart keeps what the caller had, the scan stops at the separator.
  platform->answer = u"x\\y.txt";
  int32_t file = 0, ext = 0, dir = 0;
  u.GetFullPath(u"y.txt", file, ext, dir);
  EXPECT_EQ(dir, 0);
  EXPECT_EQ(file, 3);
  EXPECT_EQ(ext, 4);
  // A malformed network root is only reported to the silent hook.
  platform->answer = u"\\x\\y";
  EXPECT_EQ(u.GetFileBaseExt(u"y"), u"y");
  // Neither root nor separator, or no path at all: invalid argument.
  platform->answer = u"readme";
  EXPECT_EQ(ErrorOf([&] { u.GetFileBase(u"readme"); }), rt::kInvalidCall);
  platform->answer.reset();
  EXPECT_EQ(ErrorOf([&] { u.GetFullPath(u"anything"); }), rt::kInvalidCall);
}

TEST(Search, DirsAndExeFollowTheirOrderAndMissIsEmpty) {
  TempDir dir;
  for (const char* name : {"tool.COM", "tool.EXE", "only.BAT", "script", "x.dat"}) dir.Write(name, "");
  GUtility u;
  int32_t file = 0, ext = 0, dir_part = 0;
  EXPECT_EQ(u.SearchDirs(u"x", u".dat", dir.u16(), file, ext, dir_part), dir / "x.dat");
  EXPECT_EQ(dir_part, 1);
  EXPECT_EQ(file, static_cast<int32_t>(dir.u16().size()) + 2);
  file = ext = dir_part = 5;
  EXPECT_EQ(u.SearchDirs(u"missing", u".dat", dir.u16(), file, ext, dir_part), u"");
  EXPECT_EQ(file + ext + dir_part, 15);

  const ScopedEnv path("PATH", dir.path().string());
  EXPECT_EQ(u.SearchForExe(u"tool"), dir / "tool.EXE");
  EXPECT_EQ(u.SearchForExe(u"only"), dir / "only.BAT");
  EXPECT_EQ(u.SearchForExe(u"script"), dir / "script");
  EXPECT_EQ(u.SearchForExe(u"vellora2-nowhere"), u"");
}

TEST(TempFiles, EachCallCreatesAFurtherEmptyFileAndTheFolderIsHandedBack) {
  TempDir dir;
  const ScopedEnv tmpdir("TMPDIR", dir.path().string());
  GUtility u;
  EXPECT_EQ(u.GetTempDir(), dir.u16() + u"/");

  std::u16string folder;
  const std::u16string first = u.GetTempFile(u"vel", folder);
  EXPECT_EQ(folder, dir.u16() + u"/");
  EXPECT_EQ(u.GetFileDir(first), folder);
  EXPECT_TRUE(u.GetFileBase(first).starts_with(u"vel"));
  const std::u16string second = u.GetTempFile(u"vel", folder);
  EXPECT_NE(first, second);
  for (const auto& name : {first, second}) {
    EXPECT_TRUE(std::filesystem::exists(ToUtf8(name)));
    EXPECT_EQ(std::filesystem::file_size(ToUtf8(name)), 0u);
  }
  std::u16string missing = dir / "no/such/folder";
  EXPECT_EQ(u.GetTempFile(u"", missing), u"");
}

TEST(Environment, BothReferenceFormsExpand) {
  const ScopedEnv var("VELLORA2_UTIL_TEST", "value");
  GUtility u;
  EXPECT_EQ(u.ExpandEnvStr(u"%VELLORA2_UTIL_TEST%\\a;$VELLORA2_UTIL_TEST/b"), u"value\\a;value/b");
  EXPECT_EQ(u.ExpandEnvStr(u"%VELLORA2_UNSET_NAME%"), u"%VELLORA2_UNSET_NAME%");
  EXPECT_EQ(u.GetLabel(u"/vellora2/no/such/root/"), u"");
}

class DrivesPlatform : public ScriptedPlatform {
 public:
  uint32_t LogicalDrives() override { return drives; }
  uint32_t drives = 0;
};

TEST(Drives, OneSignPerLetterFromA) {
  GBytes bytes;
  EXPECT_EQ(bytes.VBGetLogicalDrives(), u"--+" + std::u16string(23, u'-'));  // Linux's one tree is C
  ScopedPlatform<DrivesPlatform> platform;
  platform->drives = 0b1101;  // A, C and D
  EXPECT_EQ(bytes.VBGetLogicalDrives(), u"+-++" + std::u16string(22, u'-'));
  platform->drives = 0xFFFFFFFFu;
  EXPECT_EQ(bytes.VBGetLogicalDrives(), std::u16string(26, u'+'));
}

}  // namespace
}  // namespace vellora2
