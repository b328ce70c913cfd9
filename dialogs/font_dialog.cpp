// VBChooseFont: the font dialog, initialised from and written back to a font object.
#include <algorithm>

#include "dialogs/dialog_support.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

static_assert(CF_PRINTERFONTS == cdlg::kCfPrinterFonts && CF_SCREENFONTS == cdlg::kCfScreenFonts &&
              CF_INITTOLOGFONTSTRUCT == cdlg::kCfInitToLogFontStruct && CF_EFFECTS == cdlg::kCfEffects &&
              CF_LIMITSIZE == cdlg::kCfLimitSize && BOLD_FONTTYPE == cdlg::kBoldFontType);

// A point is 20 twips.
constexpr double kTwipsPerPoint = 20.0;

}  // namespace

bool GCommonDialog::VBChooseFont(Object& CurFont, ByRef<int32_t> PrinterDC, int32_t Owner, ByRef<int32_t> Color,
                                 int32_t MinSize, int32_t MaxSize, ByRef<int32_t> Flags) {
  Platform& platform = CurrentPlatform();
  // These adjustments are made on the caller's own variables, before the dialog,
  // so they stay even when the user cancels.
  int32_t& dc = *PrinterDC;
  int32_t& flags = *Flags;
  if (dc == -1) {
    dc = 0;
    if (flags & CF_PRINTERFONTS) dc = platform.DefaultPrinterDC();
  } else {
    flags |= CF_PRINTERFONTS;
  }
  if (!(flags & CF_PRINTERFONTS)) flags |= CF_SCREENFONTS;
  if (*Color != 0) flags |= CF_EFFECTS;
  if (MinSize != 0 || MaxSize != 0) flags |= CF_LIMITSIZE;
  flags &= ~(CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_APPLY);
  flags |= CF_INITTOLOGFONTSTRUCT;

  const double size = CurFont.GetProperty(u"Size").ToDouble();
  ChooseFontRecord record;
  LogFontRecord& font = record.lpLogFont;
  // The negative pixel height at the screen's vertical resolution.
  font.lfHeight = static_cast<int32_t>(RoundHalfEven(-(size * kTwipsPerPoint / platform.TwipsPerPixelY())));
  font.lfWeight = CurFont.GetProperty(u"Weight").ToLong();
  font.lfItalic = CurFont.GetProperty(u"Italic").ToBool() ? 1 : 0;
  font.lfUnderline = CurFont.GetProperty(u"Underline").ToBool() ? 1 : 0;
  font.lfStrikeOut = CurFont.GetProperty(u"Strikethrough").ToBool() ? 1 : 0;
  const std::u16string name = CurFont.GetProperty(u"Name").ToString();
  std::copy_n(name.begin(), std::min(name.size(), font.lfFaceName.size()), font.lfFaceName.begin());
  record.hwndOwner = Owner == -1 ? 0 : Owner;
  record.hDC = dc;
  record.iPointSize = static_cast<int32_t>(RoundHalfEven(size * 10));
  record.Flags = static_cast<uint32_t>(flags);
  record.rgbColors = static_cast<uint32_t>(*Color);
  record.nSizeMin = MinSize;
  record.nSizeMax = MaxSize;

  if (!platform.ChooseFont(record)) return false;
  flags = static_cast<int32_t>(record.Flags);
  *Color = static_cast<int32_t>(record.rgbColors);
  // In this order, so that a font object deriving Bold from Weight (or the other
  // way round) ends with the weight the dialog returned.
  CurFont.SetProperty(u"Bold", Variant((record.nFontType & BOLD_FONTTYPE) != 0));
  CurFont.SetProperty(u"Italic", Variant(font.lfItalic != 0));
  CurFont.SetProperty(u"Strikethrough", Variant(font.lfStrikeOut != 0));
  CurFont.SetProperty(u"Underline", Variant(font.lfUnderline != 0));
  CurFont.SetProperty(u"Weight", Variant(static_cast<int16_t>(font.lfWeight)));
  CurFont.SetProperty(u"Size", Variant(record.iPointSize / 10.0));
  const auto face = std::u16string_view(font.lfFaceName.data(), font.lfFaceName.size());
  CurFont.SetProperty(u"Name", Variant(dialogs::StrZToStr(face)));
  return true;
}

}  // namespace vellora2
