#include "elements/line_list.hpp"

#include <algorithm>
#include <functional>

#include "vellora2/automation/error.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kSource = u"Vellora2.LineList";

}  // namespace

LineList::LineList(std::string delimiter, Settings settings) : delimiter_(std::move(delimiter)), settings_(settings) {
  if (delimiter_.empty()) Raise(rt::kInvalidCall, std::u16string(kSource));
}

void LineList::SetText(std::string text) {
  text_ = std::move(text);
  starts_.clear();
  ends_.clear();
  // `end` is where the line's text stops, `next` where the following line starts.
  const auto add = [this](size_t start, size_t end, size_t next) {
    if (end == start && !settings_.keep_empty_lines) return;
    starts_.push_back(start);
    ends_.push_back(settings_.include_delimiter ? next : end);
  };
  const std::boyer_moore_horspool_searcher searcher(delimiter_.begin(), delimiter_.end());
  size_t start = 0;
  while (true) {
    const auto [hit, hit_end] = searcher(text_.cbegin() + static_cast<std::ptrdiff_t>(start), text_.cend());
    if (hit == text_.cend()) break;
    const auto next = static_cast<size_t>(hit_end - text_.cbegin());
    add(start, static_cast<size_t>(hit - text_.cbegin()), next);
    start = next;
  }
  if (start < text_.size() && settings_.trailing_text_is_line) add(start, text_.size(), text_.size());
}

std::string_view LineList::Line(int32_t number) const {
  if (number < 1 || number > Count()) Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  const auto i = static_cast<size_t>(number - 1);
  return std::string_view(text_).substr(starts_[i], ends_[i] - starts_[i]);
}

int32_t LineList::LineOfByte(int64_t offset) const {
  if (offset < 0 || static_cast<uint64_t>(offset) >= text_.size() || starts_.empty()) {
    Raise(rt::kSubscriptOutOfRange, std::u16string(kSource));
  }
  // The last line that starts at or before the offset; bytes before the first
  // line (skipped empty lines) count as part of it.
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), static_cast<size_t>(offset));
  const auto index = it == starts_.begin() ? 0 : (it - starts_.begin()) - 1;
  return static_cast<int32_t>(index + 1);
}

}  // namespace vellora2
