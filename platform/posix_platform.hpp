// The real platform for Linux: the operating system answers its questions, and
// without a window system the user-interface calls use the terminal.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "vellora2/platform/platform.hpp"

namespace vellora2 {

class PosixPlatform : public Platform {
 public:
  // `in` and `out` are the terminal a message box asks on; `err` is where an
  // unattended box says what it answered.
  PosixPlatform(std::FILE* in = stdin, std::FILE* out = stdout, std::FILE* err = stderr);

  int32_t MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) override;
  int16_t MousePointer() override { return pointer_; }
  void SetMousePointer(int16_t pointer) override { pointer_ = pointer; }
  void ProcessEvents() override {}

  // In posix_dialogs.cpp. The dialogs ask on the terminal when `in` is one, and
  // otherwise answer as cancelled and say so on `err`.
  bool GetOpenFileName(OpenFileNameRecord& record) override;
  bool GetSaveFileName(OpenFileNameRecord& record) override;
  bool ChooseColor(ChooseColorRecord& record) override;
  bool ChooseFont(ChooseFontRecord& record) override;
  bool PrintDlg(PrintDlgRecord& record) override;
  bool PageSetupDlg(PageSetupDlgRecord& record) override;
  uint32_t CommDlgExtendedError() override { return dialog_error_; }
  int16_t GetFileTitle(std::u16string_view file, std::u16string& buffer) override;
  int32_t DefaultPrinterDC() override;
  int32_t TwipsPerPixelY() override { return 15; }

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
  int32_t LastError() override { return last_error_; }
  // In posix_files.cpp.
  std::vector<std::u16string> ListFiles(std::u16string_view pattern, bool directories) override;
  int32_t ReadFile(std::u16string_view path, size_t max_bytes, std::string& bytes) override;
  int32_t WriteFile(std::u16string_view path, std::string_view bytes) override;

  uint32_t SysColor(int32_t index) override;

 protected:
  void SetDialogError(uint32_t code) { dialog_error_ = code; }
  // The device-context handle that stands for `printer` (a name): the same name
  // gets the same handle for the platform's lifetime.
  int32_t PrinterDC(std::u16string_view printer);
  // The printer named by PRINTER or LPDEST; empty when neither is set.
  static std::u16string DefaultPrinterName();

  // Records errno as the platform's error code (2 file not found, 3 path not
  // found, 5 access denied, 80 file exists, 112 disk full, 87 anything else).
  void SetLastErrorFromErrno(int err);

 private:
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  int16_t pointer_ = kPointerDefault;
  int32_t last_error_ = 0;
  uint32_t dialog_error_ = 0;
  std::vector<std::u16string> printers_;
};

}  // namespace vellora2
