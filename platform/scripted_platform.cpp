#include "platform/scripted_platform.hpp"

namespace vellora2 {

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

uint32_t ScriptedPlatform::TickCount() {
  const uint32_t now = tick_count;
  tick_count += tick_step;
  return now;
}

}  // namespace vellora2
