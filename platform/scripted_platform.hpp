// A platform for tests: user-interface calls take queued answers and are recorded
// with their arguments; the clock and the identity questions answer what the test
// set. File and folder questions go to the real operating system.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix_platform.hpp"

namespace vellora2 {

class ScriptedPlatform : public PosixPlatform {
 public:
  struct MessageBoxCall {
    std::u16string prompt;
    int32_t style = 0;
    std::u16string title;
  };

  ScriptedPlatform() : PosixPlatform(nullptr, nullptr, nullptr) {}

  // Takes the next queued answer, or the default button when none is queued.
  int32_t MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) override;
  int16_t MousePointer() override { return pointer; }
  void SetMousePointer(int16_t value) override;
  void ProcessEvents() override;
  uint32_t TickCount() override;
  uint32_t Version() override { return version; }
  std::u16string ModuleFileName() override { return module_file_name; }
  double Timer() override { return timer; }

  // A dialog takes the next queued answer of its kind: the answer writes the
  // user's choice into the record (as the platform would) and returns whether the
  // user confirmed; to fail, it also sets dialog_error. With no answer queued the
  // dialog is cancelled. Every record is kept as it was handed over.
  template <typename Record>
  using Answer = std::function<bool(Record&)>;
  bool GetOpenFileName(OpenFileNameRecord& record) override;
  bool GetSaveFileName(OpenFileNameRecord& record) override;
  bool ChooseColor(ChooseColorRecord& record) override;
  bool ChooseFont(ChooseFontRecord& record) override;
  bool PrintDlg(PrintDlgRecord& record) override;
  bool PageSetupDlg(PageSetupDlgRecord& record) override;
  uint32_t CommDlgExtendedError() override { return dialog_error; }
  int32_t DefaultPrinterDC() override { return default_printer_dc; }
  int32_t TwipsPerPixelY() override { return twips_per_pixel_y; }

  // Answers and settings, public so a test reads like a script.
  std::deque<int32_t> message_box_answers;
  int16_t pointer = kPointerDefault;
  uint32_t tick_count = 0;
  uint32_t tick_step = 0;        // added to tick_count after each reading
  uint32_t ticks_per_events = 0;  // added to tick_count by each ProcessEvents
  uint32_t version = 0x00000A06;  // 6.10, NT family
  std::u16string module_file_name = u"/usr/bin/host";
  double timer = 0.0;
  std::deque<Answer<OpenFileNameRecord>> file_answers;  // open and save dialogs
  std::deque<Answer<ChooseColorRecord>> color_answers;
  std::deque<Answer<ChooseFontRecord>> font_answers;
  std::deque<Answer<PrintDlgRecord>> print_answers;
  std::deque<Answer<PageSetupDlgRecord>> page_setup_answers;
  uint32_t dialog_error = 0;  // cleared as each dialog opens
  int32_t default_printer_dc = 0;
  int32_t twips_per_pixel_y = 15;

  // What happened.
  std::vector<MessageBoxCall> message_boxes;
  std::vector<int16_t> pointer_changes;
  int process_events_calls = 0;
  std::vector<OpenFileNameRecord> open_file_dialogs;
  std::vector<OpenFileNameRecord> save_file_dialogs;
  std::vector<ChooseColorRecord> color_dialogs;
  std::vector<ChooseFontRecord> font_dialogs;
  std::vector<PrintDlgRecord> print_dialogs;
  std::vector<PageSetupDlgRecord> page_setup_dialogs;
};

}  // namespace vellora2
