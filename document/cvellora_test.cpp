#include "vellora2/document/cvellora.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "document/thread_state.hpp"
#include "platform/scripted_platform.hpp"
#include "util/utility_test_support.hpp"
#include "vellora2/automation/text.hpp"
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
  Storage& root = RequireRoot();
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
  EXPECT_EQ(RequireRoot().RevisionNumber(), u"1");
}

TEST_F(DocumentTest, PropertyChangesMarkDirtyOnlyWhenTheyDiffer) {
  CVellora doc;
  doc.NewFile();
  doc.DocTitle(u"");
  EXPECT_FALSE(doc.Dirty());
  doc.DocCompany(u"Acme");
  EXPECT_TRUE(doc.Dirty());
  EXPECT_EQ(doc.DocCompany(), u"Acme");
  EXPECT_EQ(RequireRoot().Title(), u"");
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
  doc.DocTitle(u"changed");
  EXPECT_NE(ErrorOf([&] { doc.SaveFile(); }), 0);
  platform_->message_box_answers = {mb::kNo};
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
  EXPECT_EQ(RequireRoot().RevisionNumber(), u"1");
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
  // Destroying any CVellora closes the thread's document without saving.
  EXPECT_EQ(ErrorOf([&] { first->DocTitle(); }), rt::kObjectNotSet);
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
  RequireRoot().ReadSummaryInfo();
  EXPECT_EQ(doc.DocTitle(), u"kept");
  // The busy pointer is back where the host had it.
  EXPECT_EQ(platform_->pointer, kPointerDefault);
  EXPECT_NE(std::find(platform_->pointer_changes.begin(), platform_->pointer_changes.end(), kPointerArrowHourglass),
            platform_->pointer_changes.end());
}

}  // namespace
}  // namespace vellora2
