// The platform of a desktop session: PosixPlatform's answers, with dialogs and
// message boxes as windows once one is needed and the window module loads.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/posix_platform.hpp"

namespace vellora2 {

class DesktopPlatform : public PosixPlatform {
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

  // The module's platform for this thread, made on the first call; nullptr
  // without a display or module, or on a thread other than GTK's.
  Platform* Windows();

 private:
  bool asked_ = false;
  std::shared_ptr<Platform> windows_;
};

}  // namespace vellora2
