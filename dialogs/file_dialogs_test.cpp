#include <array>
#include <string>

#include "dialogs/dialog_test_support.hpp"
#include "platform/dialog_results.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

using namespace std::string_literals;
using FileTest = ScriptedDialogTest;

// An answer that chooses `paths` with filter `index`, as a user would.
ScriptedPlatform::Answer<OpenFileNameRecord> Choose(const std::vector<std::u16string>& paths, uint32_t index = 1) {
  return [paths, index](OpenFileNameRecord& record) {
    record.nFilterIndex = index;
    return dialog::StoreChosenFiles(record, paths) == 0;
  };
}

TEST_F(FileTest, OpenSendsTheConvertedFilterBuffersAndFlags) {
  GCommonDialog dialog;
  platform_->pointer = 7;
  std::u16string name = u"start.qxv";
  int32_t flags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE | OFN_NOCHANGEDIR;
  dialog.VBGetOpenFileName(name, std::u16string(), true, true, true, true, u"Projects (*.qxv):*.qxv|All: *.*", 2,
                           u"/srv", u"Open Project", u"qxv", -1, flags);

  ASSERT_EQ(platform_->open_file_dialogs.size(), 1u);
  const OpenFileNameRecord& sent = platform_->open_file_dialogs[0];
  EXPECT_EQ(sent.lStructSize, 76u);
  EXPECT_EQ(sent.hwndOwner, 0);
  EXPECT_EQ(sent.lpstrFilter, u"Projects (*.qxv)\0*.qxv\0All\0 *.*\0\0"s);
  EXPECT_EQ(sent.nFilterIndex, 2u);
  EXPECT_EQ(sent.lpstrFile, u"start.qxv" + std::u16string(251, u'\0'));
  EXPECT_EQ(sent.nMaxFile, 260u);
  EXPECT_EQ(sent.lpstrFileTitle, std::u16string(260, u'\0'));
  EXPECT_EQ(sent.lpstrInitialDir, u"/srv");
  EXPECT_EQ(sent.lpstrTitle, u"Open Project");
  EXPECT_EQ(sent.lpstrDefExt, u"qxv");
  // Hook and template are dropped; the template handle and everything else pass.
  EXPECT_EQ(sent.Flags, static_cast<uint32_t>(OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_READONLY |
                                              OFN_HIDEREADONLY | OFN_ENABLETEMPLATEHANDLE | OFN_NOCHANGEDIR));
  // Default pointer during the dialog, the host's own afterwards.
  EXPECT_EQ(platform_->pointer_changes, (std::vector<int16_t>{kPointerDefault, 7}));

  // The defaults: one pair whose pattern keeps its leading blank, "|" and ":" alike.
  std::u16string other;
  dialog.VBGetOpenFileName(other);
  EXPECT_EQ(platform_->open_file_dialogs[1].lpstrFilter, u"All (*.*)\0 *.*\0\0"s);
  EXPECT_EQ(platform_->open_file_dialogs[1].Flags, static_cast<uint32_t>(OFN_FILEMUSTEXIST));
  EXPECT_EQ(platform_->open_file_dialogs[1].nFilterIndex, 1u);
  dialog.VBGetOpenFileName(other, std::u16string(), false, false, false, false, u"All (*.*): *.*");
  EXPECT_EQ(platform_->open_file_dialogs[2].lpstrFilter, platform_->open_file_dialogs[1].lpstrFilter);
  EXPECT_EQ(platform_->open_file_dialogs[2].Flags, 0u);
}

TEST_F(FileTest, OpenCopiesTheResultsBack) {
  GCommonDialog dialog;
  platform_->file_answers.push_back([](OpenFileNameRecord& record) {
    record.Flags |= OFN_READONLY;
    record.nFilterIndex = 2;
    return dialog::StoreChosenFiles(record, {u"/home/ann/report.txt"}) == 0;
  });
  std::u16string name, title = u"old";
  std::u16string filter = u"Projects|*.qxv|Text files|*.txt;*.log";
  int32_t index = 1, flags = 0;
  bool read_only = false;
  EXPECT_TRUE(dialog.VBGetOpenFileName(name, title, true, false, read_only, false, filter, index, u"", u"", u"", -1,
                                       flags));
  EXPECT_EQ(name, u"/home/ann/report.txt");
  EXPECT_EQ(title, u"report.txt");
  EXPECT_EQ(index, 2);
  EXPECT_EQ(filter, u"Text files\0*.txt;*.log"s);
  EXPECT_TRUE(read_only);
  EXPECT_EQ(flags, OFN_FILEMUSTEXIST | OFN_READONLY);

  // Without OFN_READONLY coming back, ReadOnly keeps the caller's value; the
  // default filter comes back as its one pair.
  platform_->file_answers.push_back(Choose({u"/tmp/a.qxv"}));
  read_only = true;
  filter = u"All (*.*)| *.*";
  EXPECT_TRUE(dialog.VBGetOpenFileName(name, title, true, false, read_only, true, filter, index));
  EXPECT_TRUE(read_only);
  EXPECT_EQ(filter, u"All (*.*)\0 *.*"s);
  EXPECT_EQ(index, 1);

  // An index with no pair behind it gives an empty filter.
  platform_->file_answers.push_back(Choose({u"/tmp/a.qxv"}, 3));
  EXPECT_TRUE(dialog.VBGetOpenFileName(name, title, true, false, read_only, true, filter, index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(filter, u"");
}

TEST_F(FileTest, MultiSelectGivesTheFolderAndTheNames) {
  GCommonDialog dialog;
  platform_->file_answers.push_back(Choose({u"/data/one.txt", u"/data/two.txt"}));
  platform_->file_answers.push_back(Choose({u"/data/one.txt", u"/data/two.txt"}));
  std::u16string name, title;
  EXPECT_TRUE(dialog.VBGetOpenFileName(name, title, true, true));
  EXPECT_EQ(name, u"/data one.txt two.txt");
  EXPECT_EQ(title, u"one.txt");
  // In the explorer style the names are NUL-separated, so FileName ends at the folder.
  int32_t flags = OFN_EXPLORER;
  EXPECT_TRUE(dialog.VBGetOpenFileName(name, title, true, true, false, false, u"All|*.*", 1, u"", u"", u"", -1, flags));
  EXPECT_EQ(name, u"/data");
}

TEST_F(FileTest, CancelAndFailureResetTheArguments) {
  GCommonDialog dialog;
  std::u16string name = u"a", title = u"b", filter = u"All|*.*";
  int32_t index = 1, flags = OFN_NOCHANGEDIR;
  EXPECT_FALSE(dialog.VBGetOpenFileName(name, title, true, false, false, false, filter, index, u"", u"", u"", -1, flags));
  EXPECT_EQ((std::array{name, title, filter}), (std::array<std::u16string, 3>{}));
  EXPECT_EQ((std::array{index, flags}), (std::array{-1, 0}));

  // A failing dialog looks the same to the caller; its code is the platform's to tell.
  platform_->file_answers.push_back([p = platform_.get()](OpenFileNameRecord&) {
    p->dialog_error = FNERR_BUFFERTOOSMALL;
    return false;
  });
  name = u"a", title = u"b", filter = u"All|*.*", index = 1, flags = OFN_NOCHANGEDIR;
  EXPECT_FALSE(dialog.VBGetSaveFileName(name, title, true, filter, index, u"", u"", u"", -1, flags));
  EXPECT_EQ((std::array{name, title, filter}), (std::array<std::u16string, 3>{}));
  EXPECT_EQ((std::array{index, flags}), (std::array{0, 0}));
  EXPECT_EQ(platform_->CommDlgExtendedError(), static_cast<uint32_t>(FNERR_BUFFERTOOSMALL));
}

TEST_F(FileTest, SaveSendsItsOwnFlagsAndPointer) {
  GCommonDialog dialog;
  platform_->file_answers.push_back(Choose({u"/tmp/out.txt"}));
  std::u16string name = u"out";
  int32_t flags = OFN_ENABLEHOOK | OFN_CREATEPROMPT;
  EXPECT_TRUE(dialog.VBGetSaveFileName(name, std::u16string(), true, u"All|*.*", 1, u"", u"Save Project As", u"txt",
                                       12, flags));
  const OpenFileNameRecord& sent = platform_->save_file_dialogs.at(0);
  EXPECT_EQ(sent.Flags, static_cast<uint32_t>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_CREATEPROMPT));
  EXPECT_EQ(sent.hwndOwner, 12);
  EXPECT_EQ(name, u"/tmp/out.txt");
  EXPECT_EQ(platform_->pointer_changes, (std::vector<int16_t>{kPointerArrowHourglass, kPointerDefault}));

  std::u16string other;
  dialog.VBGetSaveFileName(other, std::u16string(), false);
  EXPECT_EQ(platform_->save_file_dialogs.at(1).Flags, static_cast<uint32_t>(OFN_HIDEREADONLY));
}

TEST_F(FileTest, OverlongBuffersRaiseBeforeAnyDialog) {
  GCommonDialog dialog;
  platform_->pointer = 3;
  std::u16string name(261, u'x');
  EXPECT_EQ(ErrorOf([&] { dialog.VBGetOpenFileName(name); }), rt::kInvalidCall);
  std::u16string fits(260, u'x'), title(261, u't');
  EXPECT_EQ(ErrorOf([&] { dialog.VBGetSaveFileName(fits, title); }), rt::kInvalidCall);
  EXPECT_TRUE(platform_->open_file_dialogs.empty());
  EXPECT_TRUE(platform_->save_file_dialogs.empty());
  EXPECT_EQ(platform_->pointer, 3);
}

TEST_F(FileTest, FileTitleIsTheNameOrNothing) {
  GCommonDialog dialog;
  EXPECT_EQ(dialog.VBGetFileTitle(u"/home/ann/report.txt"), u"report.txt");
  EXPECT_EQ(dialog.VBGetFileTitle(u"C:\\docs\\plan.qxv"), u"plan.qxv");
  EXPECT_EQ(dialog.VBGetFileTitle(u"notes"), u"notes");
  EXPECT_EQ(dialog.VBGetFileTitle(u"/home/ann/"), u"");
  EXPECT_EQ(dialog.VBGetFileTitle(u""), u"");
  EXPECT_EQ(dialog.VBGetFileTitle(u"/tmp/" + std::u16string(300, u'n')), u"");
}

}  // namespace
}  // namespace vellora2
