#include "vellora2/document/cvellora.hpp"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <thread>

#include "compound/foreign_lock.hpp"
#include "document/thread_state.hpp"
#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/elements/picture.hpp"
#include "vellora2/storage/errors.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

using testing::ErrorOf;

class Host : public CVelloraEvents {
 public:
  void IsCorrectFileType(bool& blnCorrect) override {
    ++asked;
    seen_app_name = owner->AppName();
    seen_app_version = owner->AppVersion();
    blnCorrect = accept;
  }
  CVellora* owner = nullptr;
  bool accept = true;
  int asked = 0;
  std::u16string seen_app_name, seen_app_version;
};

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vellora2-doc-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    old_ = SetCurrentPlatform(platform_);
  }
  void TearDown() override {
    SetCurrentPlatform(old_);
    fs::remove_all(dir_);
  }
  std::u16string Path(const char* name) const { return FromUtf8((dir_ / name).string()); }
  // The user picks `path` in the next file dialog.
  void Choose(const std::u16string& path) {
    platform_->file_answers.push_back([path](OpenFileNameRecord& r) {
      r.lpstrFile = path + u'\0';
      r.lpstrFileTitle = FromUtf8(fs::path(ToUtf8(path)).filename().string()) + u'\0';
      return true;
    });
  }

  fs::path dir_;
  std::shared_ptr<ScriptedPlatform> platform_ = std::make_shared<ScriptedPlatform>();
  std::shared_ptr<Platform> old_;
};

TEST(DocumentObject, DebugIdsFollowCreationOrderPerThread) {
  std::thread([] {
    auto first = std::make_unique<CVellora>();
    EXPECT_EQ(first->ClassDebugID(), Variant(int32_t{1}));
    EXPECT_EQ(first->GetCImagesIO()->ClassDebugID(), 2);
    EXPECT_EQ(first->GetCFilesIO()->ClassDebugID(), 3);
    EXPECT_EQ(first->GetCObjectsIO()->ClassDebugID(), 4);
    EXPECT_EQ(first->GetCHelpIO()->ClassDebugID(), 5);
    CVellora second;
    EXPECT_EQ(second.ClassDebugID(), Variant(int32_t{6}));
  }).join();
}

TEST(DocumentObject, SimplePropertiesAndDirtyFlags) {
  CVellora doc;
  EXPECT_EQ(doc.DialogBoxParentHwnd(), -1);
  doc.DialogBoxParentHwnd(0);
  EXPECT_EQ(doc.DialogBoxParentHwnd(), -1);
  doc.DialogBoxParentHwnd(-5);
  EXPECT_EQ(doc.DialogBoxParentHwnd(), -1);
  doc.DialogBoxParentHwnd(4242);
  EXPECT_EQ(doc.DialogBoxParentHwnd(), 4242);

  EXPECT_FALSE(doc.Dirty());
  doc.GetCImagesIO()->Dirty(true);
  EXPECT_TRUE(doc.Dirty());
  doc.Dirty(false);
  EXPECT_FALSE(doc.GetCImagesIO()->Dirty());
  doc.Dirty(true);
  EXPECT_TRUE(doc.GetCFilesIO()->Dirty() && doc.GetCHelpIO()->Dirty() && doc.GetCObjectsIO()->Dirty());
  doc.Dirty(false);

  // No document: the document's properties fail with 91.
  EXPECT_EQ(ErrorOf([&] { doc.DocTitle(); }), rt::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { doc.Revert(); }), rt::kObjectNotSet);
  EXPECT_EQ(ErrorOf([&] { doc.GetTitle(); }), rt::kObjectNotSet);

  // Identity defaults.
  doc.AppName(u"   ");
  EXPECT_EQ(doc.AppName(), u"Vellora2");
  EXPECT_EQ(doc.AppVersion(), u"2.0");
}

TEST_F(DocumentTest, NewDocumentHasTheStandardLayoutAndSavesToAPath) {
  CVellora doc;
  doc.AppName(u"Quillar");
  doc.AppVersion(u"7.1");
  ASSERT_TRUE(doc.NewFile());
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(doc.DocEmail(), u"");
  Storage& root = RequireRoot(u"test");
  std::vector<std::u16string> names;
  int16_t type = 0;
  std::u16string name;
  for (root.NextElement(0, type, name); type != 0; root.NextElement(1, type, name)) {
    if (type == STGTY_STORAGE) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Databases", u"DecisionTreeData", u"Help", u"Images", u"Settings"}));
  ASSERT_EQ(root.UserPropertyCount(), 4);
  EXPECT_EQ(root.UserPropertyName(0), u"AppVersion");
  EXPECT_EQ(root.UserPropertyValue(0), Variant(u"7.1"));
  EXPECT_EQ(root.UserPropertyName(3), u"PhoneNum");
  EXPECT_EQ(root.EditTime(), 0);
  EXPECT_EQ(root.ApplicationName(), u"Quillar");

  doc.DocTitle(u"Report");
  EXPECT_TRUE(doc.Dirty());
  EXPECT_TRUE(doc.GetCFilesIO()->Dirty());
  doc.DocEmail(u"a@b.c");
  const std::u16string path = Path("new.qxv");
  EXPECT_TRUE(doc.SaveToPath(path).IsEmpty());
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(doc.strFileName(), u"new.qxv");
  EXPECT_EQ(doc.strFilePath(), path);
  doc.CloseFile();
  EXPECT_TRUE(platform_->message_boxes.empty());

  CVellora again;
  ASSERT_TRUE(again.OpenFile(path));
  EXPECT_EQ(again.DocTitle(), u"Report");
  EXPECT_EQ(again.GetTitle(), u"Report");
  EXPECT_EQ(again.DocEmail(), u"a@b.c");
  EXPECT_EQ(again.AppName(), u"Quillar");
  EXPECT_EQ(again.AppVersion(), u"7.1");
  EXPECT_EQ(RequireRoot(u"test").RevisionNumber(), u"1");
}

TEST_F(DocumentTest, PropertyChangesMarkDirtyOnlyWhenTheyDiffer) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"");
  EXPECT_FALSE(doc.Dirty());
  doc.DocCompany(u"Acme");
  EXPECT_TRUE(doc.Dirty());
  EXPECT_EQ(doc.DocCompany(), u"Acme");
  EXPECT_EQ(RequireRoot(u"test").Title(), u"");
  doc.Dirty(false);
  doc.DocCompany(u"Acme");
  EXPECT_FALSE(doc.Dirty());
  doc.DocCompany(u"ACME");
  EXPECT_TRUE(doc.Dirty());
  doc.Dirty(false);
  doc.AppName(u"Other");
  EXPECT_TRUE(doc.Dirty());
  EXPECT_FALSE(doc.GetCFilesIO()->Dirty());
  platform_->message_box_answers = {mb::kNo};
  doc.CloseFile();
}

TEST_F(DocumentTest, OpenRefusesMissingAndForeignFilesAndAsksTheHost) {
  CVellora doc;
  Host host;
  host.owner = &doc;
  const EventConnection connection = doc.Connect(&host);
  EXPECT_FALSE(doc.OpenFile(Path("missing.qxv")));
  EXPECT_TRUE(platform_->message_boxes.empty());

  std::ofstream(dir_ / "text.txt") << "plain text, not a document";
  EXPECT_FALSE(doc.OpenFile(Path("text.txt")));
  ASSERT_EQ(platform_->message_boxes.size(), 1u);
  EXPECT_EQ(platform_->message_boxes[0].prompt, u"BadFile!");
  EXPECT_EQ(platform_->message_boxes[0].style, mb::kOkOnly);
  EXPECT_EQ(platform_->message_boxes[0].title, u"Vellora2");

  // Two documents from two applications.
  doc.AppName(u"First");
  doc.AppVersion(u"1.0");
  doc.NewFile();
  doc.SaveToPath(Path("first.qxv"));
  doc.CloseFile();
  doc.AppName(u"Second");
  doc.AppVersion(u"2.5");
  doc.NewFile();
  doc.SaveToPath(Path("second.qxv"));
  ASSERT_TRUE(doc.OpenFile(Path("first.qxv")));
  EXPECT_EQ(host.asked, 1);
  EXPECT_EQ(host.seen_app_name, u"First");

  host.accept = false;
  EXPECT_FALSE(doc.OpenFile(Path("second.qxv")));
  EXPECT_EQ(host.seen_app_name, u"Second");
  EXPECT_EQ(host.seen_app_version, u"2.5");
  EXPECT_EQ(doc.strFileName(), u"first.qxv");
  EXPECT_EQ(doc.AppName(), u"First");
  EXPECT_EQ(doc.AppVersion(), u"1.0");

  // The open dialog, cancelled.
  EXPECT_FALSE(doc.OpenFile());
  ASSERT_EQ(platform_->open_file_dialogs.size(), 1u);
  EXPECT_EQ(platform_->open_file_dialogs[0].lpstrTitle, u"Open Project");
  EXPECT_EQ(doc.strFileName(), u"first.qxv");
}

TEST_F(DocumentTest, HostsThatGoAwayAreNotAskedAndTheirConnectionsOutliveTheDocument) {
  auto doc = std::make_unique<CVellora>();
  doc->NewFile();
  doc->SaveToPath(Path("saved.qxv"));
  doc->CloseFile();
  Host staying;
  staying.owner = doc.get();
  const EventConnection stays = doc->Connect(&staying);
  {
    auto leaving = std::make_unique<Host>();
    leaving->owner = doc.get();
    const EventConnection goes = doc->Connect(leaving.get());
  }
  ASSERT_TRUE(doc->OpenFile(Path("saved.qxv")));
  EXPECT_EQ(staying.asked, 1);
  doc.reset();
  EXPECT_FALSE(stays.Connected());
}

TEST_F(DocumentTest, ReadOnlyOpenLastsUntilClose) {
  CVellora doc;
  doc.NewFile();
  doc.SaveToPath(Path("a.qxv"));
  doc.CloseFile();
  ASSERT_TRUE(doc.OpenFileReadOnly(Path("a.qxv")));
  EXPECT_NE(ErrorOf([&] { doc.SaveFile(); }), 0);
  doc.CloseFile();
  ASSERT_TRUE(doc.OpenFile(Path("a.qxv")));
  doc.DocTitle(u"changed");
  doc.SaveFile();
  EXPECT_EQ(doc.DocTitle(), u"changed");
  // A cancelled read-only open leaves the next open read-write as well.
  doc.CloseFile();
  EXPECT_FALSE(doc.OpenFileReadOnly());
  ASSERT_TRUE(doc.OpenFile(Path("a.qxv")));
  doc.DocSubject(u"s");
  doc.SaveFile();
}

TEST_F(DocumentTest, ClosePromptYesNoCancel) {
  CVellora doc;
  doc.NewFile();
  doc.SaveToPath(Path("c.qxv"));
  const std::string saved = Bytes(dir_ / "c.qxv");

  doc.DocTitle(u"no");
  platform_->message_box_answers = {mb::kNo};
  doc.CloseFile();
  ASSERT_EQ(platform_->message_boxes.size(), 1u);
  EXPECT_EQ(platform_->message_boxes[0].prompt, u"Would you like to save your changes?");
  EXPECT_EQ(platform_->message_boxes[0].title, u"Save Changes?");
  EXPECT_EQ(platform_->message_boxes[0].style, 35);
  EXPECT_EQ(Bytes(dir_ / "c.qxv"), saved);
  EXPECT_EQ(doc.strFilePath(), u"");
  EXPECT_FALSE(doc.Dirty());

  doc.OpenFile(Path("c.qxv"));
  doc.DocTitle(u"cancel");
  platform_->message_box_answers = {mb::kCancel};
  EXPECT_EQ(ErrorOf([&] { doc.NewFile(); }), ioCancel);
  EXPECT_EQ(doc.DocTitle(), u"cancel");  // still open, still changed

  platform_->message_box_answers = {mb::kYes};
  doc.CloseFile();
  CVellora check;
  check.OpenFile(Path("c.qxv"));
  EXPECT_EQ(check.DocTitle(), u"cancel");
}

TEST_F(DocumentTest, SavingANewDocumentGoesThroughTheSaveDialog) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"t");
  // Yes to saving, then the Save As dialog is cancelled: ioCancel, document still open.
  platform_->message_box_answers = {mb::kYes};
  EXPECT_EQ(ErrorOf([&] { doc.CloseFile(); }), ioCancel);
  EXPECT_EQ(doc.DocTitle(), u"t");
  ASSERT_EQ(platform_->save_file_dialogs.size(), 1u);
  EXPECT_EQ(platform_->save_file_dialogs[0].lpstrTitle, u"Save Project");

  const std::u16string path = Path("picked.qxv");
  Choose(path);
  doc.SaveFile();
  EXPECT_EQ(doc.strFilePath(), path);
  EXPECT_FALSE(doc.Dirty());
  EXPECT_TRUE(fs::exists(ToUtf8(path)));
  EXPECT_EQ(RequireRoot(u"test").RevisionNumber(), u"1");
}

TEST_F(DocumentTest, SaveAsLeavesTheOriginalAsItWas) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"original");
  doc.SaveToPath(Path("a.qxv"));
  const std::string a = Bytes(dir_ / "a.qxv");
  doc.DocTitle(u"edited");
  Choose(Path("b.qxv"));
  doc.SaveAsFile();
  EXPECT_EQ(doc.strFilePath(), Path("b.qxv"));
  EXPECT_EQ(Bytes(dir_ / "a.qxv"), a);
  doc.DocSubject(u"later");
  doc.SaveFile();
  doc.CloseFile();
  CVellora check;
  check.OpenFile(Path("b.qxv"));
  EXPECT_EQ(check.DocTitle(), u"edited");
  EXPECT_EQ(check.DocSubject(), u"later");
  check.CloseFile();
  check.OpenFile(Path("a.qxv"));
  EXPECT_EQ(check.DocTitle(), u"original");
  // The file that is open cannot be the target of a save.
  EXPECT_EQ(ErrorOf([&] { check.SaveToPath(Path("a.qxv")); }), rt::kPathFileAccessError);
}

TEST_F(DocumentTest, TheDocumentBelongsToTheThread) {
  auto first = std::make_unique<CVellora>();
  first->NewFile();
  first->SaveToPath(Path("shared.qxv"));
  first->DocTitle(u"unsaved");
  const std::string on_disk = Bytes(dir_ / "shared.qxv");
  {
    CVellora second;
    EXPECT_EQ(second.GetTitle(), u"unsaved");
    // Opening the file that is already open fails and leaves it open.
    EXPECT_NE(ErrorOf([&] { second.OpenFile(Path("shared.qxv")); }), 0);
    EXPECT_EQ(first->DocTitle(), u"unsaved");
  }
  // Destroying any CVellora closes the thread's document without saving, and
  // takes the thread's engine: what needs either then says which class failed.
  EXPECT_EQ(ErrorOf([&] { first->DocTitle(); }), rt::kObjectNotSet);
  try {
    first->OpenFile(Path("shared.qxv"));
    ADD_FAILURE() << "opened without an engine";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kObjectNotSet);
    EXPECT_EQ(e.source(), u"Vellora2.CVellora");
  }
  first.reset();
  EXPECT_EQ(Bytes(dir_ / "shared.qxv"), on_disk);
}

TEST_F(DocumentTest, RevertDropsChangesSinceTheLastSave) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"kept");
  doc.SaveToPath(Path("r.qxv"));
  doc.DocTitle(u"dropped");
  doc.Revert();
  EXPECT_FALSE(doc.Dirty());
  RequireRoot(u"test").ReadSummaryInfo();
  EXPECT_EQ(doc.DocTitle(), u"kept");
  // The busy pointer is back where the host had it.
  EXPECT_EQ(platform_->pointer, kPointerDefault);
  EXPECT_NE(std::find(platform_->pointer_changes.begin(), platform_->pointer_changes.end(), kPointerArrowHourglass),
            platform_->pointer_changes.end());
}

// Another process keeps the document open while this one tries to save over
// it: the save is refused before anything is deleted, and the holder's own
// later save lands in the file that everyone sees.
TEST_F(DocumentTest, SavingOverADocumentAnotherProcessHoldsIsRefused) {
  const std::u16string path = Path("held.qxv");
  {
    CVellora doc;
    doc.NewFile();
    doc.SaveToPath(path);
    doc.CloseFile();
  }
  int ready[2];
  int go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    int status = 1;
    char c = 0;
    try {
      CVellora doc;
      if (doc.OpenFile(path) && ::write(ready[1], &c, 1) == 1 && ::read(go[0], &c, 1) == 1) {
        doc.DocTitle(u"the holder's work");
        doc.SaveFile();
        doc.CloseFile();
        status = 0;
      }
    } catch (const AutomationError&) {  // NOLINT(bugprone-empty-catch): the status says it
    }
    ::_exit(status);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const std::string before = Bytes(dir_ / "held.qxv");

  CVellora saver;
  saver.NewFile();
  saver.DocTitle(u"the saver's work");
  try {
    saver.SaveToPath(path);
    ADD_FAILURE() << "saved over a held document";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kPathFileAccessError);
    EXPECT_EQ(e.description(), u"Path/File access error");
    EXPECT_EQ(e.source(), u"Vellora2.CVellora") << e.what();
  }
  EXPECT_TRUE(Bytes(dir_ / "held.qxv") == before);
  EXPECT_EQ(saver.DocTitle(), u"the saver's work");  // still open, still the saver's

  ASSERT_EQ(::write(go[1], &c, 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(holder, &status, 0), holder);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  for (const int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
  platform_->message_box_answers = {mb::kNo};
  ASSERT_TRUE(saver.OpenFile(path));
  EXPECT_EQ(saver.DocTitle(), u"the holder's work");
}

// Whoever holds the target keeps it: a document of another thread of this
// process, another program's record lock on any byte, another program's
// flock. Nobody holding it, it is replaced.
TEST_F(DocumentTest, SaveToPathLeavesEveryHeldFileAlone) {
  const std::u16string path = Path("target.qxv");
  {
    CVellora doc;
    doc.NewFile();
    doc.DocTitle(u"first");
    doc.SaveToPath(path);
    doc.CloseFile();
  }
  const std::string before = Bytes(dir_ / "target.qxv");
  CVellora saver;
  saver.NewFile();
  saver.DocTitle(u"second");
  const auto save = [&] { return ErrorOf([&] { saver.SaveToPath(path); }); };

  std::promise<void> opened;
  std::promise<void> done;
  std::thread other([&] {
    CVellora doc;
    doc.OpenFileReadOnly(path);
    opened.set_value();
    done.get_future().wait();
  });
  opened.get_future().wait();
  EXPECT_EQ(save(), rt::kPathFileAccessError);
  done.set_value();
  other.join();
  {
    testing::ForeignLock lock(ToUtf8(path), F_RDLCK, 100, 1);
    ASSERT_TRUE(lock.locked());
    EXPECT_EQ(save(), rt::kPathFileAccessError);
  }
  {
    const int fd = ::open(ToUtf8(path).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    EXPECT_EQ(save(), rt::kPathFileAccessError);
    ::close(fd);
  }
  EXPECT_TRUE(Bytes(dir_ / "target.qxv") == before);
  EXPECT_EQ(save(), 0);
  EXPECT_EQ(saver.strFilePath(), path);
  EXPECT_FALSE(Bytes(dir_ / "target.qxv") == before);
}

// A stream the host has loaded and written goes with the document when it is
// saved under a new path, and stays loaded, where it was, in the new file.
TEST_F(DocumentTest, SavingUnderANewPathKeepsTheLoadedStream) {
  CVellora doc;
  doc.NewFile();
  auto files = doc.GetCFilesIO();
  files->Load(u"Settings\\notes");
  files->PutLine(u"text");
  doc.SaveToPath(Path("first.qxv"));
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(files->SeekInFile(), 6);
  files->PutLine(u"more");
  Choose(Path("second.qxv"));
  doc.SaveAsFile();
  EXPECT_EQ(files->GetLineByNum(2), u"more");

  // SaveFile of a new document goes the same way, for a stream in the root too.
  doc.NewFile();
  files->Load(u"top");
  files->PutLine(u"at the root");
  Choose(Path("third.qxv"));
  doc.SaveFile();
  files->PutLine(u"after");
  platform_->message_box_answers = {mb::kNo};
  doc.CloseFile();

  const auto lines = [&](const char* file, const char16_t* element) {
    EXPECT_TRUE(doc.OpenFile(Path(file)));
    EXPECT_TRUE(files->Load(element));
    std::vector<std::u16string> out;
    while (!files->EOFStream()) out.push_back(files->GetLine());
    doc.CloseFile();
    return out;
  };
  EXPECT_EQ(lines("first.qxv", u"Settings\\notes"), std::vector<std::u16string>{u"text"});
  EXPECT_EQ(lines("second.qxv", u"Settings\\notes"), (std::vector<std::u16string>{u"text", u"more"}));
  EXPECT_EQ(lines("third.qxv", u"top"), std::vector<std::u16string>{u"at the root"});
}

// Revert never leaves edits behind a clean flag. A never-saved document goes
// back to what NewFile made; a document with a file to its last save, the
// loaded stream's changes included.
TEST_F(DocumentTest, RevertLeavesNoEditBehindACleanFlag) {
  CVellora doc;
  doc.NewFile();
  const Date created = RequireRoot(u"test").Created();
  auto files = doc.GetCFilesIO();
  doc.DocTitle(u"edit");
  files->Load(u"Settings\\notes");
  files->PutLine(u"line");
  doc.Revert();
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(doc.DocTitle(), u"");
  EXPECT_EQ(files->EnumStreams(u"Settings"), Variant());
  EXPECT_NEAR(RequireRoot(u"test").Created().value, created.value, 1.0 / 86400);
  EXPECT_EQ(doc.DocEmail(), u"");
  EXPECT_EQ(ErrorOf([&] { files->GetLine(); }), ionotloaded);

  doc.SaveToPath(Path("reverted.qxv"));
  files->Load(u"Settings\\notes");
  files->PutLine(u"saved");
  doc.SaveFile();
  files->Load(u"Settings\\notes");
  files->PutLine(u"dropped");
  doc.Revert();
  EXPECT_FALSE(doc.Dirty());
  doc.SaveFile();
  files->Load(u"Settings\\notes");
  EXPECT_EQ(files->GetNumLines(), 1);
  EXPECT_EQ(files->GetLineByNum(1), u"saved");
}

// A read-only document refuses each change when it is asked for, with a
// clear error, and stays clean: nothing waits to fail at the close prompt.
TEST_F(DocumentTest, AReadOnlyDocumentRefusesEveryChangeAtOnce) {
  CVellora doc;
  EXPECT_FALSE(doc.blnDocumentOpen());
  doc.NewFile();
  EXPECT_TRUE(doc.blnDocumentOpen());
  EXPECT_FALSE(doc.blnReadOnly());
  auto files = doc.GetCFilesIO();
  files->Load(u"Settings\\notes");
  files->PutLine(u"kept");
  doc.SaveToPath(Path("ro.qxv"));
  doc.CloseFile();
  std::ofstream(dir_ / "in.txt") << "disk";
  const std::u16string in = Path("in.txt");
  const std::string bmp = std::string("BM") + std::string("\x26\0\0\0\0\0\0\0\x1a\0\0\0\x0c\0\0\0", 16) +
                          std::string("\x01\0\x01\0\x01\0\x18\0", 8) + std::string(12, '\1');
  const auto picture = Picture::FromBytes(bmp);

  ASSERT_TRUE(doc.OpenFileReadOnly(Path("ro.qxv")));
  EXPECT_TRUE(doc.blnReadOnly());
  EXPECT_TRUE(files->Load(u"Settings\\notes"));
  EXPECT_EQ(files->GetLine(), u"kept");
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"Import", [&] { files->Import(in, u"Settings\\in"); }},
      {"PutLine", [&] { files->PutLine(u"x"); }},
      {"PutInFile", [&] { files->PutInFile(Variant(u"x")); }},
      {"Clear", [&] { files->Clear(); }},
      {"Delete", [&] { files->Delete(u"Settings\\notes"); }},
      {"Rename", [&] { files->Rename(u"Settings\\notes", u"other"); }},
      {"StoreFile", [&] { doc.GetCImagesIO()->StoreFile(in, u"pic"); }},
      {"help Import", [&] { doc.GetCHelpIO()->Import(in); }},
      {"DocTitle", [&] { doc.DocTitle(u"t"); }},
      {"DocCompany", [&] { doc.DocCompany(u"c"); }},
      {"DocEmail", [&] { doc.DocEmail(u"e"); }},
      {"Dirty", [&] { doc.Dirty(true); }},
      {"SaveFile", [&] { doc.SaveFile(); }},
  };
  for (const auto& [name, change] : changes) {
    try {
      change();
      ADD_FAILURE() << name << " was accepted";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), STG_E_ACCESSDENIED) << name;
      EXPECT_EQ(e.description(), u"the document was opened read-only") << name;
    }
  }
  // The picture and help members that never raise change nothing either, nor
  // does the application's identity.
  doc.GetCImagesIO()->Store(*picture, u"pic");
  doc.GetCImagesIO()->Rename(u"pic", u"other");
  doc.GetCHelpIO()->Remove();
  doc.AppName(u"Another");
  EXPECT_EQ(doc.GetCImagesIO()->EnumStreams(), Variant());
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(files->GetLineByNum(1), u"kept");
  // Load may still look for a stream that is not there (it answers False);
  // the empty stream it makes lives only in the copy that is never saved.
  EXPECT_FALSE(files->Load(u"Settings\\new"));
  EXPECT_FALSE(doc.Dirty());
  doc.CloseFile();
  EXPECT_TRUE(platform_->message_boxes.empty());
  EXPECT_FALSE(doc.blnDocumentOpen());
  EXPECT_FALSE(doc.blnReadOnly());

  // A copy saved elsewhere is an ordinary document.
  ASSERT_TRUE(doc.OpenFileReadOnly(Path("ro.qxv")));
  doc.SaveToPath(Path("copy.qxv"));
  EXPECT_FALSE(doc.blnReadOnly());
  doc.DocTitle(u"writable");
  doc.SaveFile();
}

// ioCancel from every way a save can be cancelled carries the class's source.
TEST_F(DocumentTest, ACancelledSaveSaysWhereItCameFrom) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"t");
  const auto source_of = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), ioCancel);
      return e.source();
    }
    ADD_FAILURE() << "not cancelled";
    return std::u16string();
  };
  EXPECT_EQ(source_of([&] { doc.SaveAsFile(); }), u"Vellora2.CVellora");
  EXPECT_EQ(source_of([&] { doc.SaveFile(); }), u"Vellora2.CVellora");
  platform_->message_box_answers = {mb::kYes};
  EXPECT_EQ(source_of([&] { doc.CloseFile(); }), u"Vellora2.CVellora");
  platform_->message_box_answers = {mb::kCancel};
  EXPECT_EQ(source_of([&] { doc.CloseFile(); }), u"Vellora2.CVellora");
  platform_->message_box_answers = {mb::kNo};
  doc.CloseFile();
}

// Dirty asks, and sets, the element objects in turn: one that is nothing is
// error 91 where it comes, after the ones before it were set.
TEST(DocumentObject, DirtyMeetsAMissingElementObjectInItsTurn) {
  CVellora doc;
  doc.GetCFilesIO()->Dirty(true);
  doc.SetCImagesIO(nullptr);
  EXPECT_EQ(ErrorOf([&] { (void)doc.Dirty(); }), rt::kObjectNotSet);
  doc.GetCFilesIO()->Dirty(false);
  EXPECT_EQ(ErrorOf([&] { doc.Dirty(true); }), rt::kObjectNotSet);
  EXPECT_TRUE(doc.GetCFilesIO()->Dirty());
  EXPECT_TRUE(doc.GetCHelpIO()->Dirty());
  EXPECT_FALSE(doc.GetCObjectsIO()->Dirty());
  doc.SetCImagesIO(std::make_shared<CImagesIO>());
  doc.Dirty(false);
  EXPECT_FALSE(doc.Dirty());
}

// Compound files written by other programs: no user-defined properties at
// all, or "AppVersion" spelled in another case and in another place.
TEST_F(DocumentTest, UserPropertiesOfFilesMadeElsewhere) {
  {
    StorageEngine engine;
    engine.CreateStorageFile(Path("bare.qxv"), STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE)
        .Commit();
    Storage other = engine.CreateStorageFile(Path("other.qxv"),
                                             STGM_TRANSACTED | STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE);
    other.AddUserProperty(u"Email", Variant(u"e"));
    other.AddUserProperty(u"Note", Variant(u"n"));
    other.AddUserProperty(u"appversion", Variant(u"3.1"));
    other.WriteUserProperties();
    other.Commit();
  }
  CVellora doc;
  doc.AppVersion(u"9.9");
  ASSERT_TRUE(doc.OpenFile(Path("bare.qxv")));
  EXPECT_EQ(doc.DocPhoneNum(), u"");
  doc.DocPhoneNum(u"555");
  doc.DocEmail(u"me@example.org");
  doc.SaveFile();
  doc.CloseFile();
  ASSERT_TRUE(doc.OpenFile(Path("bare.qxv")));
  EXPECT_EQ(doc.DocPhoneNum(), u"555");
  EXPECT_EQ(doc.DocEmail(), u"me@example.org");
  EXPECT_EQ(doc.DocWebPage(), u"");
  EXPECT_EQ(RequireRoot(u"test").UserPropertyName(0), u"AppVersion");
  EXPECT_EQ(doc.AppVersion(), u"9.9");
  doc.CloseFile();

  ASSERT_TRUE(doc.OpenFile(Path("other.qxv")));
  EXPECT_EQ(doc.AppVersion(), u"3.1");
  doc.AppVersion(u"4.0");
  doc.SaveFile();
  doc.CloseFile();
  ASSERT_TRUE(doc.OpenFile(Path("other.qxv")));
  EXPECT_EQ(doc.AppVersion(), u"4.0");
  Storage& root = RequireRoot(u"test");
  EXPECT_EQ(root.UserPropertyCount(), 3);
  EXPECT_EQ(root.UserPropertyValue(2).ToString(), u"4.0");
}

}  // namespace
}  // namespace vellora2
