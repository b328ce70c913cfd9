// Shows each common dialog in turn and prints what came back. On a desktop the
// dialogs are GTK windows; at a terminal they ask their questions there.
#include <cstdio>
#include <string>

#include "vellora2/automation/object.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"
#include "vellora2/platform/platform.hpp"

using namespace vellora2;

namespace {

void Report(const char* dialog, bool confirmed, const std::string& details) {
  std::printf("%-12s %s%s\n", dialog, confirmed ? "OK  " : "cancelled", confirmed ? details.c_str() : "");
}

std::string Quote(std::u16string_view text) { return "\"" + ToUtf8(text) + "\""; }

}  // namespace

int main() {
  GCommonDialog dialog;
  Platform& platform = CurrentPlatform();

  std::u16string file, title, filter = u"Projects (*.qxv)|*.qxv|Text files (*.txt)|*.txt|All (*.*)|*.*";
  int32_t index = 1;
  bool ok = dialog.VBGetOpenFileName(file, title, true, false, false, false, filter, index, u"", u"Open Project");
  Report("Open", ok, " " + Quote(file) + " title " + Quote(title) + " filter " + std::to_string(index));

  std::u16string save = u"untitled.qxv";
  ok = dialog.VBGetSaveFileName(save, title, true, u"Projects (*.qxv)|*.qxv", 1, u"", u"Save Project As", u"qxv");
  Report("Save", ok, " " + Quote(save));

  int32_t color = 0x3366CC;
  ok = dialog.VBChooseColor(color, true, true);
  char hex[16];
  std::snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(color) & 0xFFFFFFu);
  Report("Colour", ok, std::string(" BGR ") + hex);

  DynamicObject font{{u"Name", Variant(u"Sans")},   {u"Size", Variant(12.0)},         {u"Bold", Variant(false)},
                     {u"Italic", Variant(false)},   {u"Underline", Variant(false)},   {u"Strikethrough", Variant(false)},
                     {u"Weight", Variant(int16_t{400})}};
  ok = dialog.VBChooseFont(font);
  Report("Font", ok, " " + Quote(font.GetProperty(u"Name").ToString()) + " " +
                         ToUtf8(font.GetProperty(u"Size").ToString()) + " pt, weight " +
                         ToUtf8(font.GetProperty(u"Weight").ToString()));

  int32_t dc = 0, from = 1, to = -1;
  int16_t copies = 1;
  ok = dialog.VBPrintDlg(dc, eprAll, false, from, to, false, copies);
  Report("Print", ok, " printer " + std::to_string(dc) + ", pages " + std::to_string(from) + "-" +
                          std::to_string(to) + ", copies " + std::to_string(copies));

  int32_t left = 25, right = 25, top = 20, bottom = 20;
  EPaperSize paper = epsA4;
  EOrientation orientation = eoPortrait;
  ok = dialog.VBPageSetupDlg(0, false, false, false, false, left, 10, right, 10, top, 10, bottom, 10, paper,
                             orientation, epqDraft, epsuMillimeters);
  Report("Page setup", ok, " paper " + std::to_string(paper) + ", orientation " + std::to_string(orientation) +
                               ", margins " + std::to_string(left) + "/" + std::to_string(right) + "/" +
                               std::to_string(top) + "/" + std::to_string(bottom) + " mm");

  const int32_t answer = platform.MessageBox(u"Did the dialogs work?", mb::kYesNoCancel | mb::kQuestion, u"Dialogs demo");
  std::printf("%-12s answer %d\n", "Message box", answer);
  return 0;
}
