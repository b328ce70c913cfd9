#include "platform/scripted_platform.hpp"

namespace vellora2 {
namespace {

template <typename Record>
bool TakeAnswer(std::deque<ScriptedPlatform::Answer<Record>>& answers, std::vector<Record>& calls, Record& record,
                uint32_t& error) {
  calls.push_back(record);
  error = 0;
  if (answers.empty()) return false;
  const auto answer = std::move(answers.front());
  answers.pop_front();
  return answer(record);
}

}  // namespace


int32_t ScriptedPlatform::MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) {
  message_boxes.push_back({std::u16string(prompt), style, std::u16string(title)});
  if (message_box_answers.empty()) return mb::DefaultAnswer(style);
  const int32_t answer = message_box_answers.front();
  message_box_answers.pop_front();
  return answer;
}

void ScriptedPlatform::SetMousePointer(int16_t value) {
  pointer = value;
  pointer_changes.push_back(value);
}

void ScriptedPlatform::ProcessEvents() {
  ++process_events_calls;
  tick_count += ticks_per_events;
}

bool ScriptedPlatform::GetOpenFileName(OpenFileNameRecord& record) {
  return TakeAnswer(file_answers, open_file_dialogs, record, dialog_error);
}

bool ScriptedPlatform::GetSaveFileName(OpenFileNameRecord& record) {
  return TakeAnswer(file_answers, save_file_dialogs, record, dialog_error);
}

bool ScriptedPlatform::ChooseColor(ChooseColorRecord& record) {
  return TakeAnswer(color_answers, color_dialogs, record, dialog_error);
}

bool ScriptedPlatform::ChooseFont(ChooseFontRecord& record) {
  return TakeAnswer(font_answers, font_dialogs, record, dialog_error);
}

bool ScriptedPlatform::PrintDlg(PrintDlgRecord& record) {
  return TakeAnswer(print_answers, print_dialogs, record, dialog_error);
}

bool ScriptedPlatform::PageSetupDlg(PageSetupDlgRecord& record) {
  return TakeAnswer(page_setup_answers, page_setup_dialogs, record, dialog_error);
}

uint32_t ScriptedPlatform::TickCount() {
  const uint32_t now = tick_count;
  tick_count += tick_step;
  return now;
}

}  // namespace vellora2
