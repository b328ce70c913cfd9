// A platform that passes every call on to another one, for hosts and tests that
// want to answer a few calls themselves (one message box, one file dialog) and
// leave the rest to the real platform: derive from it and override those calls.
//
//   class AnswerNo : public vellora2::ForwardingPlatform {
//    public:
//     using ForwardingPlatform::ForwardingPlatform;
//     int32_t MessageBox(std::u16string_view, int32_t, std::u16string_view) override {
//       return vellora2::mb::kNo;
//     }
//   };
//   auto previous = vellora2::SetCurrentPlatform(std::make_shared<AnswerNo>());
//
// Documents that must come out the same on every run also need a fixed clock:
// see vellora2/compound/clock.hpp.
#pragma once

#include <memory>

#include "vellora2/platform/platform.hpp"

namespace vellora2 {

class ForwardingPlatform : public Platform {
 public:
  // Forwards to `target`; without one, to the platform in force on the calling
  // thread now, so that the new one can be put in its place.
  explicit ForwardingPlatform(std::shared_ptr<Platform> target = nullptr);

  // The platform the calls go to.
  Platform& Target() const { return *target_; }

  int32_t MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) override;
  int16_t MousePointer() override;
  void SetMousePointer(int16_t pointer) override;
  void ProcessEvents() override;
  bool GetOpenFileName(OpenFileNameRecord& record) override;
  bool GetSaveFileName(OpenFileNameRecord& record) override;
  bool ChooseColor(ChooseColorRecord& record) override;
  bool ChooseFont(ChooseFontRecord& record) override;
  bool PrintDlg(PrintDlgRecord& record) override;
  bool PageSetupDlg(PageSetupDlgRecord& record) override;
  uint32_t CommDlgExtendedError() override;
  int16_t GetFileTitle(std::u16string_view file, std::u16string& buffer) override;
  int32_t DefaultPrinterDC() override;
  int32_t TwipsPerPixelY() override;
  uint32_t TickCount() override;
  uint32_t Version() override;
  std::u16string ModuleFileName() override;
  double Timer() override;
  std::optional<std::u16string> FullPath(std::u16string_view path) override;
  std::optional<std::u16string> SearchPath(std::u16string_view dirs, std::u16string_view file,
                                           std::u16string_view extension) override;
  std::u16string TempFolder() override;
  std::optional<std::u16string> CreateTempFile(std::u16string_view folder, std::u16string_view prefix) override;
  int32_t FileAttributes(std::u16string_view path) override;
  std::u16string ExpandEnvironment(std::u16string_view text) override;
  uint32_t LogicalDrives() override;
  std::optional<std::u16string> VolumeLabel(std::u16string_view root) override;
  int32_t LastError() override;
  std::vector<std::u16string> ListFiles(std::u16string_view pattern, bool directories) override;
  int32_t ReadFile(std::u16string_view path, size_t max_bytes, std::string& bytes) override;
  int32_t WriteFile(std::u16string_view path, std::string_view bytes) override;
  uint32_t SysColor(int32_t index) override;

 private:
  std::shared_ptr<Platform> target_;
};

}  // namespace vellora2
