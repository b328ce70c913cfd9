// The platform of a desktop session: dialogs and message boxes are GTK 3
// windows, everything else is PosixPlatform's. GTK is used only on the thread
// that started it, so only that thread gets this platform.
#pragma once

#include <memory>

#include "platform/posix_platform.hpp"

namespace vellora2 {

class GtkPlatform : public PosixPlatform {
 public:
  int32_t MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) override;
  void ProcessEvents() override;

  bool GetOpenFileName(OpenFileNameRecord& record) override;
  bool GetSaveFileName(OpenFileNameRecord& record) override;
  bool ChooseColor(ChooseColorRecord& record) override;
  bool ChooseFont(ChooseFontRecord& record) override;
  bool PrintDlg(PrintDlgRecord& record) override;
  bool PageSetupDlg(PageSetupDlgRecord& record) override;
  int32_t TwipsPerPixelY() override;

 private:
  bool FileChooser(OpenFileNameRecord& record, bool save);
};

// A GtkPlatform when DISPLAY or WAYLAND_DISPLAY is set and GTK starts on that
// display, for the first thread that asks; nullptr otherwise.
std::shared_ptr<Platform> MakeGtkPlatform();

}  // namespace vellora2
