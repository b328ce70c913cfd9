#include <array>

#include "dialogs/dialog_test_support.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

using PrintTest = ScriptedDialogTest;
using PageSetupTest = ScriptedDialogTest;

DevModeRecord LandscapeA4(int16_t copies, int16_t collate) {
  DevModeRecord mode;
  mode.dmOrientation = 2;
  mode.dmPaperSize = 9;
  mode.dmPrintQuality = -3;
  mode.dmCopies = copies;
  mode.dmCollate = collate;
  return mode;
}

TEST_F(PrintTest, DefaultsReachTheDialogAndOkKeepsTheOpenRange) {
  GCommonDialog dialog;
  platform_->print_answers.push_back([](PrintDlgRecord& record) {
    record.hDC = 42;
    record.hDevMode = LandscapeA4(1, 0);
    return true;
  });
  int32_t dc = 0, from = 1, to = -1;
  EPrintRange range = eprAll;
  EXPECT_TRUE(dialog.VBPrintDlg(dc, range, false, from, to));
  const PrintDlgRecord& sent = platform_->print_dialogs.at(0);
  EXPECT_EQ(sent.lStructSize, 66u);
  EXPECT_EQ(sent.Flags, static_cast<uint32_t>(PD_DISABLEPRINTTOFILE | PD_HIDEPRINTTOFILE | PD_USEDEVMODECOPIES |
                                              PD_RETURNDC));
  EXPECT_EQ((std::array{sent.nFromPage, sent.nToPage, sent.nMinPage, sent.nMaxPage, sent.nCopies}),
            (std::array<uint16_t, 5>{1, 65535, 1, 65535, 0}));
  EXPECT_EQ(sent.hwndOwner, 0);
  EXPECT_EQ((std::array{dc, from, to}), (std::array{42, 1, -1}));
  EXPECT_EQ(range, eprAll);
}

TEST_F(PrintTest, ChoicesComeBackToArgumentsAndPrinter) {
  GCommonDialog dialog;
  platform_->print_answers.push_back([](PrintDlgRecord& record) {
    record.Flags = (record.Flags & ~PD_SELECTION) | PD_PAGENUMS | PD_PRINTTOFILE;
    record.nFromPage = 3;
    record.nToPage = 40000;  // beyond 32767: reads back negative, as a 16-bit field does
    record.hDC = 9;
    record.hDevMode = LandscapeA4(3, 1);
    return true;
  });
  DynamicObject printer;
  int32_t dc = 0, from = 1, to = 2;
  int16_t copies = 1;
  bool to_file = false, collate = false;
  EPrintRange range = eprSelection;
  EXPECT_TRUE(dialog.VBPrintDlg(dc, range, true, from, to, true, copies, true, false, to_file, collate, true, 5,
                                &printer, PD_ENABLEPRINTHOOK | PD_ENABLESETUPTEMPLATE | PD_NONETWORKBUTTON));
  EXPECT_EQ(platform_->print_dialogs.at(0).Flags,
            static_cast<uint32_t>(PD_NOPAGENUMS | PD_NOSELECTION | PD_NOWARNING | PD_USEDEVMODECOPIES |
                                  PD_RETURNDC | PD_SELECTION | PD_NONETWORKBUTTON));
  EXPECT_EQ(platform_->print_dialogs.at(0).hwndOwner, 5);
  EXPECT_EQ(dc, 9);
  EXPECT_EQ(range, eprPageNumbers);
  EXPECT_EQ(from, 3);
  EXPECT_EQ(to, 40000 - 65536);
  EXPECT_TRUE(to_file);
  EXPECT_EQ(copies, 3);
  EXPECT_TRUE(collate);
  EXPECT_EQ(printer.GetProperty(u"Copies").ToLong(), 3);
  EXPECT_EQ(printer.GetProperty(u"Orientation").ToLong(), eoLandscape);
  EXPECT_EQ(printer.GetProperty(u"PaperSize").ToLong(), epsA4);
  EXPECT_EQ(printer.GetProperty(u"PrintQuality").ToLong(), epqMedium);

  // A printer object that takes no properties does not fail the confirmed dialog.
  // This time the user goes back to all pages, on the printer.
  platform_->print_answers.push_back([](PrintDlgRecord& record) {
    record.Flags &= ~(PD_PAGENUMS | PD_PRINTTOFILE);
    record.hDevMode = LandscapeA4(2, 0);
    return true;
  });
  Object no_properties;
  EXPECT_TRUE(dialog.VBPrintDlg(dc, range, false, from, to, false, copies, false, true, to_file, collate, false, 0,
                                &no_properties));
  EXPECT_EQ(copies, 2);
  EXPECT_FALSE(collate);
  EXPECT_FALSE(to_file);
  EXPECT_EQ(range, eprAll);
}

TEST_F(PrintTest, CancelChangesNothingAndPagesMustFitSixteenBits) {
  GCommonDialog dialog;
  int32_t dc = 7, from = 2, to = 4;
  int16_t copies = 2;
  bool to_file = true, collate = true;
  EPrintRange range = eprPageNumbers;
  EXPECT_FALSE(dialog.VBPrintDlg(dc, range, false, from, to, false, copies, true, false, to_file, collate));
  EXPECT_EQ(platform_->print_dialogs.at(0).Flags & (PD_PAGENUMS | PD_PRINTTOFILE | PD_COLLATE),
            static_cast<uint32_t>(PD_PAGENUMS | PD_PRINTTOFILE | PD_COLLATE));
  EXPECT_EQ((std::array{dc, from, to, int32_t{copies}}), (std::array{7, 2, 4, 2}));
  EXPECT_EQ(range, eprPageNumbers);
  EXPECT_TRUE(to_file && collate);

  from = 32768;
  EXPECT_EQ(ErrorOf([&] { dialog.VBPrintDlg(dc, range, false, from, to); }), rt::kOverflow);
  from = 1, to = -32769;
  EXPECT_EQ(ErrorOf([&] { dialog.VBPrintDlg(dc, range, false, from, to); }), rt::kOverflow);
  EXPECT_EQ(platform_->print_dialogs.size(), 1u);
}

TEST_F(PageSetupTest, MarginsInUnitsAndBackWithTiesToEven) {
  GCommonDialog dialog;
  platform_->page_setup_answers.push_back([](PageSetupDlgRecord& record) {
    record.rtMargin = {2549, 2650, 2550, 1000};
    record.rtMinMargin = {50, 149, 150, 250};
    record.hDevMode = LandscapeA4(4, 0);
    return true;
  });
  DynamicObject printer;
  int32_t left = 25, right = 20, top = 30, bottom = 10, min_left = 1, min_right = 2, min_top = 3, min_bottom = 4;
  EPaperSize paper = epsLetter;
  EOrientation orientation = eoPortrait;
  EPrintQuality quality = epqDraft;
  EXPECT_TRUE(dialog.VBPageSetupDlg(0, false, true, false, true, left, min_left, right, min_right, top, min_top, bottom,
                                    min_bottom, paper, orientation, quality, epsuMillimeters, &printer,
                                    PSD_ENABLEPAGESETUPHOOK | PSD_ENABLEPAGESETUPTEMPLATE | PSD_NOWARNING));
  const PageSetupDlgRecord& sent = platform_->page_setup_dialogs.at(0);
  EXPECT_EQ(sent.lStructSize, 84u);
  EXPECT_EQ(sent.Flags, static_cast<uint32_t>(PSD_DISABLEORIENTATION | PSD_DISABLEPRINTER | PSD_MARGINS |
                                              PSD_MINMARGINS | PSD_INHUNDREDTHSOFMILLIMETERS | PSD_NOWARNING));
  EXPECT_EQ((std::array{sent.rtMargin.left, sent.rtMargin.top, sent.rtMargin.right, sent.rtMargin.bottom}),
            (std::array{2500, 3000, 2000, 1000}));
  EXPECT_EQ((std::array{sent.rtMinMargin.left, sent.rtMinMargin.bottom}), (std::array{100, 400}));
  // 25.49, 26.5 and 25.5 to even, 10; 0.5 to even, 1.49, 1.5 and 2.5 to even.
  EXPECT_EQ((std::array{left, top, right, bottom}), (std::array{25, 26, 26, 10}));
  EXPECT_EQ((std::array{min_left, min_top, min_right, min_bottom}), (std::array{0, 1, 2, 2}));
  EXPECT_EQ(paper, epsA4);
  EXPECT_EQ(orientation, eoLandscape);
  EXPECT_EQ(quality, epqMedium);
  EXPECT_EQ(printer.GetProperty(u"Copies").ToLong(), 4);
  EXPECT_EQ(printer.GetProperty(u"PaperSize").ToLong(), epsA4);
}

TEST_F(PageSetupTest, InchesCancelAndOverflow) {
  GCommonDialog dialog;
  int32_t left = 1, top = 2;
  EPaperSize paper = epsLegal;
  EXPECT_FALSE(dialog.VBPageSetupDlg(0, true, false, true, false, left, 0, 0, 0, top, 0, 0, 0, paper));
  const PageSetupDlgRecord& sent = platform_->page_setup_dialogs.at(0);
  EXPECT_EQ(sent.Flags, static_cast<uint32_t>(PSD_DISABLEMARGINS | PSD_DISABLEPAPER | PSD_MARGINS | PSD_MINMARGINS |
                                              PSD_INTHOUSANDTHSOFINCHES));
  EXPECT_EQ((std::array{sent.rtMargin.left, sent.rtMargin.top, left, top}), (std::array{1000, 2000, 1, 2}));
  EXPECT_EQ(paper, epsLegal);

  // 2147484 inches are more thousandths than 32 bits hold; as millimetres they fit.
  int32_t huge = 2147484;
  EXPECT_EQ(ErrorOf([&] { dialog.VBPageSetupDlg(0, false, false, false, false, 0, 0, 0, 0, 0, 0, 0, huge); }),
            rt::kOverflow);
  EXPECT_FALSE(dialog.VBPageSetupDlg(0, false, false, false, false, 0, 0, 0, 0, 0, 0, 0, huge, epsLetter, eoPortrait,
                                     epqDraft, epsuMillimeters));
  EXPECT_EQ(platform_->page_setup_dialogs.size(), 2u);
}

}  // namespace
}  // namespace vellora2
