#include "forms/frm_properties.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "document/thread_state.hpp"
#include "forms/scripted_form_display.hpp"
#include "platform/scripted_platform.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/compound/clock.hpp"
#include "vellora2/document/cvellora.hpp"
#include "vellora2/forms/properties_text.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;
using forms::ScriptedFormDisplay;

// 2009-03-05 17:34 UTC, a Thursday afternoon.
class FixedClock : public compound::Clock {
 public:
  uint64_t Now() const override { return FileTimeFromDate(*DateFromParts({2009, 3, 5, 17, 34, 0})); }
};
constexpr const char16_t* kStamp = u"Thursday, March 5, 2009 05:34 PM";

class PropertiesFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    char pattern[] = "/tmp/vellora2-forms-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    old_platform_ = SetCurrentPlatform(platform_);
    old_display_ = forms::SetCurrentFormDisplay(display_);
  }
  void TearDown() override {
    if (frmProperties* form = LoadedPropertiesForm()) form->Unload();
    forms::SetCurrentFormDisplay(old_display_);
    SetCurrentPlatform(old_platform_);
    ::unsetenv("LC_ALL");
    fs::remove_all(dir_);
  }

  // A document with a summary, saved as <dir>/sub/Report.qxv and open.
  std::u16string SaveReport(CVellora& doc) {
    fs::create_directories(dir_ / "sub");
    std::u16string path = FromUtf8((dir_ / "sub" / "Report.qxv").string());
    EXPECT_TRUE(doc.NewFile());
    doc.DocTitle(u"Plans");
    doc.DocAuthor(u"Ada");
    doc.DocCompany(u"Acme");
    doc.DocEmail(u"ada@example.org");
    doc.DocComments(u"line one\nline two");
    EXPECT_TRUE(doc.SaveToPath(path).IsEmpty());
    return path;
  }

  PropertiesControls Shown() const { return LoadedPropertiesForm()->Controls(); }

  FixedClock fixed_clock_;
  compound::ScopedClock clock_{fixed_clock_};
  fs::path dir_;
  std::shared_ptr<ScriptedPlatform> platform_ = std::make_shared<ScriptedPlatform>();
  std::shared_ptr<ScriptedFormDisplay> display_ = std::make_shared<ScriptedFormDisplay>();
  std::shared_ptr<Platform> old_platform_;
  std::shared_ptr<forms::FormDisplay> old_display_;
};

TEST_F(PropertiesFormTest, NewDocumentShowsItsTimesAndNoFileFacts) {
  CVellora doc;
  ASSERT_TRUE(doc.NewFile());
  doc.DocTitle(u"Draft");
  doc.DocPhoneNum(u"555-0100");
  doc.EditProperties();

  ASSERT_EQ(display_->windows.size(), 1u);
  EXPECT_EQ(display_->windows[0]->shows, std::vector<bool>{false}) << "no parent window: modeless";
  const PropertiesControls c = Shown();
  EXPECT_EQ(c.txtTitle, u"Draft");
  EXPECT_EQ(c.txtPhoneNum, u"555-0100");
  EXPECT_EQ(c.txtAuthor, u"");
  EXPECT_EQ(c.lblDCreated, kStamp);
  EXPECT_FALSE(c.lblCreated.empty());
  EXPECT_FALSE(c.lblModified.empty());
  EXPECT_FALSE(c.lblAccessed.empty());
  // Never printed: the zero date shows as nothing on both tabs.
  EXPECT_EQ(c.lblPrinted, u"");
  EXPECT_EQ(c.lblDPrinted, u"");
  EXPECT_EQ(c.lblEditTime, u"0");
  for (const std::u16string* fact : {&c.lblFileTitle, &c.lblType, &c.lblLocation, &c.lblSize}) {
    EXPECT_EQ(*fact, u"");
  }
  EXPECT_FALSE(c.chkReadOnly || c.chkHidden || c.chkArchive || c.chkSystem);
  EXPECT_TRUE(platform_->message_boxes.empty());

  LoadedPropertiesForm()->cmdCancel_Click();
  EXPECT_EQ(LoadedPropertiesForm(), nullptr);
  EXPECT_TRUE(display_->windows[0]->closed);
}

TEST_F(PropertiesFormTest, OpenedFileShowsItsFactsInTheModalForm) {
  const std::u16string path = [&] {
    CVellora writer;
    return SaveReport(writer);
  }();
  CVellora doc;
  ASSERT_TRUE(doc.OpenFile(path));
  doc.DialogBoxParentHwnd(7);

  PropertiesControls seen;
  display_->actions.push_back([&](frmProperties& form) {
    seen = form.Controls();
    form.cmdCancel_Click();
  });
  doc.EditProperties();

  ASSERT_EQ(display_->windows.size(), 1u);
  EXPECT_EQ(display_->windows[0]->shows, std::vector<bool>{true}) << "a parent window: modal";
  EXPECT_EQ(LoadedPropertiesForm(), nullptr) << "the modal show returns once the form unloaded";
  EXPECT_EQ(seen.lblFileTitle, u"Report.qxv");
  EXPECT_EQ(seen.lblLocation, FromUtf8((dir_ / "sub").string())) << "no trailing separator";
  EXPECT_EQ(seen.lblType, u"QXV File");
  const auto length = fs::file_size(ToUtf8(path));
  ASSERT_GE(length, 1000u);
  ASSERT_LT(length, 1000000u);
  const std::string digits = std::to_string(length);
  const std::string grouped = digits.substr(0, digits.size() - 3) + "," + digits.substr(digits.size() - 3);
  EXPECT_EQ(seen.lblSize, FromUtf8(grouped + " bytes"));
  EXPECT_TRUE(seen.chkArchive) << "a plain file";
  EXPECT_FALSE(seen.chkHidden);
  EXPECT_FALSE(seen.chkSystem);
  EXPECT_EQ(seen.txtTitle, u"Plans");
  EXPECT_EQ(seen.txtCompany, u"Acme");
  EXPECT_EQ(seen.txtEmail, u"ada@example.org");
  EXPECT_EQ(seen.txtComments, u"line one\nline two");
  EXPECT_EQ(seen.lblDCreated, kStamp);
  EXPECT_EQ(seen.lblDSaved, kStamp);
  EXPECT_EQ(seen.lblRevNum, u"1");
  EXPECT_EQ(seen.lblApplication, doc.AppName());

  // The tool's text shows the same values, tab by tab.
  const std::u16string text = PropertiesText(doc);
  for (const std::u16string& line : std::vector<std::u16string>{u"General\n", u"  Type: QXV File\n", u"  Title: Plans\n",
                                     u"  Last Saved: " + std::u16string(kStamp) + u"\n", u"  Revision Number: 1\n"}) {
    EXPECT_NE(text.find(line), std::u16string::npos) << ToUtf8(line);
  }
  EXPECT_TRUE(platform_->message_boxes.empty());

  // A dot file is a hidden one; the name and type come from strFileName.
  const fs::path hidden = dir_ / ".Backup.QXV";
  fs::copy_file(ToUtf8(path), hidden);
  doc.strFileName(u".Backup.QXV");
  doc.strFilePath(FromUtf8(hidden.string()));
  display_->actions.push_back([&](frmProperties& form) {
    seen = form.Controls();
    form.cmdCancel_Click();
  });
  doc.EditProperties();
  EXPECT_EQ(seen.lblFileTitle, u".Backup.QXV");
  EXPECT_EQ(seen.lblLocation, FromUtf8(dir_.string()));
  EXPECT_EQ(seen.lblType, u"QXV File");
  EXPECT_TRUE(seen.chkHidden);
  EXPECT_TRUE(seen.chkArchive);
}

TEST_F(PropertiesFormTest, OkWritesWhatChangedAndCancelWritesNothing) {
  CVellora doc;
  SaveReport(doc);
  doc.DialogBoxParentHwnd(1);
  ASSERT_FALSE(doc.Dirty());

  // OK with nothing changed leaves the document clean.
  display_->actions.push_back([](frmProperties& form) { form.cmdOK_Click(); });
  doc.EditProperties();
  EXPECT_FALSE(doc.Dirty());

  // Cancel drops the typing.
  display_->actions.push_back([](frmProperties& form) {
    form.Controls().txtAuthor = u"Bob";
    form.cmdCancel_Click();
  });
  doc.EditProperties();
  EXPECT_FALSE(doc.Dirty());
  EXPECT_EQ(doc.DocAuthor(), u"Ada");

  // OK writes each field back through the document object: one change, one dirty document.
  display_->actions.push_back([](frmProperties& form) {
    form.Controls().txtAuthor = u"Bob";
    form.Controls().txtWebPage = u"https://example.org";
    form.cmdOK_Click();
  });
  doc.EditProperties();
  EXPECT_TRUE(doc.Dirty());
  EXPECT_EQ(doc.DocAuthor(), u"Bob");
  EXPECT_EQ(doc.DocWebPage(), u"https://example.org");
  EXPECT_EQ(doc.DocTitle(), u"Plans");
  EXPECT_EQ(doc.DocCompany(), u"Acme");
  EXPECT_EQ(doc.DocComments(), u"line one\nline two");
  EXPECT_EQ(display_->windows.size(), 3u) << "every EditProperties after an unload loads the form anew";
}

TEST_F(PropertiesFormTest, ResetTimeTakesEffectAtOnceWithoutDirtying) {
  CVellora doc;
  SaveReport(doc);
  Storage& root = RequireRoot(u"test");
  root.EditTime(123456);
  root.WriteSummaryInfo();
  doc.DialogBoxParentHwnd(1);

  std::u16string before, after;
  display_->actions.push_back([&](frmProperties& form) {
    before = form.Controls().lblEditTime;
    form.cmdResetTime_Click();
    after = form.Controls().lblEditTime;
    form.cmdCancel_Click();
  });
  doc.EditProperties();
  EXPECT_EQ(before, u"123456");
  EXPECT_EQ(after, u"0");
  EXPECT_GE(display_->windows[0]->refreshes, 2) << "the window shows the 0 at once";
  ASSERT_TRUE(root.ReadSummaryInfo());
  EXPECT_EQ(root.EditTime(), 0) << "written into the document although the form was cancelled";
  EXPECT_FALSE(doc.Dirty());
}

TEST_F(PropertiesFormTest, WithoutADocumentTheFormSaysSoAndStillOpens) {
  CVellora doc;
  doc.EditProperties();
  ASSERT_EQ(platform_->message_boxes.size(), 1u);
  EXPECT_EQ(platform_->message_boxes[0].prompt, u"No File Loaded.");
  EXPECT_EQ(platform_->message_boxes[0].title, u"Can't show properties");
  EXPECT_EQ(platform_->message_boxes[0].style, mb::kExclamation);
  ASSERT_EQ(display_->windows.size(), 1u);
  EXPECT_EQ(display_->windows[0]->shows.size(), 1u);
  const PropertiesControls c = Shown();
  EXPECT_EQ(c.lblCreated, u"");
  EXPECT_EQ(c.lblEditTime, u"");
  EXPECT_EQ(c.txtTitle, u"");

  // Reset Time reports its failure instead of hiding it.
  try {
    LoadedPropertiesForm()->cmdResetTime_Click();
    ADD_FAILURE() << "Reset Time without a document succeeded";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), rt::kObjectNotSet);
  }
  LoadedPropertiesForm()->cmdOK_Click();  // nothing to write, and no error
  EXPECT_EQ(LoadedPropertiesForm(), nullptr);
}

TEST_F(PropertiesFormTest, ShowingTheModelessFormAgainRefillsOnlyTheDocumentFields) {
  CVellora doc;
  SaveReport(doc);
  doc.EditProperties();
  frmProperties* form = LoadedPropertiesForm();
  ASSERT_NE(form, nullptr);
  form->Controls().txtTitle = u"unsaved typing";
  Storage& root = RequireRoot(u"test");
  root.RevisionNumber(u"42");
  root.WriteSummaryInfo();

  doc.EditProperties();
  EXPECT_EQ(LoadedPropertiesForm(), form);
  ASSERT_EQ(display_->windows.size(), 1u) << "no second load";
  EXPECT_EQ(display_->windows[0]->shows, (std::vector<bool>{false, false}));
  EXPECT_EQ(form->Controls().txtTitle, u"Plans");
  EXPECT_EQ(form->Controls().lblRevNum, u"1") << "the statistics keep their values";
  EXPECT_EQ(form->Controls().lblFileTitle, u"Report.qxv");
}

TEST_F(PropertiesFormTest, MissingFileAndMissingScreenAreNotErrors) {
  CVellora doc;
  const std::u16string path = SaveReport(doc);
  ASSERT_TRUE(fs::remove(ToUtf8(path)));
  doc.EditProperties();
  PropertiesControls c = Shown();
  EXPECT_EQ(c.lblFileTitle, u"Report.qxv");
  EXPECT_EQ(c.lblSize, u"");
  EXPECT_FALSE(c.chkReadOnly || c.chkHidden || c.chkArchive || c.chkSystem);
  EXPECT_EQ(c.txtTitle, u"Plans");
  LoadedPropertiesForm()->cmdCancel_Click();

  display_->has_screen = false;
  testing::internal::CaptureStderr();
  doc.EditProperties();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("no display"), std::string::npos) << said;
  EXPECT_EQ(LoadedPropertiesForm(), nullptr) << "a form that cannot be shown does not stay loaded";
  EXPECT_FALSE(CanShowPropertiesWindow());
  display_->has_screen = true;
  EXPECT_TRUE(CanShowPropertiesWindow());
}

}  // namespace
}  // namespace vellora2
