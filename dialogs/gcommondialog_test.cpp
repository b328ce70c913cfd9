#include <algorithm>
#include <array>

#include "dialogs/dialog_test_support.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

using ColorTest = ScriptedDialogTest;
using FontTest = ScriptedDialogTest;

TEST_F(ColorTest, CustomColorsStartAsSystemColorsAndIgnoreBadIndexes) {
  GCommonDialog dialog;
  for (int16_t i = 0; i < 16; ++i) EXPECT_EQ(dialog.CustomColor(i), static_cast<int32_t>(platform_->SysColor(i)));
  EXPECT_EQ(dialog.CustomColor(16), -1);
  EXPECT_EQ(dialog.CustomColor(-1), -1);
  dialog.CustomColor(16, 0x123456);
  dialog.CustomColor(-1, 0x123456);
  dialog.CustomColor(15, 0x654321);
  for (int16_t i = 0; i < 15; ++i) EXPECT_EQ(dialog.CustomColor(i), static_cast<int32_t>(platform_->SysColor(i)));
  EXPECT_EQ(dialog.CustomColor(15), 0x654321);
}

TEST_F(ColorTest, FlagsResultsAndCustomColorsThroughTheDialog) {
  GCommonDialog dialog;
  int32_t color = 0x00FF00;
  EXPECT_FALSE(dialog.VBChooseColor(color));
  EXPECT_EQ(color, -1);  // a cancel loses the caller's colour
  const ChooseColorRecord& first = platform_->color_dialogs.at(0);
  EXPECT_EQ(first.lStructSize, 36u);
  EXPECT_EQ(first.Flags, static_cast<uint32_t>(CC_ANYCOLOR | CC_RGBINIT));
  EXPECT_EQ(first.rgbResult, 0x00FF00u);

  platform_->color_answers.push_back([](ChooseColorRecord& record) {
    record.rgbResult = 0x102030;
    (*record.lpCustColors)[3] = 0xABCDEF;  // the user defined a custom colour
    return true;
  });
  color = 0x112233;
  EXPECT_TRUE(dialog.VBChooseColor(color, false, true, true, 99,
                                   CC_ENABLEHOOK | CC_ENABLETEMPLATE | CC_ENABLETEMPLATEHANDLE | CC_ColorShowHelp));
  EXPECT_EQ(color, 0x102030);
  const ChooseColorRecord& second = platform_->color_dialogs.at(1);
  EXPECT_EQ(second.Flags, static_cast<uint32_t>(CC_SOLIDCOLOR | CC_RGBINIT | CC_FULLOPEN | CC_PREVENTFULLOPEN |
                                                CC_ENABLETEMPLATEHANDLE | CC_ColorShowHelp));
  EXPECT_EQ(second.hwndOwner, 99);
  EXPECT_EQ(dialog.CustomColor(3), 0xABCDEF);

  // The next dialog is offered the slots as they are now, the host's own changes included.
  dialog.CustomColor(4, 0x010203);
  platform_->color_answers.push_back([](ChooseColorRecord& record) {
    return (*record.lpCustColors)[3] == 0xABCDEF && (*record.lpCustColors)[4] == 0x010203;
  });
  EXPECT_TRUE(dialog.VBChooseColor(color));
}

DynamicObject TwelvePointFont() { return FontObject(u"Liberation Serif", 12.0, true, true); }

TEST_F(FontTest, AdjustsPrinterAndFlagsEvenWhenCancelled) {
  GCommonDialog dialog;
  DynamicObject font = TwelvePointFont();
  int32_t dc = -1, flags = CF_APPLY | CF_ENABLEHOOK | CF_ENABLETEMPLATE;
  EXPECT_FALSE(dialog.VBChooseFont(font, dc, -1, 0, 0, 0, flags));
  EXPECT_EQ(dc, 0);
  EXPECT_EQ(flags, CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT);
  EXPECT_EQ(font.GetProperty(u"Name").ToString(), u"Liberation Serif");  // untouched by a cancel

  // Printer fonts asked for without a printer: the default printer's context.
  platform_->default_printer_dc = 77;
  dc = -1, flags = CF_PRINTERFONTS;
  dialog.VBChooseFont(font, dc, -1, 0, 0, 0, flags);
  EXPECT_EQ(dc, 77);
  EXPECT_EQ(flags, CF_PRINTERFONTS | CF_INITTOLOGFONTSTRUCT);

  // A given printer context brings printer fonts; a colour effects; a size limit.
  dc = 5, flags = 0;
  int32_t color = 0xFF;
  dialog.VBChooseFont(font, dc, 8, color, 6, 0, flags);
  EXPECT_EQ(dc, 5);
  EXPECT_EQ(flags, CF_PRINTERFONTS | CF_EFFECTS | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT);
  const ChooseFontRecord& sent = platform_->font_dialogs.at(2);
  EXPECT_EQ(sent.hDC, 5);
  EXPECT_EQ(sent.hwndOwner, 8);
  EXPECT_EQ(sent.rgbColors, 0xFFu);
  EXPECT_EQ(sent.nSizeMin, 6);
  EXPECT_EQ(sent.nSizeMax, 0);
}

TEST_F(FontTest, LogicalFontFromTheFontObject) {
  GCommonDialog dialog;
  DynamicObject font = TwelvePointFont();
  dialog.VBChooseFont(font);
  const ChooseFontRecord& sent = platform_->font_dialogs.at(0);
  EXPECT_EQ(sent.lStructSize, 60u);
  EXPECT_EQ(sent.lpLogFont.lfHeight, -16);  // 12 points at 96 dots per inch
  EXPECT_EQ(sent.iPointSize, 120);
  const LogFontRecord& lf = sent.lpLogFont;
  EXPECT_EQ((std::array<int32_t, 4>{lf.lfWeight, lf.lfItalic, lf.lfUnderline, lf.lfStrikeOut}), (std::array{400, 1, 1, 0}));
  EXPECT_EQ(std::u16string(sent.lpLogFont.lfFaceName.data()), u"Liberation Serif");

  // A finer screen gives more pixels: 12 points at 120 dots per inch.
  platform_->twips_per_pixel_y = 12;
  dialog.VBChooseFont(font);
  EXPECT_EQ(platform_->font_dialogs.at(1).lpLogFont.lfHeight, -20);

  // Halves round to even: 112.5 tenths to 112; 10.5 and 11.5 pixels to 10 and 12.
  platform_->twips_per_pixel_y = 15;
  font.SetProperty(u"Size", Variant(11.25));
  dialog.VBChooseFont(font);
  EXPECT_EQ(platform_->font_dialogs.at(2).iPointSize, 112);
  font.SetProperty(u"Size", Variant(7.875));
  dialog.VBChooseFont(font);
  EXPECT_EQ(platform_->font_dialogs.at(3).lpLogFont.lfHeight, -10);
  font.SetProperty(u"Size", Variant(8.625));
  dialog.VBChooseFont(font);
  EXPECT_EQ(platform_->font_dialogs.at(4).lpLogFont.lfHeight, -12);

  // A face name longer than the field is cut to its 32 characters.
  font.SetProperty(u"Name", Variant(std::u16string(40, u'F')));
  dialog.VBChooseFont(font);
  const auto& face = platform_->font_dialogs.at(5).lpLogFont.lfFaceName;
  EXPECT_TRUE(std::all_of(face.begin(), face.end(), [](char16_t c) { return c == u'F'; }));
}

TEST_F(FontTest, ChosenFontIsWrittenBack) {
  GCommonDialog dialog;
  DynamicObject font = TwelvePointFont();
  platform_->font_answers.push_back([](ChooseFontRecord& record) {
    record.lpLogFont.lfFaceName.fill(u'\0');
    const std::u16string face = u"DejaVu Sans Mono";
    std::copy(face.begin(), face.end(), record.lpLogFont.lfFaceName.begin());
    record.lpLogFont.lfWeight = 700;
    record.lpLogFont.lfItalic = 0;
    record.lpLogFont.lfUnderline = 0;
    record.lpLogFont.lfStrikeOut = 1;
    record.iPointSize = 145;
    record.nFontType = BOLD_FONTTYPE | SCREEN_FONTTYPE;
    record.rgbColors = 0x0000FF;
    record.Flags |= CF_NOSTYLESEL;
    return true;
  });
  int32_t color = 0x00FF00, flags = 0;
  EXPECT_TRUE(dialog.VBChooseFont(font, -1, -1, color, 0, 0, flags));
  EXPECT_EQ(font.GetProperty(u"Name").ToString(), u"DejaVu Sans Mono");
  EXPECT_EQ(font.GetProperty(u"Size").ToDouble(), 14.5);
  EXPECT_TRUE(font.GetProperty(u"Bold").ToBool());
  EXPECT_EQ(font.GetProperty(u"Weight").ToLong(), 700);
  EXPECT_FALSE(font.GetProperty(u"Italic").ToBool());
  EXPECT_FALSE(font.GetProperty(u"Underline").ToBool());
  EXPECT_TRUE(font.GetProperty(u"Strikethrough").ToBool());
  EXPECT_EQ(color, 0x0000FF);
  EXPECT_EQ(flags, CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOSTYLESEL);
}

}  // namespace
}  // namespace vellora2
